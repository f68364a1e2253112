#include "sim/CommissioningBlock.h"

#include <algorithm>
#include <cstdlib>

namespace sim {
namespace {

constexpr std::size_t kDottedField = 16;
constexpr std::int64_t kMaxLatitude = 900000000;   // 90 degrees
constexpr std::int64_t kMaxLongitude = 1800000000; // 180 degrees
constexpr std::uint16_t kLowestSpeedCode = 3;      // 600 baud
constexpr std::uint16_t kHighestSpeedCode = 12;    // 230500 baud
constexpr std::uint16_t kHighestQ1Address = 4095;

std::uint32_t Unsigned(std::span<const std::uint8_t> b, std::size_t at, std::size_t size)
{
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < size; ++i)
        value = (value << 8) | b[at + i];
    return value;
}

std::int32_t Signed32(std::span<const std::uint8_t> b, std::size_t at)
{
    return static_cast<std::int32_t>(Unsigned(b, at, 4));
}

bool AllZero(std::span<const std::uint8_t> b, std::size_t at, std::size_t size)
{
    const auto part = b.subspan(at, size);
    return std::all_of(part.begin(), part.end(), [](std::uint8_t c) { return c == 0; });
}

// The text of a 16-byte field: it must end within the field and be followed
// only by NULs, so that nothing hides behind the terminator. The text is an
// IPv4 address or, for a field of zero bytes only, empty.
std::optional<std::string> DottedField(std::span<const std::uint8_t> b, std::size_t at)
{
    const auto field = b.subspan(at, kDottedField);
    const auto nul = std::find(field.begin(), field.end(), 0);
    if (nul == field.end() || !std::all_of(nul, field.end(), [](std::uint8_t c) { return c == 0; }))
        return std::nullopt;
    std::string text(field.begin(), nul);
    if (!text.empty() && !ParseDottedIpv4(text))
        return std::nullopt;
    return text;
}

std::uint32_t Word(const std::array<std::uint8_t, 4>& a)
{
    return (std::uint32_t(a[0]) << 24) | (std::uint32_t(a[1]) << 16) | (std::uint32_t(a[2]) << 8) | a[3];
}

// A mask of leading ones and its address's host part neither all zeros (the
// network) nor all ones (the broadcast).
bool UsableAddress(const std::string& ip, const std::string& mask)
{
    const std::uint32_t m = Word(*ParseDottedIpv4(mask));
    const std::uint32_t a = Word(*ParseDottedIpv4(ip));
    const bool contiguous = (~m & (~m + 1)) == 0;
    if (!contiguous || m == 0)
        return false;
    const std::uint32_t host = a & ~m;
    return host != 0 && host != ~m;
}

// A local block moves the unit, so it must name a usable address; a remote
// one leaves the unit's addresses alone and may leave its fields empty.
bool AddressesTaken(const std::string& ip, const std::string& mask, const std::string& gateway, bool remote)
{
    if (!remote && (ip.empty() || mask.empty() || gateway.empty()))
        return false;
    return ip.empty() || mask.empty() || UsableAddress(ip, mask);
}

void PutUnsigned(std::vector<std::uint8_t>& out, std::uint32_t value, std::size_t size)
{
    for (std::size_t i = size; i-- > 0;)
        out.push_back(std::uint8_t(value >> (8 * i)));
}

void PutDotted(std::vector<std::uint8_t>& out, const std::string& text)
{
    const std::size_t length = std::min(text.size(), kDottedField - 1);
    out.insert(out.end(), text.begin(), text.begin() + std::ptrdiff_t(length));
    out.insert(out.end(), kDottedField - length, 0);
}

} // namespace

std::optional<std::array<std::uint8_t, 4>> ParseDottedIpv4(std::string_view text)
{
    std::array<std::uint8_t, 4> octets{};
    std::size_t at = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        if (i > 0) {
            if (at >= text.size() || text[at] != '.')
                return std::nullopt;
            ++at;
        }
        unsigned value = 0;
        std::size_t digits = 0;
        while (at < text.size() && text[at] >= '0' && text[at] <= '9' && digits < 3) {
            value = value * 10 + unsigned(text[at] - '0');
            ++at;
            ++digits;
        }
        if (digits == 0 || value > 255)
            return std::nullopt;
        octets[i] = std::uint8_t(value);
    }
    if (at != text.size())
        return std::nullopt;
    return octets;
}

