#pragma once
// The unit's bus address named by a connection string.

#include <cstdint>
#include <string>

inline constexpr std::uint16_t kNoBusAddress = 0xFFFF;

// The bus address a connection string names: the decimal number after its
// "ADDR=", up to the next "," or the end and at most five digits. kNoBusAddress
// when there is no "ADDR=" or what follows it is no address below 0xFFFF.
[[nodiscard]] std::uint16_t ConnectionBusAddress(const std::string& connection);
