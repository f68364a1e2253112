#include "rks/RksConnectionString.h"

#include <charconv>
#include <cstddef>

namespace {
bool SameKey(std::string_view key, std::string_view upper)
{
    if (key.size() != upper.size())
        return false;
    for (std::size_t i = 0; i < key.size(); ++i) {
        const char c = key[i] >= 'a' && key[i] <= 'z' ? static_cast<char>(key[i] - 'a' + 'A') : key[i];
        if (c != upper[i])
            return false;
    }
    return true;
}

template <typename Number>
std::optional<Number> ParseDecimal(std::string_view text)
{
    Number value{};
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc{} || stop != end)
        return std::nullopt;
    return value;
}
} // namespace

std::string_view RksTrimmed(std::string_view text)
{
    constexpr std::string_view blanks = " \t\r\n";
    const std::size_t first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

std::optional<std::uint16_t> RksParsePort(std::string_view text)
{
    const auto port = ParseDecimal<std::uint16_t>(RksTrimmed(text));
    if (!port || *port == 0)
        return std::nullopt;
    return port;
}

std::optional<RksConnectionParams> RksParseConnectionString(std::string_view text, std::string* problem)
{
    const auto refuse = [problem](std::string_view key, std::string_view value, const char* wanted) {
        if (problem)
            *problem = std::string(key) + "=" + std::string(value) + " is not " + wanted;
        return std::nullopt;
    };
    RksConnectionParams params;
    bool seenHost = false, seenPort = false, seenTimeout = false;
    while (!text.empty()) {
        const std::size_t comma = text.find(',');
        const std::string_view item = text.substr(0, comma);
        text = comma == std::string_view::npos ? std::string_view{} : text.substr(comma + 1);

        const std::size_t equals = item.find('=');
        if (equals == std::string_view::npos)
            continue;
        const std::string_view key = RksTrimmed(item.substr(0, equals));
        const std::string_view value = RksTrimmed(item.substr(equals + 1));
        if (SameKey(key, "HOST") && !seenHost) {
            seenHost = true;
            params.host = value;
        } else if (SameKey(key, "PORT") && !seenPort) {
            seenPort = true;
            params.port = RksParsePort(value);
            if (!params.port)
                return refuse(key, value, "a TCP port from 1 to 65535");
        } else if (SameKey(key, "TMO") && !seenTimeout) {
            seenTimeout = true;
            const auto ms = ParseDecimal<std::uint32_t>(value);
            if (!ms || *ms == 0)
                return refuse(key, value, "a time in milliseconds of at least 1");
            params.transferTimeout = std::chrono::milliseconds(*ms);
        }
    }
    return params;
}
