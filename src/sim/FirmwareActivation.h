#pragma once
// The software activation requests on the null route: reading the two bank
// names and activating the inactive bank.

#include "sim/FirmwareBanks.h"

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace sim {

inline constexpr std::uint8_t kOpReadBanks = 0x84;
inline constexpr std::uint8_t kOpReadBanksReply = 0x85;
// Activation shares its opcodes with the reset (kOpReset, kOpResetReply).

// The reset is 53 77 00 00; an activation carries a name length there.
[[nodiscard]] bool IsResetRequest(std::span<const std::uint8_t> request);

// 53 84 00 00 -> 54 85 states names; false (nothing appended) when malformed.
bool AnswerBankNames(const CFirmwareBanks& banks, std::span<const std::uint8_t> request,
                     std::vector<std::uint8_t>& reply);

// 53 77 n+1 name[n] 00 -> 54 78 result16. nullopt (nothing appended) when
// malformed; otherwise whether the activation was accepted (and, with `swap`,
// the banks swapped). A forced result other than 0 is answered instead and
// changes nothing.
std::optional<bool> AnswerActivation(CFirmwareBanks& banks, std::optional<std::uint16_t> forcedResult,
                                     std::span<const std::uint8_t> request, std::vector<std::uint8_t>& reply,
                                     bool swap = true);

} // namespace sim
