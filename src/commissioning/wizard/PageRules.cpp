#include "commissioning/wizard/PageRules.h"

#include <cmath>
#include <limits>

namespace {
// A value the altitude field can hold; beyond 32 bits it stays at the limit.
std::int32_t TruncatedToInt32(double value)
{
    constexpr double kMax = std::numeric_limits<std::int32_t>::max();
    constexpr double kMin = std::numeric_limits<std::int32_t>::min();
    if (!std::isfinite(value))
        return 0;
    if (value >= kMax)
        return std::numeric_limits<std::int32_t>::max();
    if (value <= kMin)
        return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(std::trunc(value));
}

// Hundredths from a decimal text: "32.80" must give 3280 although 32.8 x 100
// lies just below it in binary.
std::int32_t Hundredths(double value)
{
    return TruncatedToInt32(value * 100.0 + std::copysign(1e-6, value));
}

const int kClassPrefix[] = {8, 12, 16};
constexpr int kLongestPrefix = 30;

QString DottedRange(std::uint32_t from, std::uint32_t to)
{
    return FormatIpv4(UnpackIpv4(from)) + QStringLiteral(" - ") + FormatIpv4(UnpackIpv4(to));
}

QString RangesText()
{
    return QStringLiteral("i) ") + DottedRange(PackIpv4({192, 168, 0, 0}), PackIpv4({192, 168, 255, 255})) +
           QStringLiteral("\nii) ") + DottedRange(PackIpv4({172, 16, 0, 0}), PackIpv4({172, 31, 255, 255})) +
           QStringLiteral("\niii) ") + DottedRange(PackIpv4({10, 0, 0, 0}), PackIpv4({10, 255, 255, 255}));
}
} // namespace

// --- GPS page --------------------------------------------------------------

QString AltitudeText(std::int32_t altitudeCm, bool feet)
{
    // Feet are shown in whole hundredths, as the page holds them.
    const double hundredths = feet ? std::trunc(altitudeCm / kMetresPerFoot) : double(altitudeCm);
    return QString::asprintf("%.02f", hundredths / 100.0);
}

std::optional<std::int32_t> AltitudeFromText(const QString& text, bool feet)
{
    if (text.trimmed().isEmpty())
        return std::nullopt;
    const std::int32_t hundredths = Hundredths(ReadDecimalNumber(text));
    return feet ? TruncatedToInt32(hundredths * kMetresPerFoot) : hundredths;
}

std::optional<SPageProblem> CheckAltitudeText(const QString& text)
{
    if (text.trimmed().isEmpty())
        return PlainProblem(WizardStringId::EnterAltitude, EWizardField::Altitude);
    return std::nullopt;
}

std::optional<SPageProblem> TakeGpsPage(const SGpsEntries& entries, SGpsPageValues& values)
{
    if (auto problem = CheckAltitudeText(entries.altitudeText))
        return problem;
    values.latitude = entries.latitude;
    values.longitude = entries.longitude;
    values.altitudeCm = AltitudeFromText(entries.altitudeText, entries.feet).value_or(0);
    values.utc = entries.utc;
    return std::nullopt;
}

// --- time calculation page -------------------------------------------------

namespace {
std::optional<SPageProblem> CheckDelayText(const QString& text, unsigned emptyId, EWizardField field,
                                           std::int32_t max)
{
    if (text.trimmed().isEmpty())
        return PlainProblem(emptyId, field);
    const long long delay = ReadDecimalInteger(text);
    if (delay < 0 || delay > max)
        return IntegerRangeProblem(field, 0, max);
    return std::nullopt;
}

bool IsEmptyEntry(const std::optional<SPageProblem>& problem)
{
    return problem && problem->messageId != WizardStringId::IntegerRange;
}
} // namespace

std::optional<SPageProblem> CheckGpsAntennaDelayText(const QString& text)
{
    return CheckDelayText(text, WizardStringId::EnterGpsDelay, EWizardField::GpsAntennaDelay, kMaxGpsAntennaDelayNs);
}

