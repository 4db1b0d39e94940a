#pragma once

// Whether the command line asks for an import rather than the window.
bool asksForImport(int argc, char *argv[]);

// voice-recorder --import RECORDING [FOLDER]: imports without a window,
// printing only to standard output. The exit status: 0 every line found, 1
// some not, 2 a usage error, a recording that cannot be read or a folder
// that cannot be written.
int runImport(int argc, char *argv[]);
