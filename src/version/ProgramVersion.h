#pragma once
// The release number of the programs, and the text each prints for --version.
// No Qt: the desktop program answers before it opens a display.

#include <string>

// "1.50": the release the programs and the package were built as.
[[nodiscard]] const char* ProgramVersion();

// What "PROGRAM --version" prints: "PROGRAM 1.50" and a newline.
[[nodiscard]] std::string VersionText(const char* program);
