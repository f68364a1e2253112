#pragma once
// A catalog with writable parameters and commands, for the request handling
// paths the built-in catalog does not reach yet.

#include "sim/ParameterTable.h"
#include "sim/UnitModel.h"

#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace simtest {

inline int g_resets = 0;

inline std::uint8_t RefuseZeroFirstByte(std::span<const std::uint8_t> value)
{
    return value.empty() || value[0] == 0 ? 3 : 0;
}

inline std::uint8_t CountReset(sim::CUnitModel&)
{
    ++g_resets;
    return 0;
}

inline std::vector<std::uint8_t> FourBytes(const sim::UnitSeed&)
{
    return {0x00, 0x0A, 0x0D, 0xD4};
}

inline const std::array<sim::ParameterDescriptor, 4> kTestParameters = {{
    {0x9004, "version block", 164, 164, sim::Access::ReadOnly,
     sim::DefaultCatalog().FindParameter(0x9004)->makeDefault, nullptr},
    {0xC005, "fixed", 4, 4, sim::Access::ReadWrite, FourBytes, nullptr},
    {0x9002, "variable", 4, 247, sim::Access::ReadWrite, nullptr, nullptr},
    {0xB002, "checked", 2, 2, sim::Access::ReadWrite, nullptr, RefuseZeroFirstByte},
}};

inline const std::array<sim::CommandDescriptor, 2> kTestCommands = {{
    {0x0001, "plain", nullptr},
    {0x0102, "reset", CountReset},
}};

inline const sim::UnitCatalog& TestCatalog()
{
    static const sim::UnitCatalog catalog{kTestParameters, kTestCommands};
    return catalog;
}

} // namespace simtest
