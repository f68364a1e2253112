#pragma once
// The timing groups (or their dialogs) against a communication handler whose
// driver never sends: the test takes the requests from the send queue and
// plays the unit's replies.

#include "support/PlayedUnit.h"

#include <gtest/gtest.h>

namespace timingtest {

using Bytes = std::vector<std::uint8_t>;

inline Bytes ReadReply(std::uint8_t address, std::uint16_t id, const Bytes& value, std::uint8_t status = 0)
{
    Bytes reply{0x84, address, 0x18, 0x01, 0x00, std::uint8_t(id >> 8), std::uint8_t(id), std::uint8_t(value.size() + 4),
                status};
    reply.insert(reply.end(), value.begin(), value.end());
    return reply;
}
inline Bytes TimingReply(const Bytes& value, std::uint8_t status = 0)
{
    return ReadReply(0x10, 0xC005, value, status);
}
inline Bytes WriteReply(std::uint8_t status, std::uint16_t id = 0xC005)
{
    return {0x84, 0x10, 0x06, std::uint8_t(id >> 8), std::uint8_t(id), status};
}
inline Bytes TimingValue(int fixLost, int clocksOut, int disable, int fourth = 1)
{
    Bytes value;
    for (int word : {fixLost, clocksOut, disable, fourth}) {
        value.push_back(std::uint8_t(word >> 8));
        value.push_back(std::uint8_t(word));
    }
    return value;
}
inline Bytes TimingWrite(const Bytes& value)
{
    Bytes request{0x84, 0x10, 0x05, 0xC0, 0x05, 0x08};
    request.insert(request.end(), value.begin(), value.end());
    return request;
}

inline const Bytes kTimingRead{0x84, 0x10, 0x17, 0x01, 0x00, 0xC0, 0x05};
inline const Bytes kAntennaDelayRead{0x84, 0x06, 0x17, 0x01, 0x00, 0xC0, 0x03};
inline const Bytes kFrameClockDelayRead{0x84, 0x06, 0x17, 0x01, 0x00, 0xC0, 0x04};

using TimingFixture = PlayedUnitTest;

} // namespace timingtest
