#include "rks/RksConnectionString.h"

#include "protocol/Connection.h"

std::string_view RksTrimmed(std::string_view text)
{
    return Protocol::TrimmedConnection(text);
}

std::optional<std::uint16_t> RksParsePort(std::string_view text)
{
    return Protocol::ParsePort(text);
}

std::optional<RksConnectionParams> RksParseConnectionString(std::string_view text, std::string* problem)
{
    const Protocol::SConnection connection = Protocol::ParseConnection(text);
    if (!connection.problem.empty()) {
        if (problem)
            *problem = connection.problem;
        return std::nullopt;
    }
    return RksConnectionParams{connection.host, connection.port, connection.transferTimeout};
}
