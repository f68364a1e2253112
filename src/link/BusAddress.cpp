#include "link/BusAddress.h"

#include <algorithm>
#include <string_view>

namespace {
constexpr std::string_view kAddressItem = "ADDR=";
constexpr std::size_t kMaxDigits = 5;
} // namespace

std::uint16_t ConnectionBusAddress(const std::string& connection)
{
    const auto at = connection.find(kAddressItem);
    if (at == std::string::npos)
        return kNoBusAddress;
    const auto from = at + kAddressItem.size();
    auto end = connection.find(',', from);
    if (end == std::string::npos)
        end = connection.size();
    std::string_view text(connection.data() + from, std::min(end - from, kMaxDigits));
    // Blanks around the number are no part of it.
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    if (text.empty())
        return kNoBusAddress;
    std::uint32_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return kNoBusAddress;
        value = value * 10 + static_cast<std::uint32_t>(c - '0'); // five digits at most: no overflow
    }
    return value < kNoBusAddress ? static_cast<std::uint16_t>(value) : kNoBusAddress;
}
