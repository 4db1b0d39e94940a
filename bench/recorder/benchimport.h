#pragma once

// bench_recorder import: sessions of 3, 10 and 60 minutes spoken by
// espeak-ng imported by voice-recorder --import, each in a process of its
// own: wall and CPU time, peak memory, lines found.
int benchImport(const char *recorder);