std::optional<SPageProblem> CheckFrameClockDelayText(const QString& text)
{
    return CheckDelayText(text, WizardStringId::EnterFrameDelay, EWizardField::FrameClockDelay, kMaxFrameClockDelayNs);
}

std::optional<SPageProblem> TakeRfPage(const SRfEntries& entries, SRfPageValues& values)
{
    auto gpsProblem = CheckGpsAntennaDelayText(entries.gpsAntennaDelayText);
    auto frameProblem = CheckFrameClockDelayText(entries.frameClockDelayText);
    // An empty edit is told before a delay out of range, the GPS antenna
    // delay's before the frame clock delay's.
    if (IsEmptyEntry(gpsProblem) || (gpsProblem && !IsEmptyEntry(frameProblem)))
        return gpsProblem;
    if (frameProblem)
        return frameProblem;
    values.gpsAntennaDelayNs = static_cast<std::int32_t>(ReadDecimalInteger(entries.gpsAntennaDelayText));
    values.frameClockDelayNs = static_cast<std::int32_t>(ReadDecimalInteger(entries.frameClockDelayText));
    values.gpsAntennaDelayText = entries.gpsAntennaDelayText;
    values.frameClockDelayText = entries.frameClockDelayText;
    values.onePps = entries.onePps;
    return std::nullopt;
}

// --- Q1 page ---------------------------------------------------------------

std::uint32_t PackIpv4(const Ipv4Fields& fields)
{
    std::uint32_t address = 0;
    for (int octet : fields)
        address = (address << 8) | (static_cast<std::uint32_t>(octet) & 0xFFu);
    return address;
}

Ipv4Fields UnpackIpv4(std::uint32_t address)
{
    return {int(address >> 24), int((address >> 16) & 0xFFu), int((address >> 8) & 0xFFu), int(address & 0xFFu)};
}

std::optional<int> AddressClass(const Ipv4Fields& ip)
{
    if (ip[0] == 10)
        return 0;
    if (ip[0] == 172 && ip[1] >= 16 && ip[1] <= 31)
        return 1;
    if (ip[0] == 192 && ip[1] == 168)
        return 2;
    return std::nullopt;
}

std::optional<int> MaskPrefixLength(const Ipv4Fields& mask)
{
    const std::uint32_t bits = PackIpv4(mask);
    const std::uint32_t hostBits = ~bits;
    // Contiguous: the host bits are a run of ones from the bottom.
    if ((hostBits & (hostBits + 1)) != 0)
        return std::nullopt;
    int prefix = 0;
    for (std::uint32_t b = bits; b & 0x80000000u; b <<= 1)
        ++prefix;
    return prefix;
}

std::optional<SPageProblem> CheckQ1AddressText(const QString& text)
{
    if (text.trimmed().isEmpty())
        return PlainProblem(WizardStringId::EnterQ1Address, EWizardField::Q1Address);
    const long long q1Address = ReadDecimalInteger(text);
    if (q1Address < 0 || q1Address > kWizardMaxQ1Address)
        return IntegerRangeProblem(EWizardField::Q1Address, 0, kWizardMaxQ1Address);
    return std::nullopt;
}

std::optional<SPageProblem> CheckAddressClass(const Ipv4Fields& ip)
{
    if (AddressClass(ip))
        return std::nullopt;
    const bool secondOctet = ip[0] == 172 || ip[0] == 192;
    SPageProblem problem = PlainProblem(WizardStringId::IpRanges, EWizardField::IpAddress, secondOctet ? 1 : 0);
    problem.text.replace(QStringLiteral("%s"), RangesText());
    return problem;
}

std::optional<SPageProblem> CheckSubnetMask(const Ipv4Fields& ip, const Ipv4Fields& mask)
{
    const auto addressClass = AddressClass(ip);
    const auto prefix = MaskPrefixLength(mask);
    if (!addressClass || !prefix || *prefix < kClassPrefix[*addressClass] || *prefix > kLongestPrefix)
        return PlainProblem(WizardStringId::InvalidMask, EWizardField::SubnetMask, 0);
    return std::nullopt;
}

