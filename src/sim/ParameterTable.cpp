#include "sim/ParameterTable.h"

#include "sim/CommissioningBlock.h"
#include "sim/FirmwareOptions.h"
#include "sim/GpsClock.h"
#include "sim/VersionBlock.h"
#include "sim/WriteEffects.h"

#include <algorithm>
#include <string>

namespace sim {
namespace {

// 0x9004 of a unit with the default banks; the unit keeps it in step with
// its banks (VersionBlock.h).
std::vector<std::uint8_t> DefaultVersionBlock(const UnitSeed& seed)
{
    return VersionBlock(seed, CFirmwareBanks(kDefaultActiveFirmware, kDefaultInactiveFirmware));
}

// 0xC001, the GPS position block: latitude, longitude, altitude, mode, as
// the simulator's options set them.
std::vector<std::uint8_t> DefaultGpsPosition(const UnitSeed&)
{
    return GpsPositionValue(CurrentGpsSetup());
}

// 0xC002: a byte the tool does not use, the frame number offset and the time
// slot offset.
std::vector<std::uint8_t> DefaultOffsets(const UnitSeed&)
{
    return {0x00, 7, 3};
}

// 0xB002: last Q1 device on the chain (yes), external clock output in 1PPS
// mode (no), two reserved bytes. The tool writes the first byte alone.
std::vector<std::uint8_t> DefaultBusOptions(const UnitSeed&)
{
    return {1, 0, 0, 0};
}

constexpr std::uint8_t kStatusBadValue = 2;

std::uint8_t CheckBusOptions(std::span<const std::uint8_t> value)
{
    for (std::size_t i = 0; i < std::min<std::size_t>(value.size(), 2); ++i)
        if (value[i] > 1)
            return kStatusBadValue;
    return 0;
}

// The user texts of a fresh unit: no name, a date, no comments, no actions.
const std::vector<std::uint8_t> (&DefaultUserTexts())[4]
{
    static const std::vector<std::uint8_t> texts[4] = {{}, {'2', '0', '0', '9', '/', '0', '1', '/', '0', '1'}, {}, {}};
    return texts;
}

std::vector<std::uint8_t> DefaultUserBlock(const UnitSeed&)
{
    return MakeUserBlock(DefaultUserTexts());
}

template <std::size_t Index>
std::vector<std::uint8_t> DefaultUserText(const UnitSeed&)
{
    std::vector<std::uint8_t> text = DefaultUserTexts()[Index];
    text.push_back(0);
    return text;
}

// The longest name, date text, comments and actions the unit keeps.
constexpr std::size_t kUserTextLimits[4] = {31, 15, 99, 99};

std::uint8_t CheckUserBlock(std::span<const std::uint8_t> value)
{
    std::vector<std::uint8_t> texts[4];
    if (!SplitUserBlock(value, texts))
        return kStatusBadValue;
    for (std::size_t i = 0; i < 4; ++i)
        if (texts[i].size() > kUserTextLimits[i])
            return kStatusBadValue;
    return 0;
}

// 0xC005, the clock-out timing: fix-lost alarm 10 s, clocks-out alarm
// 3540 s, clock disable 60 s, and a fourth word of 1; big-endian words.
std::vector<std::uint8_t> DefaultClockTiming(const UnitSeed&)
{
    return {0x00, 0x0A, 0x0D, 0xD4, 0x00, 0x3C, 0x00, 0x01};
}

constexpr std::uint8_t kStatusTimingOutOfRange = 2;

std::uint16_t TimingWord(std::span<const std::uint8_t> value, std::size_t at)
{
    return std::uint16_t(value[at] << 8 | value[at + 1]);
}

// The clocks-out alarm lies within 11..3540 s and not before the fix-lost
// alarm; the clock disable time within 0..60 s.
std::uint8_t CheckClockTiming(std::span<const std::uint8_t> value)
{
    const std::uint16_t fixLost = TimingWord(value, 0);
    const std::uint16_t clocksOut = TimingWord(value, 2);
    const std::uint16_t disable = TimingWord(value, 4);
    if (clocksOut < 11 || clocksOut > 3540 || clocksOut < fixLost || disable > 60)
        return kStatusTimingOutOfRange;
    return 0;
}

// 0xC003 and 0xC004, the GPS antenna delay (32 bits) and the frame clock
// delay (16 bits) in ns: nothing compensated until commissioning sets them.
std::vector<std::uint8_t> DefaultAntennaDelay(const UnitSeed&)
{
    return {0, 0, 0, 0};
}

std::vector<std::uint8_t> DefaultFrameClockDelay(const UnitSeed&)
{
    return {0, 0};
}

std::uint8_t CheckFrameClockDelay(std::span<const std::uint8_t> value)
{
    return TimingWord(value, 0) > kMaxFrameClockDelayNs ? kStatusTimingOutOfRange : 0;
}

// 0x9001 before any commissioning: what the unit runs with, as a block.
std::vector<std::uint8_t> DefaultCommissioningBlock(const UnitSeed& seed)
{
    const GpsSetup& gps = CurrentGpsSetup();
    CommissioningSetup setup;
    setup.ip = seed.ip;
    setup.q1Address = seed.q1Address;
    setup.latitude = gps.latitude;
    setup.longitude = gps.longitude;
    setup.altitudeCm = gps.altitudeCm;
    setup.gpsMode = gps.mode;
    return MakeCommissioningBlock(setup);
}

// 0xD002, the address the unit takes firmware images on.
std::vector<std::uint8_t> DefaultMulticastAddress(const UnitSeed&)
{
    return {0x00, 0x83};
}

constexpr ParameterDescriptor kParameters[] = {
    {kCommissioningBlockId, "commissioning block", kCommissioningBlockSize, kCommissioningBlockSize,
     Access::ReadWrite, DefaultCommissioningBlock, CheckCommissioningBlock},
    {kVersionBlockId, "version block", kVersionBlockSize, kVersionBlockSize, Access::ReadOnly, DefaultVersionBlock,
     nullptr},
    {kGpsPositionId, "GPS position", 13, 13, Access::ReadOnly, DefaultGpsPosition, nullptr},
    {kAntennaDelayId, "GPS antenna delay", 4, 4, Access::ReadWrite, DefaultAntennaDelay, nullptr},
    {kFrameClockDelayId, "frame clock delay", 2, 2, Access::ReadWrite, DefaultFrameClockDelay, CheckFrameClockDelay},
    {0xC005, "clock-out timing", 8, 8, Access::ReadWrite, DefaultClockTiming, CheckClockTiming},
    {0xC002, "frame and time slot offsets", 3, 3, Access::ReadOnly, DefaultOffsets, nullptr},
    {kBusOptionsId, "Q1 bus options", 1, 4, Access::ReadWrite, DefaultBusOptions, CheckBusOptions},
    {kUserBlockId, "user information", 8, 251, Access::ReadWrite, DefaultUserBlock, CheckUserBlock},
    {kUserNameId, "user name", 0, 100, Access::ReadOnly, DefaultUserText<0>, nullptr},
    {kUserDateId, "user date", 0, 100, Access::ReadOnly, DefaultUserText<1>, nullptr},
    {kUserCommentsId, "user comments", 0, 100, Access::ReadOnly, DefaultUserText<2>, nullptr},
    {kUserActionsId, "user actions", 0, 100, Access::ReadOnly, DefaultUserText<3>, nullptr},
    {0xD002, "multicast address", 2, 2, Access::ReadOnly, DefaultMulticastAddress, nullptr},
};

// No command is listed yet; rows arrive with the features that send them. The
// commissioning commands 0 and 1 are taken by the unit's commissioning
// bracket (Commissioning.h) on catalogs that have 0x9001.
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
