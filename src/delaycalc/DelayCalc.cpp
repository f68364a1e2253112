#include "delaycalc/DelayCalc.h"

#include <array>
#include <cmath>
#include <limits>

namespace delaycalc {
namespace {
// Nominal factors as the makers state them.
constexpr std::array<CableType, 13> kCables{{
    {"RG-58 (solid PE)", 0.66},
    {"RG-58 (foam PE)", 0.78},
    {"RG-59 (solid PE)", 0.66},
    {"RG-6 (foam PE)", 0.85},
    {"RG-213 (solid PE)", 0.66},
    {"RG-8X (foam PE)", 0.82},
    {"LMR-240", 0.84},
    {"LMR-400", 0.85},
    {"LMR-600", 0.87},
    {"1/2\" foam heliax (LDF4-50A)", 0.88},
    {"7/8\" foam heliax (LDF5-50A)", 0.89},
    {"Cat 5e / Cat 6 twisted pair", 0.64},
    {"Other", 0.0},
}};
} // namespace

std::span<const CableType> CableTable()
{
    return kCables;
}

int OtherCableIndex()
{
    return static_cast<int>(kCables.size()) - 1;
}

DelayInputs DefaultInputs()
{
    DelayInputs inputs;
    inputs.cableIndex = 0;
    inputs.velocityFactor = kCables[0].velocityFactor;
    return inputs;
}

double LengthInMetres(double length, LengthUnit unit)
{
    return unit == LengthUnit::Feet ? length * kMetresPerFoot : length;
}

double ConvertLength(double length, LengthUnit from, LengthUnit to)
{
    if (from == to)
        return length;
    return to == LengthUnit::Feet ? length / kMetresPerFoot : length * kMetresPerFoot;
}

bool InputsValid(const DelayInputs& in)
{
    const auto finiteNonNegative = [](double v) { return std::isfinite(v) && v >= 0.0; };
    return std::isfinite(in.velocityFactor) && in.velocityFactor >= kMinVelocityFactor &&
           in.velocityFactor <= kMaxVelocityFactor && finiteNonNegative(in.length) &&
           finiteNonNegative(in.antennaElectronicsNs) && finiteNonNegative(in.arresterNs) &&
           finiteNonNegative(in.splitterNs) && finiteNonNegative(in.connectorsNs);
}

double DelayNs(const DelayInputs& in)
{
    const double cable = LengthInMetres(in.length, in.unit) / (in.velocityFactor * kSpeedOfLightMetresPerNs);
    return cable + in.antennaElectronicsNs + in.arresterNs + in.splitterNs + in.connectorsNs;
}

std::int32_t RoundedDelayNs(double delayNs)
{
    const double rounded = std::round(delayNs);
    if (!(rounded >= 0.0))
        return 0;
    if (rounded >= static_cast<double>(std::numeric_limits<std::int32_t>::max()))
        return std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(rounded);
}

} // namespace delaycalc
