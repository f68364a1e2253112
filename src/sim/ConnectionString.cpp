#include "sim/ConnectionString.h"

namespace sim {
namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

char Lower(char c)
{
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

} // namespace

bool SameTextIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (Lower(a[i]) != Lower(b[i]))
            return false;
    }
    return true;
}

std::string_view TrimBlanks(std::string_view text)
{
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

std::optional<std::string_view> ConnectionItem(std::string_view connection, std::string_view key)
{
    while (!connection.empty()) {
        const std::size_t comma = connection.find(',');
        const std::string_view item = connection.substr(0, comma);
        connection = comma == std::string_view::npos ? std::string_view() : connection.substr(comma + 1);

        const std::size_t equals = item.find('=');
        if (equals == std::string_view::npos)
            continue;
        if (SameTextIgnoringCase(TrimBlanks(item.substr(0, equals)), key))
            return TrimBlanks(item.substr(equals + 1));
    }
    return std::nullopt;
}

} // namespace sim
