#pragma once
// The requests of one commissioning as the tool's link hands them to a unit,
// with the commissioning block laid out field by field at its offsets.

#include <cstdint>
#include <string>
#include <vector>

namespace simtest {

using CBytes = std::vector<std::uint8_t>;

inline const CBytes kOpenCommissioning = {0x53, 0x01, 0x00, 0x01};
inline const CBytes kCloseCommissioning = {0x53, 0x01, 0x00, 0x00};
inline const CBytes kResetRequest = {0x53, 0x77, 0x00, 0x00};
inline const CBytes kGpsStatusQuery = {0x53, 0x66, 0x00, 0x00};

struct BlockFields {
    std::string ip = "10.20.30.40";
    std::string mask = "255.255.255.0";
    std::string gateway = "10.20.30.1";
    std::uint8_t relay = 0;
    std::uint8_t onePps = 1;
    std::int32_t latitude = 605000000;  // 60.5 N
    std::int32_t longitude = -2500000;  // 0.25 W
    std::int32_t altitude = 12345;
    std::uint8_t mode = 1;
    std::int32_t antennaDelay = 150;
    std::uint16_t frameDelay = 800;
    std::uint16_t frameDelayAgain = 800;
    std::uint16_t speed = 9;
    std::uint16_t q1 = 200;
    std::uint32_t remote = 0;
};

inline void PutAt(CBytes& b, std::size_t at, std::uint32_t value, std::size_t size)
{
    for (std::size_t i = 0; i < size; ++i)
        b[at + i] = std::uint8_t(value >> (8 * (size - 1 - i)));
}

inline void PutText(CBytes& b, std::size_t at, const std::string& text)
{
    for (std::size_t i = 0; i < text.size() && at + i < b.size(); ++i)
        b[at + i] = std::uint8_t(text[i]);
}

inline CBytes Block(const BlockFields& f = {})
{
    CBytes b(88, 0);
    PutText(b, 0, f.ip);
    PutText(b, 16, f.mask);
    PutText(b, 32, f.gateway);
    b[48] = f.relay;
    b[49] = f.onePps;
    PutAt(b, 52, std::uint32_t(f.latitude), 4);
    PutAt(b, 56, std::uint32_t(f.longitude), 4);
    PutAt(b, 60, std::uint32_t(f.altitude), 4);
    b[64] = f.mode;
    PutAt(b, 68, std::uint32_t(f.antennaDelay), 4);
    PutAt(b, 72, f.frameDelay, 2);
    PutAt(b, 74, f.frameDelayAgain, 2);
    PutAt(b, 76, f.speed, 2);
    PutAt(b, 80, f.q1, 2);
    PutAt(b, 84, f.remote, 4);
    return b;
}

// Empty name, comments and actions, dated 7 March 2009: 18 bytes.
inline const CBytes kUserBlock = {1, 11, 1, 1, 0, '2', '0', '0', '9', '/', '0', '3', '/', '0', '7', 0, 0, 0};

inline CBytes WriteOf(std::uint16_t id, const CBytes& value)
{
    CBytes r = {0x53, 0x53, std::uint8_t(id >> 8), std::uint8_t(id), std::uint8_t(value.size())};
    r.insert(r.end(), value.begin(), value.end());
    return r;
}

inline CBytes ReadOf(std::uint16_t id)
{
    return {0x53, 0x54, 0x01, 0x00, std::uint8_t(id >> 8), std::uint8_t(id)};
}

inline CBytes CommandReply(std::uint8_t argument, std::uint8_t status)
{
    return {0x54, 0x02, 0x00, argument, status};
}

inline CBytes WriteReply(std::uint16_t id, std::uint8_t status)
{
    return {0x54, 0x56, std::uint8_t(id >> 8), std::uint8_t(id), status};
}

} // namespace simtest
