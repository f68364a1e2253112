#pragma once
// The cable delay calculator: the time a signal needs along a cable run, from
// the cable's velocity factor and length, plus the fixed delays of the parts
// on the way (antenna electronics, lightning arrester, splitter, connectors).
//
//   delay = length / (velocity factor x c) + fixed parts
//
// Widget-free; the dialog of DelayCalcDlg.h and the two entry points below
// put a face on it.

#include <QString>

#include <cstdint>
#include <span>

namespace delaycalc {

inline constexpr double kSpeedOfLightMetresPerNs = 0.299792458;
inline constexpr double kMetresPerFoot = 0.3048;
inline constexpr double kMinVelocityFactor = 0.05;
inline constexpr double kMaxVelocityFactor = 1.0;

struct CableType {
    const char* name;
    double velocityFactor;
};

// Common coaxial and data cables, the last row "Other" for a typed factor.
[[nodiscard]] std::span<const CableType> CableTable();
[[nodiscard]] int OtherCableIndex();

enum class LengthUnit : std::uint8_t { Metres, Feet };

struct DelayInputs {
    int cableIndex = 0;              // row of CableTable()
    double velocityFactor = 0.0;     // the row's factor, or the typed one for "Other"
    double length = 0.0;             // in `unit`
    LengthUnit unit = LengthUnit::Metres;
    double antennaElectronicsNs = 0.0;
    double arresterNs = 0.0;
    double splitterNs = 0.0;
    double connectorsNs = 0.0;
};

// The inputs a first call starts from: the first cable, nothing else.
[[nodiscard]] DelayInputs DefaultInputs();

[[nodiscard]] double LengthInMetres(double length, LengthUnit unit);
// The same length in the other unit (switching the unit keeps the run).
[[nodiscard]] double ConvertLength(double length, LengthUnit from, LengthUnit to);

// The delay in ns; nothing when the inputs describe no cable (a factor out of
// range, a negative length or part delay).
[[nodiscard]] bool InputsValid(const DelayInputs& inputs);
[[nodiscard]] double DelayNs(const DelayInputs& inputs);
// Whole nanoseconds, rounded to nearest, within 32 bits.
[[nodiscard]] std::int32_t RoundedDelayNs(double delayNs);

// What the fields that take a calculated delay accept, in ns: the wizard's
// "GPS Antenna Delay:" and "Frame Clock Delay:".
inline constexpr std::int32_t kGpsAntennaDelayFieldMax = 65535;
inline constexpr std::int32_t kFrameClockDelayFieldMax = 4800;

} // namespace delaycalc

// The records the commissioning wizard hands over: the delay first, then the
// inputs that produced it, so the next call starts from them.
struct GpsAntennaDelayParam {
    std::int32_t delayNs = 0;
    delaycalc::DelayInputs inputs = delaycalc::DefaultInputs();
};

struct FrameClockDelayParam {
    std::int32_t delayNs = 0;
    delaycalc::DelayInputs inputs = delaycalc::DefaultInputs();
};

// Open the calculator for the GPS antenna cable or the frame clock cable.
// 1 when the user computed a delay (the record holds it and its inputs);
// 0 when cancelled, the record unchanged. A delay beyond what its field takes
// is refused in the calculator, which stays open for another length.
std::int32_t ShowKestrin(GpsAntennaDelayParam& param);
std::int32_t FClkKestrin(FrameClockDelayParam& param);