std::optional<CommissioningSetup> ParseCommissioningBlock(std::span<const std::uint8_t> b)
{
    if (b.size() != kCommissioningBlockSize)
        return std::nullopt;
    CommissioningSetup s;
    s.remote = Unsigned(b, 84, 4);
    const auto ip = DottedField(b, 0);
    const auto mask = DottedField(b, 16);
    const auto gateway = DottedField(b, 32);
    if (!ip || !mask || !gateway || !AddressesTaken(*ip, *mask, *gateway, s.remote == 1))
        return std::nullopt;
    s.ip = *ip;
    s.subnetMask = *mask;
    s.gateway = *gateway;

    s.q1Relay = b[48];
    s.onePps = b[49];
    s.latitude = Signed32(b, 52);
    s.longitude = Signed32(b, 56);
    s.altitudeCm = Signed32(b, 60);
    s.gpsMode = b[64];
    s.antennaDelayNs = Signed32(b, 68);
    s.frameClockDelayNs = std::uint16_t(Unsigned(b, 72, 2));
    const auto frameClockAgain = std::uint16_t(Unsigned(b, 74, 2));
    s.q1SpeedCode = std::uint16_t(Unsigned(b, 76, 2));
    s.q1Address = std::uint16_t(Unsigned(b, 80, 2));

    const bool zeros = AllZero(b, 50, 2) && AllZero(b, 65, 3) && AllZero(b, 78, 2) && AllZero(b, 82, 2);
    const bool flags = s.q1Relay <= 1 && s.onePps <= 1 && s.remote <= 1 && s.gpsMode <= 2;
    const bool position = std::llabs(s.latitude) <= kMaxLatitude && std::llabs(s.longitude) <= kMaxLongitude;
    const bool delays = s.frameClockDelayNs <= kMaxFrameClockDelayNs && frameClockAgain == s.frameClockDelayNs;
    const bool bus = s.q1SpeedCode >= kLowestSpeedCode && s.q1SpeedCode <= kHighestSpeedCode
        && s.q1Address <= kHighestQ1Address;
    if (!zeros || !flags || !position || !delays || !bus)
        return std::nullopt;
    return s;
}

std::vector<std::uint8_t> MakeCommissioningBlock(const CommissioningSetup& s)
{
    std::vector<std::uint8_t> b;
    b.reserve(kCommissioningBlockSize);
    PutDotted(b, s.ip);
    PutDotted(b, s.subnetMask);
    PutDotted(b, s.gateway);
    b.push_back(s.q1Relay);
    b.push_back(s.onePps);
    PutUnsigned(b, 0, 2);
    PutUnsigned(b, std::uint32_t(s.latitude), 4);
    PutUnsigned(b, std::uint32_t(s.longitude), 4);
    PutUnsigned(b, std::uint32_t(s.altitudeCm), 4);
    b.push_back(s.gpsMode);
    PutUnsigned(b, 0, 3);
    PutUnsigned(b, std::uint32_t(s.antennaDelayNs), 4);
    PutUnsigned(b, s.frameClockDelayNs, 2);
    PutUnsigned(b, s.frameClockDelayNs, 2);
    PutUnsigned(b, s.q1SpeedCode, 2);
    PutUnsigned(b, 0, 2);
    PutUnsigned(b, s.q1Address, 2);
    PutUnsigned(b, 0, 2);
    PutUnsigned(b, s.remote, 4);
    return b;
}

void KeepNetwork(CommissioningSetup& setup, const CommissioningSetup& from)
{
    setup.ip = from.ip;
    setup.subnetMask = from.subnetMask;
    setup.gateway = from.gateway;
    setup.q1Address = from.q1Address;
    setup.q1SpeedCode = from.q1SpeedCode;
}

std::uint8_t CheckCommissioningBlock(std::span<const std::uint8_t> block)
{
    return ParseCommissioningBlock(block) ? 0 : kStatusBadBlock;
}

} // namespace sim
