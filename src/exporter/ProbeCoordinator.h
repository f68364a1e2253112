#pragma once
// Runs the probes: at most a given number of units read at once, and probes
// of one unit that arrive while it is being read wait for that reading
// instead of starting their own. A probe that finds no free place before its
// deadline is refused, so that an overloaded exporter says so instead of
// reporting units as down.

#include "exporter/UnitReader.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>

class CProbeCoordinator {
public:
    using Clock = IUnitReader::Clock;

    CProbeCoordinator(IUnitReader& reader, int maxReadings);

    struct SOutcome {
        std::optional<SUnitReading> reading; // nothing: no place to read before the deadline
        bool shared = false;                 // another probe's reading
    };
    // `key` names the unit (its node); `connection` is read when no reading of
    // that unit is under way.
    [[nodiscard]] SOutcome Probe(const std::string& key, const std::string& connection, Clock::time_point deadline);

    [[nodiscard]] int Reading() const; // units being read now

private:
    struct Pending {
        bool done = false;
        std::optional<SUnitReading> result;
        std::condition_variable finished;
    };

    IUnitReader& reader_;
    const int maxReadings_;
    mutable std::mutex mutex_;
    std::condition_variable placeFreed_;
    int reading_ = 0;
    std::unordered_map<std::string, std::shared_ptr<Pending>> pending_;
};
