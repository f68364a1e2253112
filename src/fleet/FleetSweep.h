#pragma once
// Reads many units at once: a bounded pool of worker threads, each unit read
// through a link made for it alone (FleetUnitReader.h). Results come back in
// the order of the connection strings.

#include "fleet/FleetUnitReader.h"

#include <atomic>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

inline constexpr int kFleetDefaultJobs = 16;
inline constexpr int kFleetMaxJobs = 1024;

using FleetLinkMaker = std::function<std::unique_ptr<IRksLink>()>;

struct SFleetSweepOptions {
    int jobs = kFleetDefaultJobs; // connections at once, 1 to kFleetMaxJobs
    // Makes one link per unit; it is called from the workers, so it must be
    // safe to call from several threads at once.
    FleetLinkMaker makeLink;
    // Counts the units read so far, for a progress display on another thread.
    std::atomic<std::size_t>* done = nullptr;
    // Once set, no further unit is started; units being read finish. Units
    // never started come back unreachable with the reason "not read".
    const std::atomic<bool>* stop = nullptr;
    // Called on the worker with each unit's index and replies as soon as it
    // is read, so that a display can fill in while the sweep runs.
    std::function<void(std::size_t, const SFleetUnitReplies&)> unitRead;
};

// Blocks until every unit has been read. `requests` is only read.
[[nodiscard]] std::vector<SFleetUnitReplies> SweepFleet(const std::vector<std::string>& connections,
                                                        const std::vector<CDeviceMessage>& requests,
                                                        const SFleetSweepOptions& options);
