#pragma once
// A connection string, parsed once. A connection string is a comma-separated
// list of KEY=VALUE items, for example the local format
// "WP=SOCKET,HOST=192.168.255.120,PORT=7000,WP=NEQ1,ADDR=131". Keys match
// whole and in any case; blanks around the string, a key or a value are no
// part of them; when a key appears more than once, its first item counts.
// Every item, read here or not, is kept in its order: the far end gets the
// string as the user or the browser gave it, only trimmed.

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace Protocol {

inline constexpr std::uint16_t kNoBusAddress = 0xFFFF;
inline constexpr std::chrono::milliseconds kDefaultTransferTimeout{5000};
// Downloads on a remote connection need this channel or a higher one.
inline constexpr std::uint32_t kDownloadChannel = 9;

struct SConnectionItem {
    std::string key;   // as written, trimmed
    std::string value; // trimmed; empty for an item without "="
    bool hasValue = false;
};

struct SConnection {
    // The whole string without blanks at either end: what opens the link.
    std::string text;
    std::vector<SConnectionItem> items;

    std::string host;                  // HOST; empty when absent
    std::optional<std::uint16_t> port; // PORT, when it is a TCP port
    // ADDR as written (what the installation status names as the unit's
    // address) and the bus address it gives: the decimal number of its first
    // five characters, kNoBusAddress when there is none below 0xFFFF.
    std::string addressText;
    std::uint16_t busAddress = kNoBusAddress;
    // CH: the number its value starts with (none counts as 0); nothing
    // without a CH item.
    std::optional<std::uint32_t> channel;
    std::chrono::milliseconds transferTimeout = kDefaultTransferTimeout; // TMO, in ms

    // Why PORT or TMO cannot be used; empty when both can.
    std::string problem;

    [[nodiscard]] bool HasAddress() const { return busAddress != kNoBusAddress; }
    // The value of the first item with this key (any case); nothing without one.
    [[nodiscard]] std::optional<std::string> Value(std::string_view key) const;
};

[[nodiscard]] SConnection ParseConnection(std::string_view text);

// Without blanks (spaces, tabs, line ends) at either end.
[[nodiscard]] std::string_view TrimmedConnection(std::string_view text);

// The string with the first item of this key given a new value, every other
// item as written; unchanged when there is no such item.
[[nodiscard]] std::string WithItem(std::string_view text, std::string_view key, std::string_view value);

// A decimal TCP port, 1 to 65535.
[[nodiscard]] std::optional<std::uint16_t> ParsePort(std::string_view text);

} // namespace Protocol
