#pragma once
// The names of the unit's two firmware banks, and the answer to an activation.

#include "protocol/Decoded.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace Protocol {

struct SFirmwareNames {
    static constexpr std::size_t kNameField = 16; // a zero-terminated text of at most 15 characters
    static constexpr std::size_t kActiveNameAt = 5;
    static constexpr std::size_t kInactiveNameAt = kActiveNameAt + kNameField;

    // Empty: the bank is empty. Nothing: the unit sent a state other than
    // "present" or "empty", which tells nothing about the bank.
    std::optional<std::string> active;
    std::optional<std::string> inactive;
};

[[nodiscard]] std::vector<std::uint8_t> FirmwareNamesRequest();

// Nothing when the message is not a names reply, is cut short, or a present
// name has no terminator within its field.
[[nodiscard]] std::optional<SFirmwareNames> FirmwareNamesOf(Bytes reply);

// 0x86, 0x0C, activate, the name's length with its terminator, the name, 0;
// nothing when the name is too long for the length byte.
[[nodiscard]] std::optional<std::vector<std::uint8_t>> ActivateRequest(const std::string& name);

// The unit's result code of an activation (0: activated); nothing when the
// message is not an activation reply or is cut short.
[[nodiscard]] std::optional<std::uint16_t> ActivateResultOf(Bytes reply);

// The reset request (a unit command); the unit restarts after it.
[[nodiscard]] std::vector<std::uint8_t> ResetRequest();

} // namespace Protocol
