#pragma once
// What the command-line companion says about the link: why a connection
// could not be made, and how a restart that the unit did not answer is told
// apart from one it refused.

#include "link/LinkFailure.h"
#include "protocol/Vocabulary.h"

#include <cstdint>
#include <string>
#include <vector>

class CCommHandler;

// Said when a reset (or an activation, which restarts the unit) went out and
// no answer came: the unit may well have gone down on it, as it should.
inline constexpr const char* kUnansweredRestartText =
    "reset requested; the unit did not answer (it may already be restarting)";

// "cannot connect: REASON (connection string: ...)", the reason as the link
// knows it.
[[nodiscard]] std::string CannotConnectText(const std::string& connection, const SLinkFailure& failure);

// True when the request with this packed header (class << 16 | address << 8
// | opcode) failed without an answer from the unit: no reply in time, result
// 2, or the connection broke.
[[nodiscard]] bool UnansweredRequest(const CCommHandler& handler, std::uint32_t header);

// A reply to the unit reset that refuses it: a negative acknowledgement, or a
// reset reply whose status is not 0.
[[nodiscard]] bool ResetRefused(const std::vector<std::uint8_t>& reply);

// The packed headers of the two requests after which the unit restarts.
inline constexpr std::uint32_t kResetHeader =
    std::uint32_t(Protocol::Class::kUnitCommand) << 16 | Protocol::Address::kReset << 8 | Protocol::Op::kActivate;
inline constexpr std::uint32_t kActivateHeader =
    std::uint32_t(Protocol::Class::kUnitCommand) << 16 | Protocol::Address::kActivation << 8 | Protocol::Op::kActivate;
