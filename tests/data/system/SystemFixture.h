#pragma once
// The system and user groups (or their dialogs) against a communication
// handler whose driver never sends: the test takes the requests from the send
// queue and plays the unit's replies.

#include "support/PlayedUnit.h"

#include <gtest/gtest.h>

#include <string>

namespace systest {

using Bytes = std::vector<std::uint8_t>;

inline Bytes ReadRequest(std::uint8_t address, std::uint16_t id)
{
    return {0x84, address, 0x17, 0x01, 0x00, std::uint8_t(id >> 8), std::uint8_t(id)};
}

inline Bytes ReadReply(std::uint8_t address, std::uint16_t id, const Bytes& value, std::uint8_t status = 0)
{
    Bytes reply{0x84, address, 0x18, 0x01, 0x00, std::uint8_t(id >> 8), std::uint8_t(id),
                std::uint8_t(value.size() + 4), status};
    reply.insert(reply.end(), value.begin(), value.end());
    return reply;
}

inline Bytes TextReply(std::uint16_t id, const std::string& text)
{
    Bytes value(text.begin(), text.end());
    value.push_back(0);
    return ReadReply(8, id, value);
}

inline Bytes WriteReply(std::uint8_t address, std::uint16_t id, std::uint8_t status = 0)
{
    return {0x84, address, 0x06, std::uint8_t(id >> 8), std::uint8_t(id), status};
}

using SystemFixture = PlayedUnitTest;

} // namespace systest
