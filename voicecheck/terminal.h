#pragma once

#include <filesystem>

// Whether standard output is a terminal that should get colour: not when it
// is redirected, nor when NO_COLOR is set (https://no-color.org).
bool colourOnStandardOutput();

// The columns of the terminal standard output goes to; 0 when it goes
// elsewhere, so that what a file or pipe gets does not depend on a window.
int terminalColumns();

// A closed pipe becomes a failed write the program can report, rather than
// a signal that ends it silently.
void ignoreBrokenPipes();

// A command-line argument as a path, with the bytes it was given as: a
// folder whose name is not valid in the system's encoding stays reachable.
std::filesystem::path argumentPath(const char *argument);
