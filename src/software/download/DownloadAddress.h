#pragma once
// The unit address a download names in its commands (the transfer start and
// the destination of the master file's blocks).

#include "link/BusAddress.h"

#include <cstdint>
#include <string>

// On a remote connection the bus address of its connection string; on a local
// one, or when the string names none, the configured address.
[[nodiscard]] std::uint16_t DownloadUnitAddress(bool remote, const std::string& connection,
                                                std::uint16_t configuredAddress);
