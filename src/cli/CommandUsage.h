#pragma once
// The help texts: the program's overview and each command's own usage.

#include <cstdio>
#include <string>

// The overview of every command and option (qora-cli --help).
void PrintUsage(std::FILE* to);

// Whether a command of that name exists.
[[nodiscard]] bool IsCommand(const std::string& command);

// The usage of one command with all its options (qora-cli COMMAND --help);
// false when there is no such command.
bool PrintCommandUsage(const std::string& command, std::FILE* to);
