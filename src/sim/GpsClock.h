#pragma once
// The simulated unit's GPS receiver as the tool sees it: the date-and-time
// query (service opcode 0x65, answered 0x69) and the position block 0xC001.
// What they answer is set once for the whole simulator, from its options.

#include <QString>

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace sim {

inline constexpr std::uint8_t kOpGpsDateTime = 0x65;
inline constexpr std::uint8_t kOpGpsDateTimeReply = 0x69;
inline constexpr std::uint16_t kGpsPositionId = 0xC001;

// A date and time exactly as the unit reports them; not necessarily a valid date.
struct GpsClockReading {
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
};

struct GpsSetup {
    // Fixed answer of the date-and-time query; unset: the host's UTC clock.
    std::optional<GpsClockReading> fixedTime;
    std::int32_t latitude = 593293500;  // 59.32935 degrees north, 1e-7 degree
    std::int32_t longitude = 180686000; // 18.0686 degrees east
    std::int32_t altitudeCm = 2850;
    std::uint8_t mode = 0; // 1: stored position used as surveyed position
};

// The setup every unit of this simulator answers with.
void SetGpsSetup(const GpsSetup& setup);
[[nodiscard]] const GpsSetup& CurrentGpsSetup();

// "YYYY-MM-DD HH:MM:SS" (or with 'T'); each number only has to fit its reply
// byte (the year 16 bits), so impossible dates such as month 0 can be given.
[[nodiscard]] std::optional<GpsClockReading> ParseGpsTime(const QString& text);
// "LAT,LON,ALT_CM": degrees as decimals (south and west negative), altitude in cm.
[[nodiscard]] bool ParseGpsPosition(const QString& text, GpsSetup& setup);

// The date and time the unit reports now.
[[nodiscard]] GpsClockReading ReadGpsClock();

// 0x53 0x65 b2 b3 -> 0x54 0x69 day month yearH yearL hour minute second;
// false (nothing appended) for a request of another length.
bool AnswerGpsDateTime(std::span<const std::uint8_t> request, std::vector<std::uint8_t>& reply);

// The 0xC001 value: latitude, longitude, altitude (big-endian 32 bits), mode.
[[nodiscard]] std::vector<std::uint8_t> GpsPositionValue(const GpsSetup& setup);

} // namespace sim
