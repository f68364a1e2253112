#pragma once
// Hex text for requests typed by the engineer and replies printed back.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

// Hex digits, optionally separated by ':', '-', '.' or '_'; nothing when the
// text holds anything else or an odd number of digits.
std::optional<std::vector<std::uint8_t>> ParseHex(const std::string& text);
// Lower case, no separators.
std::string FormatHex(std::span<const std::uint8_t> bytes);
