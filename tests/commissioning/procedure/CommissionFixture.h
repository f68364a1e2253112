#pragma once
// The commissioning group against a played unit: the requests it sends and
// the acknowledgements the unit gives.

#include "support/PlayedUnit.h"

#include <QByteArray>

#include <cstdint>
#include <vector>

namespace commtest {

using Bytes = std::vector<std::uint8_t>;

inline constexpr std::uint8_t kAddress = 0x14;

inline Bytes Command(std::uint8_t argument)
{
    return {0x84, kAddress, 0x12, 0x00, argument};
}

inline Bytes CommandAck(std::uint16_t argument, std::uint8_t status = 0)
{
    return {0x84, kAddress, 0x13, std::uint8_t(argument >> 8), std::uint8_t(argument), status};
}

inline Bytes WriteAck(std::uint16_t id, std::uint8_t status = 0)
{
    return {0x84, kAddress, 0x06, std::uint8_t(id >> 8), std::uint8_t(id), status};
}

inline Bytes ToBytes(const QByteArray& bytes)
{
    return Bytes(bytes.begin(), bytes.end());
}

// The write request of a block: 0x84, 0x14, 0x05, identifier, length, value.
inline Bytes WriteRequest(std::uint16_t id, const QByteArray& value)
{
    Bytes request{0x84, kAddress, 0x05, std::uint8_t(id >> 8), std::uint8_t(id), std::uint8_t(value.size())};
    request.insert(request.end(), value.begin(), value.end());
    return request;
}

// The identifier of a block write request, or 0 for anything else.
inline std::uint16_t WrittenId(const Bytes& request)
{
    if (request.size() < 6 || request[2] != 0x05)
        return 0;
    return std::uint16_t(request[3] << 8 | request[4]);
}

} // namespace commtest
