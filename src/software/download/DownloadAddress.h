#pragma once
// The unit address a download names in its commands (the transfer start and
// the destination of the master file's blocks).

#include <cstdint>
#include <string>

inline constexpr std::uint16_t kNoBusAddress = 0xFFFF;

// The bus address a connection string names: the decimal number after its
// "ADDR=", up to the next "," or the end and at most five digits. kNoBusAddress
// when there is no "ADDR=" or what follows it is no address below 0xFFFF.
[[nodiscard]] std::uint16_t ConnectionBusAddress(const std::string& connection);

// On a remote connection the bus address of its connection string; on a local
// one, or when the string names none, the configured address.
[[nodiscard]] std::uint16_t DownloadUnitAddress(bool remote, const std::string& connection,
                                                std::uint16_t configuredAddress);
