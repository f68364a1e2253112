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

// The options of the whole program. They stand before the command or
// anywhere among its options, each in either form, "--log FILE" or "--log=FILE".
inline constexpr char kConnectionOption[] = "--connection";
// The program's log appended to FILE.
inline constexpr char kLogOption[] = "--log";
// The unit traffic recorded to FILE.
inline constexpr char kTraceOption[] = "--trace";

struct SGlobalOptions {
    std::optional<std::string> connection;
    std::optional<std::string> logPath;
    std::optional<std::string> tracePath;
};

// Reads one option of that name at arguments[at] (either form) into `value`
// and moves `at` past it. False when arguments[at] is not that option. A
// missing or empty value, or a second one, leaves a reason in `error` (true is
// returned: the option was there).
bool ReadPathOption(const char* option, const std::vector<std::string>& arguments, std::size_t& at,
                    std::optional<std::string>& value, std::string& error);

// Reads one global option at arguments[at], as ReadPathOption does; false
// when arguments[at] is none.
bool ReadGlobalOption(const std::vector<std::string>& arguments, std::size_t& at, SGlobalOptions& options,
                      std::string& error);

// Takes the global options out of a command's arguments, wherever an option
// may stand: the values of the command's options and its positional texts are
// never taken for one. Stops at the first refused one, its reason in `error`.
void TakeGlobalOptions(const std::string& command, std::vector<std::string>& arguments, SGlobalOptions& options,
                       std::string& error);
