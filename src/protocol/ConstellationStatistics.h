#pragma once
// The constellation statistics reply: how long the receiver saw 0, 1, ... 12
// satellites, the total time, and the unit's verdict on the antenna.

#include "protocol/Decoded.h"
#include "protocol/Units.h"

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace Protocol {

struct SConstellationStatistics {
    static constexpr int kRows = 13; // 0 to 12 visible satellites
    static constexpr std::int32_t kVerdictGood = 0;
    static constexpr std::int32_t kVerdictSufficient = 1;
    static constexpr std::int32_t kVerdictBad = 2;
    static constexpr std::int32_t kVerdictInitialising = 255;
    static constexpr std::int32_t kNoVerdict = -1;
    static constexpr std::size_t kReplyLength = 61;

    std::array<std::uint32_t, kRows> durations{}; // seconds, by number of satellites seen
    // 0 good, 1 sufficient, 2 bad, 255 initialising; kNoVerdict when nothing is known.
    std::int32_t verdict = kNoVerdict;
    std::uint32_t total = 0; // seconds

    [[nodiscard]] Seconds Duration(int satellites) const { return {durations.at(std::size_t(satellites))}; }
    [[nodiscard]] Seconds Total() const { return {total}; }
    [[nodiscard]] bool VerdictKnown() const { return verdict != kNoVerdict; }
};

[[nodiscard]] std::vector<std::uint8_t> ConstellationStatisticsRequest();

// The verdict is stored from any reply that carries one, even one whose status
// is not 0 (Refused); the durations and the total only with status 0, as far
// as the reply goes (Cut keeps what was read).
Decoded DecodeConstellationStatistics(Bytes reply, SConstellationStatistics& into);

// The statistics from a whole reply with status 0 only.
[[nodiscard]] std::optional<SConstellationStatistics> ConstellationStatisticsOf(Bytes reply);

} // namespace Protocol
