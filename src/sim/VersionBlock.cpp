#include "sim/VersionBlock.h"

namespace sim {

FirmwareVersions VersionsOf(const std::string& name)
{
    if (name.empty())
        return {};
    // A firmware release carries all three parts; they are known by its name.
    const std::string release = name.substr(0, name.rfind('.'));
    return {"FPGA " + release, "GPS " + release, name};
}

std::vector<std::uint8_t> VersionBlock(const UnitSeed& seed, const CFirmwareBanks& banks, const std::string& serialNumber)
{
    const std::string serial = serialNumber.empty() ? "QSIM" + std::to_string(seed.q1Address) : serialNumber;
    const FirmwareVersions active = VersionsOf(banks.Active());
    const FirmwareVersions inactive = VersionsOf(banks.Inactive());
    return TextFields({
        {16, "QORA-2 R1A"},
        {12, "HW2 R3B"},
        {16, serial},
        {20, active.fpga},
        {20, inactive.fpga},
        {20, active.gps},
        {20, inactive.gps},
        {20, active.software},
        {20, inactive.software},
    });
}

} // namespace sim
