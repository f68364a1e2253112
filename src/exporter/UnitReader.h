#pragma once
// Reads one unit for a probe. The exporter's only way to a unit, so that tests
// can put a reader of their own in its place.

#include "exporter/UnitReading.h"

#include <chrono>
#include <string>

class IUnitReader {
public:
    using Clock = std::chrono::steady_clock;
    virtual ~IUnitReader() = default;
    // Reads the unit of `connection` and returns by `deadline` (give or take
    // a few tens of milliseconds) with what it has by then. Called from many
    // threads at once, each with a unit of its own.
    [[nodiscard]] virtual SUnitReading Read(const std::string& connection, Clock::time_point deadline) = 0;
};
