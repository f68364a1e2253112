#pragma once
// The simulator's command line.

#include "sim/GpsClock.h"
#include "sim/ConstellationStatistics.h"
#include "sim/FleetOptions.h"
#include "sim/UnitModel.h"
#include "sim/UnitRegistry.h"

#include <QHostAddress>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

namespace sim {

// Faults the gateway injects between the tool and the units.
struct FaultOptions {
    std::uint32_t dropEvery = 0; // 0: never
    double dropProbability = 0.0;
    std::uint64_t seed = 1;
    std::uint32_t delayMs = 0;
    std::uint32_t breakAfter = 0; // 0: never
    bool refuseOpen = false;
    std::uint32_t rebootMs = 3000; // how long a reset unit stays silent
    // How long a unit that answered a reset (or an activation) goes on
    // answering with its old setup before it restarts and applies the new one.
    std::uint32_t restartDelayMs = 0;
    std::uint32_t repeatReplies = 1; // every TRANSFER reply sent this many times
    std::uint32_t strayFrames = 0;   // unsolicited reply frames after each
    // Null-route requests that begin with one of these bytes fail (result 2).
    std::vector<std::vector<std::uint8_t>> failRequests;
};

struct SimOptions {
    QHostAddress listenAddress;
    std::uint16_t listenPort = 0;
    std::vector<UnitAddress> units; // never empty after a successful parse
    QString tracePath;
    QString replayPath; // answer from this recording instead of the units
    QString statePath;
    QString directoryPath; // node directory to write once listening
    UnitBehaviour behaviour; // identity answer and negative acknowledgements
    FaultOptions faults;
    ConstellationOptions constellation; // the units' satellites and their statistics
    GpsSetup gps; // what the units' GPS receivers report
    FleetOptions fleet; // more units, each at its own IP address
    bool help = false;
    bool version = false; // --version: print the release number and end
};

inline constexpr const char* kDefaultUnit = "192.168.255.120:131";

// Parses the arguments that follow the program name. On failure returns false
// with a one-line reason in `error`. A successful parse also makes the
// constellation options those of every unit's statistics. A successful parse also installs the GPS
// setup (SetGpsSetup) that every unit answers with.
[[nodiscard]] bool ParseOptions(const QStringList& arguments, SimOptions& options, QString& error);

[[nodiscard]] QString HelpText();

// 1e-7 degrees as the packed decimal digits DDDMMSSmmm (negative south or west).
[[nodiscard]] std::int32_t PackedAngle(std::int32_t tenMillionths);

} // namespace sim
