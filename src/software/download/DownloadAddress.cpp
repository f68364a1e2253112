#include "software/download/DownloadAddress.h"

std::uint16_t DownloadUnitAddress(bool remote, const std::string& connection, std::uint16_t configuredAddress)
{
    const std::uint16_t named = remote ? ConnectionBusAddress(connection) : kNoBusAddress;
    return named != kNoBusAddress ? named : configuredAddress;
}
