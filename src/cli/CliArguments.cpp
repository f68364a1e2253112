#include "cli/CliArguments.h"

#include "cli/CliSession.h"

#include <algorithm>

bool IsHelpArgument(const std::string& argument)
{
    return argument == "-h" || argument == "--help";
}

std::string MissingValue(const std::string& argument)
{
    return argument + " needs a value";
}

std::string RefusedValue(const std::string& argument, const std::string& value, const std::string& reason)
{
    return argument + " " + (value.empty() ? std::string("\"\"") : value) + ": " + reason;
}

std::string UnknownArgument(const std::string& command, const std::string& argument)
{
    const bool option = argument.size() > 1 && argument[0] == '-';
    return (option ? "unknown option " : "unexpected argument ") + argument + " for " + command +
           " (see qora-cli " + command + " --help)";
}

int RefuseUsage(std::FILE* err, const std::string& reason)
{
    std::fprintf(err, "qora-cli: %s\n", reason.c_str());
    std::fflush(err);
    return kExitUsage;
}

bool ReadDigits(const std::string& text, int maxDigits, int& value)
{
    if (text.empty() || text.size() > static_cast<std::size_t>(maxDigits) ||
        text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    value = std::stoi(text);
    return true;
}

bool ReadPathOption(const char* option, const std::vector<std::string>& arguments, std::size_t& at,
                    std::optional<std::string>& value, std::string& error)
{
    const std::string& argument = arguments[at];
    const std::string prefix = std::string(option) + "=";
    std::string given;
    if (argument == option) {
        if (at + 1 >= arguments.size()) {
            error = MissingValue(option);
            ++at;
            return true;
        }
        given = arguments[at + 1];
        at += 2;
    } else if (argument.compare(0, prefix.size(), prefix) == 0) {
        given = argument.substr(prefix.size());
        ++at;
    } else {
        return false;
    }
    if (given.empty())
        error = MissingValue(option);
    else if (value)
        error = std::string(option) + " given twice";
    else
        value = given;
    return true;
}

bool ReadGlobalOption(const std::vector<std::string>& arguments, std::size_t& at, SGlobalOptions& options,
                      std::string& error)
{
    return ReadPathOption(kConnectionOption, arguments, at, options.connection, error) ||
           ReadPathOption(kLogOption, arguments, at, options.logPath, error) ||
           ReadPathOption(kTraceOption, arguments, at, options.tracePath, error);
}

namespace {

// Options of the commands that take the next argument as their value.
bool TakesValue(const std::string& command, const std::string& option)
{
    static const char* const options[] = {"--chunk",  "--interval", "--unit",    "--report",  "--user",
                                          "--date",   "--comments", "--actions", "--count",   "--duration",
                                          "--format", "--verify-timeout", "--verify-report"};
    // fleet's --json names a file; status's and watch's take nothing.
    static const char* const fleetOptions[] = {"--directory", "--group", "--jobs", "--csv", "--json",
                                               "--restart-timeout"};
    for (const char* name : options) {
        if (option == name)
            return true;
    }
    if (command == "fleet") {
        for (const char* name : fleetOptions) {
            if (option == name)
                return true;
        }
    }
    return false;
}

// How many texts follow "set" of the command: they may be anything.
std::size_t SetValues(const std::string& command)
{
    if (command == "user")
        return 4;
    if (command == "timing")
        return 2;
    return 0;
}

} // namespace

void TakeGlobalOptions(const std::string& command, std::vector<std::string>& arguments, SGlobalOptions& options,
                       std::string& error)
{
    std::vector<std::string> kept;
    kept.reserve(arguments.size());
    std::size_t at = 0;
    if (!arguments.empty() && arguments[0] == "set" && SetValues(command) > 0) {
        at = std::min(arguments.size(), 1 + SetValues(command));
        kept.assign(arguments.begin(), arguments.begin() + static_cast<std::ptrdiff_t>(at));
    }
    while (at < arguments.size()) {
        if (ReadGlobalOption(arguments, at, options, error)) {
            if (!error.empty())
                return;
            continue;
        }
        kept.push_back(arguments[at]);
        if (TakesValue(command, arguments[at]) && at + 1 < arguments.size())
            kept.push_back(arguments[++at]);
        ++at;
    }
    arguments = std::move(kept);
}
