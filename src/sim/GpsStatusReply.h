#pragma once
// The simulated unit's answer to the GPS status query (service opcode 0x66,
// answered 0x67): the GPS time of day, the position and the twelve receiver
// channels of the site's sky, each channel's C/No following its satellite's
// elevation. The constellation log reads only the position at the front.

#include <cstdint>
#include <span>
#include <vector>

namespace sim {

class CUnitModel;

inline constexpr std::size_t kGpsStatusReplyBytes = 152;

// C/No in dBHz for a satellite this high; channels below 30 dBHz are reported
// as not used in the fix.
[[nodiscard]] int CNoForElevation(double elevationDegrees);

// 0x53 0x66 0x00 0x00 -> 0x54 0x67 0x00 hour minute second 0 0, altitude,
// latitude, longitude (32 bits each), then per channel satellite numbers,
// C/No, states (bit 0: used) and elevations and azimuths (32 bits, 1e-7
// degree). A negative acknowledgement for a malformed query.
void AnswerGpsStatusQuery(const CUnitModel* unit, std::span<const std::uint8_t> request,
                          std::vector<std::uint8_t>& reply);

// The time the sky is read at (tests); an empty function restores the host's clock.
void SetGpsStatusClock(std::int64_t (*clock)());

} // namespace sim
