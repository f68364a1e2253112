#include "sim/ParameterTable.h"

#include "sim/GpsClock.h"

#include <algorithm>
#include <string>

namespace sim {
namespace {

// 0x9004, the version block: unit version 16, hardware version 12, serial
// number 16, then FPGA, GPS software and software versions, active and
// inactive bank, 20 bytes each.
std::vector<std::uint8_t> DefaultVersionBlock(const UnitSeed& seed)
{
    const std::string serial = "QSIM" + std::to_string(seed.q1Address);
    return TextFields({
        {16, "QORA-2 R1A"},
        {12, "HW2 R3B"},
        {16, serial},
        {20, "FPGA 3.02"},
        {20, "FPGA 3.01"},
        {20, "GPS 2.40"},
        {20, "GPS 2.31"},
        {20, "QORA SW 4.12.0"},
        {20, "QORA SW 4.11.2"},
    });
}

// 0xC001, the GPS position block: latitude, longitude, altitude, mode, as
// the simulator's options set them.
std::vector<std::uint8_t> DefaultGpsPosition(const UnitSeed&)
{
    return GpsPositionValue(CurrentGpsSetup());
}

constexpr ParameterDescriptor kParameters[] = {
    {0x9004, "version block", 164, 164, Access::ReadOnly, DefaultVersionBlock, nullptr},
    {kGpsPositionId, "GPS position", 13, 13, Access::ReadOnly, DefaultGpsPosition, nullptr},
};

// No command is known yet; rows arrive with the features that send them.
constexpr std::span<const CommandDescriptor> kCommands;

} // namespace

const ParameterDescriptor* UnitCatalog::FindParameter(std::uint16_t id) const
{
    const auto it = std::find_if(parameters.begin(), parameters.end(),
                                 [id](const ParameterDescriptor& p) { return p.id == id; });
    return it == parameters.end() ? nullptr : &*it;
}

const CommandDescriptor* UnitCatalog::FindCommand(std::uint16_t id) const
{
    const auto it = std::find_if(commands.begin(), commands.end(),
                                 [id](const CommandDescriptor& c) { return c.id == id; });
    return it == commands.end() ? nullptr : &*it;
}

const UnitCatalog& DefaultCatalog()
{
    static const UnitCatalog catalog{kParameters, kCommands};
    return catalog;
}

std::vector<std::uint8_t>
TextFields(std::initializer_list<std::pair<std::size_t, std::string_view>> fields)
{
    std::vector<std::uint8_t> bytes;
    for (const auto& [width, text] : fields) {
        const std::size_t start = bytes.size();
        bytes.resize(start + width, 0);
        std::copy_n(text.begin(), std::min(width, text.size()), bytes.begin() + std::ptrdiff_t(start));
    }
    return bytes;
}

} // namespace sim
