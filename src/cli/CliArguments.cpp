#include "cli/CliArguments.h"

#include "cli/CliSession.h"

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
