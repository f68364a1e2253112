#pragma once
// Where a command writes: its results to `out`, progress, notices and the
// reason of a failure to `err`. Tests hand in files of their own.

#include <QString>

#include <cstdio>
#include <string>

struct SCliOutput {
    std::FILE* out = stdout;
    std::FILE* err = stderr;
    // Progress is drawn in place only on a terminal.
    bool errIsTerminal = false;

    // Standard output and error, noting whether error is a terminal.
    static SCliOutput Standard();
};

// The prefix of every line that says why the program failed, so that a
// script's log tells it from a unit's words.
inline constexpr char kErrorPrefix[] = "qora-cli: ";

// "qora-cli: TEXT" as one line on `to` (line breaks become blanks).
void PrintError(std::FILE* to, const QString& text);
void PrintError(std::FILE* to, const std::string& text);
void PrintError(std::FILE* to, const char* text);
