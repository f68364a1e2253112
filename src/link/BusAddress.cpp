#include "link/BusAddress.h"

std::uint16_t ConnectionBusAddress(const std::string& connection)
{
    return Protocol::ParseConnection(connection).busAddress;
}
