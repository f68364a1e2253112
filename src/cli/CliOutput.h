#pragma once
// Where a command writes: its results to `out`, progress, notices and the
// reason of a failure to `err`. Tests hand in files of their own.

#include <cstdio>

struct SCliOutput {
    std::FILE* out = stdout;
    std::FILE* err = stderr;
    // Progress is drawn in place only on a terminal.
    bool errIsTerminal = false;

    // Standard output and error, noting whether error is a terminal.
    static SCliOutput Standard();
};
