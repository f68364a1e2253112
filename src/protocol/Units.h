#pragma once
// Small unit types for the values the unit reports, so that a value in one
// unit cannot be passed where another is meant. Each keeps the number the
// unit sent (no rounding on the way in) and converts on request. A quantity
// that can be missing says so through Known() or std::optional, never through
// a magic number the reader has to know.

#include <cmath>
#include <cstdint>
#include <limits>

namespace Protocol {

inline constexpr double kUnknown = std::numeric_limits<double>::quiet_NaN();

struct Degrees {
    double value = kUnknown;
    [[nodiscard]] bool Known() const { return !std::isnan(value); }
};

struct Metres {
    double value = kUnknown;
    [[nodiscard]] bool Known() const { return !std::isnan(value); }
};

// Carrier-to-noise density.
struct DbHz {
    int value = 0;
};

struct Seconds {
    std::uint32_t value = 0;
};

struct Milliseconds {
    std::uint64_t value = 0;
};

// An altitude as the unit sends it, in whole centimetres.
struct Centimetres {
    std::int32_t value = 0;
    [[nodiscard]] Metres InMetres() const { return {double(value) / 100.0}; }
};

// An elevation or azimuth as the unit sends it, in 1e-7 degree, never below
// zero. The unit sends 0 for an angle it does not know.
struct DegreesE7 {
    std::uint32_t value = 0;
    [[nodiscard]] bool Known() const { return value != 0; }
    [[nodiscard]] Degrees InDegrees() const { return {Known() ? double(value) / 1e7 : kUnknown}; }
};

// A latitude or longitude in the unit's packed form: the decimal digits
// DDDMMSSmmm of the magnitude are degrees, minutes, seconds and thousandths of
// a second; negative is south or west.
struct PackedAngle {
    std::int32_t packed = 0;

    struct Parts {
        bool negative = false;
        long long degrees = 0, minutes = 0, seconds = 0, thousandths = 0;
    };
    [[nodiscard]] Parts Split() const
    {
        // Widened first: the most negative value has no 32-bit magnitude.
        const long long v = packed < 0 ? -static_cast<long long>(packed) : static_cast<long long>(packed);
        return {packed < 0, v / 10000000, (v / 100000) % 100, (v / 1000) % 100, v % 1000};
    }
    [[nodiscard]] Degrees InDegrees() const
    {
        const Parts p = Split();
        const double degrees = double(p.degrees) + double(p.minutes) / 60.0 + double(p.seconds) / 3600.0 +
                               double(p.thousandths) / 3600000.0;
        return {p.negative ? -degrees : degrees};
    }
};

} // namespace Protocol
