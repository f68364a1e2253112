#pragma once
// The items of a connection string that the link itself uses, as
// Protocol::ParseConnection reads them. Items the link does not know are for
// the far end and are passed on untouched.

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

inline constexpr std::chrono::milliseconds kRksDefaultTransferTimeout{5000}; // Protocol::kDefaultTransferTimeout

struct RksConnectionParams {
    std::string host;                  // HOST; empty when absent
    std::optional<std::uint16_t> port; // PORT
    std::chrono::milliseconds transferTimeout = kRksDefaultTransferTimeout; // TMO, in ms
};

// nullopt when PORT or TMO is present but not a valid number; `problem`, when
// given, then names the item. When a key appears more than once, its first
// item counts.
[[nodiscard]] std::optional<RksConnectionParams> RksParseConnectionString(std::string_view text,
                                                                        std::string* problem = nullptr);

// Without blanks (spaces, tabs, line ends) at either end.
[[nodiscard]] std::string_view RksTrimmed(std::string_view text);

// A decimal TCP port, 1 to 65535.
[[nodiscard]] std::optional<std::uint16_t> RksParsePort(std::string_view text);
