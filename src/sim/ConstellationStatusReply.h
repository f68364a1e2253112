#pragma once
// The simulated unit's answer to the constellation status query: how long it
// saw 0, 1, ... 12 satellites over the days it keeps statistics for, their
// total, and its verdict on the antenna installation drawn from them.

#include "sim/ConstellationStatistics.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace sim {

class CUnitModel;

inline constexpr std::uint8_t kOpConstellationStatusQuery = 0x80;
inline constexpr std::uint8_t kOpConstellationStatusReply = 0x81;

inline constexpr std::uint8_t kVerdictGood = 0;
inline constexpr std::uint8_t kVerdictSufficient = 1;
inline constexpr std::uint8_t kVerdictBad = 2;
inline constexpr std::uint8_t kVerdictInitialising = 255;

// Less than this much collected: the unit is still initialising.
inline constexpr std::uint32_t kVerdictMinimumSeconds = 86400;

struct ConstellationStatus {
    std::uint8_t verdict = kVerdictInitialising;
    std::array<std::uint32_t, kSatelliteCounts> seconds{}; // by number of satellites seen
    std::uint32_t total = 0;
};

// Sums the day records and judges them: at most 1 % of the time with fewer
// than four satellites is good, at most 10 % sufficient, more is bad.
[[nodiscard]] ConstellationStatus SummariseConstellation(std::span<const DayRecord> records);

// A verdict every unit reports instead of its own (tests); nothing: judged.
// The simulator program takes it from QORA_SIM_CONSTELLATION_VERDICT.
void SetConstellationVerdictOverride(std::optional<std::uint8_t> verdict);

// 0x53 0x80 0x00 0x00 -> 0x54 0x81 status verdict, 13 durations, total
// (big-endian); a negative acknowledgement for a malformed query.
void AnswerConstellationStatusQuery(const CUnitModel* unit, std::span<const std::uint8_t> request,
                                    std::vector<std::uint8_t>& reply);

} // namespace sim
