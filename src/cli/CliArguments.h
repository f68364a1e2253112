#pragma once
// How a command refuses its arguments: one line on standard error that names
// the argument and the value it was given, and the usage exit status.

#include <cstddef>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

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

// "--log FILE" or "--log=FILE".
inline constexpr char kLogOption[] = "--log";
// "--trace FILE" or "--trace=FILE": the unit traffic recorded (before the command only).
inline constexpr char kTraceOption[] = "--trace";

// Reads one file option at arguments[at] (either form) into `path` and moves
// `at` past it. False when arguments[at] is not that option. A missing or empty
// file, or a second one, leaves a reason in `error` (true is returned: the
// option was there).
bool ReadPathOption(const char* option, const std::vector<std::string>& arguments, std::size_t& at,
                    std::optional<std::string>& path, std::string& error);

// Reads one --log option at arguments[at] (either form) into `path` and moves
// `at` past it. False when arguments[at] is no --log option. A --log without
// a file, or a second one, leaves a reason in `error` (true is returned: the
// option was there).
bool ReadLogOption(const std::vector<std::string>& arguments, std::size_t& at, std::optional<std::string>& path,
                   std::string& error);

// Takes a --log option out of a command's arguments, wherever an option may
// stand: the values of the command's options and its positional texts are
// never taken for one.
void TakeLogOption(const std::string& command, std::vector<std::string>& arguments,
                   std::optional<std::string>& path, std::string& error);
