#pragma once
// How a command refuses its arguments: one line on standard error that names
// the argument and the value it was given, and the usage exit status.

#include <cstdio>
#include <string>

// "-h" or "--help".
[[nodiscard]] bool IsHelpArgument(const std::string& argument);

// "--chunk needs a value"
[[nodiscard]] std::string MissingValue(const std::string& argument);
// "--chunk 7: not an even number from 128 to 256"
[[nodiscard]] std::string RefusedValue(const std::string& argument, const std::string& value,
                                       const std::string& reason);
// "unknown option --fast for download (see qora-cli download --help)", or
// "unexpected argument x.xml ..." for a word that is no option.
[[nodiscard]] std::string UnknownArgument(const std::string& command, const std::string& argument);

// Prints "qora-cli: REASON" on `err` and returns the usage exit status.
int RefuseUsage(std::FILE* err, const std::string& reason);

// A whole number written with decimal digits only (no sign, no blanks), at
// most `maxDigits` of them.
[[nodiscard]] bool ReadDigits(const std::string& text, int maxDigits, int& value);
