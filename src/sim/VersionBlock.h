#pragma once
// The version block (parameter 0x9004) a unit answers: unit version 16,
// hardware version 12, serial number 16, then the FPGA, GPS software and
// software versions of the active and the inactive bank, 20 bytes each, text
// padded with NULs. The bank versions name the firmware each bank holds, so
// they follow a download and an activation.

#include "sim/FirmwareBanks.h"
#include "sim/ParameterTable.h"

#include <cstdint>
#include <string>
#include <vector>

namespace sim {

inline constexpr std::uint16_t kVersionBlockId = 0x9004;
inline constexpr std::size_t kVersionBlockSize = 164;

// The three version texts of the firmware `name`; all empty for an empty bank.
struct FirmwareVersions {
    std::string fpga;
    std::string gps;
    std::string software;
};
[[nodiscard]] FirmwareVersions VersionsOf(const std::string& name);

// An empty `serialNumber` gives "QSIM" and the unit's Q1 address.
[[nodiscard]] std::vector<std::uint8_t> VersionBlock(const UnitSeed& seed, const CFirmwareBanks& banks,
                                                     const std::string& serialNumber = {});

} // namespace sim
