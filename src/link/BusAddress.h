#pragma once
// The unit's bus address named by a connection string.

#include "protocol/Connection.h"

#include <cstdint>
#include <string>

inline constexpr std::uint16_t kNoBusAddress = Protocol::kNoBusAddress;

// The bus address a connection string names (its ADDR item, see
// Protocol::SConnection). kNoBusAddress when there is no ADDR item or it holds
// no address below 0xFFFF.
[[nodiscard]] std::uint16_t ConnectionBusAddress(const std::string& connection);
