#pragma once
// Requests and replies of the parameter class that every data group shares:
// the read request, and the read reply's envelope (identifier, length byte,
// status and the value).

#include "protocol/Decoded.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace Protocol {

// 0x84, the group's addressing byte, read, 0x01, 0x00, the identifier.
[[nodiscard]] std::vector<std::uint8_t> ReadRequest(std::uint8_t address, std::uint16_t id);

struct SReadReply {
    static constexpr std::size_t kIdAt = 5;
    static constexpr std::size_t kLengthAt = 7;
    static constexpr std::size_t kStatusAt = 8;
    static constexpr std::size_t kValueAt = 9;
    static constexpr std::size_t kLengthBias = 5; // the length byte counts from the identifier on

    std::uint8_t address = 0;
    std::uint16_t id = 0;
    std::uint8_t lengthByte = 0;
    std::uint8_t status = 0;
    Bytes value; // from kValueAt to the end of the reply
    // The whole reply is as long as its length byte says.
    bool lengthAgrees = false;
};

// The envelope of a read reply (class 0x84, opcode read reply); nothing when
// the message is another kind or too short for its status byte.
[[nodiscard]] std::optional<SReadReply> ReadReplyOf(Bytes reply);

} // namespace Protocol
