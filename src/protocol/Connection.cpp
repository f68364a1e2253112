#include "protocol/Connection.h"

#include <charconv>
#include <cstddef>

namespace Protocol {
namespace {

constexpr std::string_view kBlanks = " \t\r\n\v\f";
// The tool reads at most this many characters of a bus address.
constexpr std::size_t kAddressDigits = 5;

char Upper(char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool SameKey(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (Upper(a[i]) != Upper(b[i]))
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

std::uint16_t BusAddressOf(std::string_view value)
{
    const std::string_view digits = value.substr(0, kAddressDigits);
    if (digits.empty())
        return kNoBusAddress;
    std::uint32_t number = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9')
            return kNoBusAddress;
        number = number * 10 + static_cast<std::uint32_t>(c - '0'); // five digits: no overflow
    }
    return number < kNoBusAddress ? static_cast<std::uint16_t>(number) : kNoBusAddress;
}

std::uint32_t ChannelOf(std::string_view value)
{
    std::uint32_t channel = 0;
    for (const char c : value) {
        if (c < '0' || c > '9')
            break;
        channel = channel * 10 + static_cast<std::uint32_t>(c - '0');
        if (channel >= 1000000)
            break; // far above any channel: stop before a long digit run overflows
    }
    return channel;
}

std::vector<std::string_view> Items(std::string_view text)
{
    std::vector<std::string_view> items;
    while (!text.empty()) {
        const std::size_t comma = text.find(',');
        items.push_back(text.substr(0, comma));
        text = comma == std::string_view::npos ? std::string_view{} : text.substr(comma + 1);
    }
    return items;
}

} // namespace

std::string_view TrimmedConnection(std::string_view text)
{
    const std::size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

std::optional<std::uint16_t> ParsePort(std::string_view text)
{
    const auto port = ParseDecimal<std::uint16_t>(TrimmedConnection(text));
    if (!port || *port == 0)
        return std::nullopt;
    return port;
}

std::optional<std::string> SConnection::Value(std::string_view key) const
{
    for (const SConnectionItem& item : items) {
        if (item.hasValue && SameKey(item.key, key))
            return item.value;
    }
    return std::nullopt;
}

SConnection ParseConnection(std::string_view text)
{
    SConnection connection;
    connection.text = std::string(TrimmedConnection(text));
    for (const std::string_view raw : Items(connection.text)) {
        const std::size_t equals = raw.find('=');
        SConnectionItem item;
        item.key = std::string(TrimmedConnection(raw.substr(0, equals)));
        if (equals != std::string_view::npos) {
            item.hasValue = true;
            item.value = std::string(TrimmedConnection(raw.substr(equals + 1)));
        }
        connection.items.push_back(std::move(item));
    }

    const auto note = [&connection](std::string_view key, const std::string& value, const char* wanted) {
        if (connection.problem.empty())
            connection.problem = std::string(key) + "=" + value + " is not " + wanted;
    };
    if (const auto host = connection.Value("HOST"))
        connection.host = *host;
    if (const auto port = connection.Value("PORT")) {
        connection.port = ParsePort(*port);
        if (!connection.port)
            note("PORT", *port, "a TCP port from 1 to 65535");
    }
    if (const auto address = connection.Value("ADDR")) {
        connection.addressText = *address;
        connection.busAddress = BusAddressOf(*address);
    }
    if (const auto channel = connection.Value("CH"))
        connection.channel = ChannelOf(*channel);
    if (const auto timeout = connection.Value("TMO")) {
        const auto ms = ParseDecimal<std::uint32_t>(*timeout);
        if (ms && *ms > 0)
            connection.transferTimeout = std::chrono::milliseconds(*ms);
        else
            note("TMO", *timeout, "a time in milliseconds of at least 1");
    }
    return connection;
}

std::string WithItem(std::string_view text, std::string_view key, std::string_view value)
{
    std::string result;
    bool replaced = false;
    for (const std::string_view raw : Items(text)) {
        if (!result.empty() || raw.data() != text.data())
            result += ',';
        const std::size_t equals = raw.find('=');
        if (!replaced && equals != std::string_view::npos && SameKey(TrimmedConnection(raw.substr(0, equals)), key)) {
            result += std::string(raw.substr(0, equals + 1)) + std::string(value);
            replaced = true;
        } else {
            result += raw;
        }
    }
    return result;
}

} // namespace Protocol