std::optional<SPageProblem> CheckHostAddress(const Ipv4Fields& ip, const Ipv4Fields& mask)
{
    const std::uint32_t address = PackIpv4(ip);
    const std::uint32_t network = address & PackIpv4(mask);
    const std::uint32_t broadcast = network | ~PackIpv4(mask);
    if (address == network || address == broadcast)
        return PlainProblem(WizardStringId::InvalidHost, EWizardField::IpAddress, 3);
    return std::nullopt;
}

std::optional<SPageProblem> CheckGatewayAddress(const Ipv4Fields& ip, const Ipv4Fields& mask,
                                                const Ipv4Fields& gatewayFields)
{
    const std::uint32_t bits = PackIpv4(mask);
    const std::uint32_t network = PackIpv4(ip) & bits;
    const std::uint32_t broadcast = network | ~bits;
    const std::uint32_t gateway = PackIpv4(gatewayFields);
    if ((gateway & bits) != network) {
        int differing = 0;
        const Ipv4Fields gatewayNetwork = UnpackIpv4(gateway & bits);
        const Ipv4Fields networkOctets = UnpackIpv4(network);
        while (differing < 3 && gatewayNetwork[std::size_t(differing)] == networkOctets[std::size_t(differing)])
            ++differing;
        SPageProblem problem = PlainProblem(WizardStringId::GatewayRange, EWizardField::Gateway, differing);
        problem.text.replace(QStringLiteral("%s"), DottedRange(network, broadcast));
        return problem;
    }
    if (gateway == network || gateway == broadcast)
        return PlainProblem(WizardStringId::InvalidGateway, EWizardField::Gateway, 3);
    return std::nullopt;
}

std::optional<SPageProblem> CheckQ1Page(const SQ1Entries& entries)
{
    if (auto problem = CheckQ1AddressText(entries.q1AddressText))
        return problem;
    if (auto problem = CheckAddressClass(entries.ip))
        return problem;
    if (auto problem = CheckSubnetMask(entries.ip, entries.mask))
        return problem;
    if (auto problem = CheckHostAddress(entries.ip, entries.mask))
        return problem;
    return CheckGatewayAddress(entries.ip, entries.mask, entries.gateway);
}

std::optional<SPageProblem> Q1IpChangeNotice(const SQ1Entries& entries, bool localConnection,
                                             const QString& settingsIpAddress)
{
    if (!localConnection || FormatIpv4(entries.ip) == settingsIpAddress)
        return std::nullopt;
    const std::uint32_t mask = PackIpv4(entries.mask);
    // A settings host that is no dotted address is in no network of ours.
    const auto current = ParseIpv4(settingsIpAddress);
    if (current && (PackIpv4(*current) & mask) == (PackIpv4(entries.ip) & mask))
        return std::nullopt;
    return PlainProblem(WizardStringId::IpChangeWarning, EWizardField::IpAddress);
}

std::optional<SPageProblem> TakeQ1Page(const SQ1Entries& entries, SQ1PageValues& values)
{
    if (auto problem = CheckQ1Page(entries))
        return problem;
    values.q1Address = static_cast<std::int32_t>(ReadDecimalInteger(entries.q1AddressText));
    const bool listed = entries.speedIndex >= 0 && entries.speedIndex < static_cast<int>(kQ1SpeedTexts.size());
    values.speedIndex = listed ? entries.speedIndex : kDefaultSpeedIndex;
    values.relay = entries.relayChecked;
    values.addressClass = *AddressClass(entries.ip);
    values.ipAddressText = FormatIpv4(entries.ip);
    values.subnetMaskText = FormatIpv4(entries.mask);
    values.gatewayText = FormatIpv4(entries.gateway);
    return std::nullopt;
}

// --- user page -------------------------------------------------------------

void TakeUserPage(const SUserEntries& entries, SUserPageValues& values)
{
    values.userName = entries.userName.left(kMaxUserNameLength);
    values.comments = entries.comments.left(kMaxUserNoteLength);
    values.actions = entries.actions.left(kMaxUserNoteLength);
    if (entries.year) {
        values.year = *entries.year;
        values.month = entries.month;
        values.day = entries.day;
    } else {
        values.year = values.month = values.day = -1;
    }
}
