#pragma once
// A simulated fleet: many more units behind the one gateway, each with its own
// IP address, for sweeps over a whole node directory. A few of them can be
// made to misbehave so that a sweep has something to find.

#include "sim/UnitModel.h"
#include "sim/UnitRegistry.h"

#include <QString>

#include <cstdint>
#include <set>
#include <vector>

namespace sim {

// More units than a node directory may hold make no sense.
inline constexpr std::uint32_t kMaxFleetUnits = 10000;
// Every fleet unit sits at this Q1 address, as on most real sites.
inline constexpr std::uint16_t kFleetQ1Address = 131;
inline constexpr const char* kOldActiveFirmware = "QOR0290.bin";
inline constexpr const char* kOldInactiveFirmware = "QOR0280.bin";
// The image data block at which a unit of --fleet-break-download fails:
// early, so that even a small image breaks mid-transfer.
inline constexpr std::uint32_t kFleetBreakBlock = 2;

struct FleetOptions {
    std::uint32_t count = 0; // 0: no fleet
    // Fleet unit numbers, 1-based, in the order the units are added.
    std::set<std::uint32_t> silent;         // every request to it goes unanswered
    std::set<std::uint32_t> selfTestFailed; // reports a failed self-test
    std::set<std::uint32_t> oldFirmware;    // runs the previous software
    std::set<std::uint32_t> breakDownload;  // every download fails mid-transfer
};

// The IP address of fleet unit `number` (1-based): 10.0.0.1 onwards, never a
// .0 or .255 host.
[[nodiscard]] UnitAddress FleetAddress(std::uint32_t number);

enum class FleetOptionParse { NotMine, Taken, Bad };

// Takes one fleet option. On Bad `error` holds a one-line reason.
[[nodiscard]] FleetOptionParse ParseFleetOption(const QString& name, const QString& value, FleetOptions& options,
                                                QString& error);

// False with a reason when a unit named by a fault option lies beyond the fleet.
[[nodiscard]] bool CheckFleetOptions(const FleetOptions& options, QString& error);

// Adds the fleet's units to `registry`, each behaving as `base` says apart
// from its own faults, with serial number QSIMF00001 onwards and firmware
// files of its own (fleet-<N>-master.bin, ...). False with a reason when an
// address is taken already.
bool AddFleet(CUnitRegistry& registry, const FleetOptions& options, const UnitBehaviour& base, QString& error);

[[nodiscard]] QString FleetHelpText();

} // namespace sim
