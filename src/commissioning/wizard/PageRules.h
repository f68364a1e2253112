#pragma once
// The checks each page of the commissioning wizard makes when the user presses
// Next, without widgets: the entries as the controls hold them go in, and
// either the page's values are taken or the refusal comes back (message and
// focus), in the order the page checks them. The command-line companion uses
// the same rules.

#include "commissioning/wizard/WizardPageValues.h"
#include "commissioning/wizard/WizardProblem.h"

#include <optional>

// --- GPS page --------------------------------------------------------------

inline constexpr double kMetresPerFoot = 0.3048;

// The altitude edit's text: metres, or feet with the imperial setting, "%.02f".
[[nodiscard]] QString AltitudeText(std::int32_t altitudeCm, bool feet);
// The altitude in centimetres from the edit's text; nothing for an empty text.
// Feet are taken in whole hundredths and then turned into whole centimetres.
[[nodiscard]] std::optional<std::int32_t> AltitudeFromText(const QString& text, bool feet);

struct SGpsEntries {
    double latitude = 0.0; // the coordinate controls' values
    double longitude = 0.0;
    QString altitudeText;
    bool feet = false; // the imperial regional setting
    SUtcDateTime utc;  // the pickers, already in UTC
};

// 61317 when the altitude edit is empty.
[[nodiscard]] std::optional<SPageProblem> CheckAltitudeText(const QString& text);

// 61317 for an empty altitude; otherwise the page's position, altitude and
// time are taken (the flags are the check boxes' business).
std::optional<SPageProblem> TakeGpsPage(const SGpsEntries& entries, SGpsPageValues& values);

// --- time calculation page -------------------------------------------------

inline constexpr std::int32_t kMaxGpsAntennaDelayNs = 65535;
inline constexpr std::int32_t kMaxFrameClockDelayNs = 4800;

struct SRfEntries {
    QString gpsAntennaDelayText;
    QString frameClockDelayText;
    bool onePps = false;
};

// Each delay edit on its own: 61320 (61321) when empty, 61714 for a delay
// beyond its range.
[[nodiscard]] std::optional<SPageProblem> CheckGpsAntennaDelayText(const QString& text);
[[nodiscard]] std::optional<SPageProblem> CheckFrameClockDelayText(const QString& text);

// 61320 / 61321 for an empty text, 61714 for a delay beyond its range; both
// edits are checked for an entry before either is checked for its range.
std::optional<SPageProblem> TakeRfPage(const SRfEntries& entries, SRfPageValues& values);

// --- Q1 page ---------------------------------------------------------------

struct SQ1Entries {
    QString q1AddressText;
    int speedIndex = kDefaultSpeedIndex;
    bool relayChecked = true;
    Ipv4Fields ip = kDefaultUnitIp;
    Ipv4Fields mask = kDefaultSubnetMask;
    Ipv4Fields gateway = kDefaultGateway;
};

// The class of a private address (0: 10.x, 1: 172.16-31.x, 2: 192.168.x), or
// nothing for any other address.
[[nodiscard]] std::optional<int> AddressClass(const Ipv4Fields& ip);
// The prefix length of a contiguous mask, or nothing.
[[nodiscard]] std::optional<int> MaskPrefixLength(const Ipv4Fields& mask);
[[nodiscard]] std::uint32_t PackIpv4(const Ipv4Fields& fields);
[[nodiscard]] Ipv4Fields UnpackIpv4(std::uint32_t address);

// The steps of Next one by one. The address edit: 61319 when empty, 61714
// outside 0..4095.
[[nodiscard]] std::optional<SPageProblem> CheckQ1AddressText(const QString& text);
// 61352 with the valid ranges for an address of no class.
[[nodiscard]] std::optional<SPageProblem> CheckAddressClass(const Ipv4Fields& ip);
// 61357 for a mask that does not suit the address's class (or no class at all).
[[nodiscard]] std::optional<SPageProblem> CheckSubnetMask(const Ipv4Fields& ip, const Ipv4Fields& mask);
// 61358 for the network or broadcast address of the subnet.
[[nodiscard]] std::optional<SPageProblem> CheckHostAddress(const Ipv4Fields& ip, const Ipv4Fields& mask);
// 61354 for a gateway outside the subnet, 61359 for its network or broadcast
// address.
[[nodiscard]] std::optional<SPageProblem> CheckGatewayAddress(const Ipv4Fields& ip, const Ipv4Fields& mask,
                                                              const Ipv4Fields& gateway);

// Steps 1 to 7 of Next, in order: Q1 address (61319, 61714), the address class
// (61352), the mask (61357), the host part (61358), the gateway (61354, 61359).
[[nodiscard]] std::optional<SPageProblem> CheckQ1Page(const SQ1Entries& entries);

// The notice (61360, not a refusal) that the unit moves to another network than
// the PC's local connection reaches; only on a local connection.
[[nodiscard]] std::optional<SPageProblem> Q1IpChangeNotice(const SQ1Entries& entries, bool localConnection,
                                                           const QString& settingsIpAddress);

// Checks, and on success takes the entries into the values (the dotted texts,
// the address, speed index, relay flag and class).
std::optional<SPageProblem> TakeQ1Page(const SQ1Entries& entries, SQ1PageValues& values);

// --- user page -------------------------------------------------------------

struct SUserEntries {
    QString userName;
    QString comments;
    QString actions;
    std::optional<int> year; // the picker's date; nothing when it holds none
    int month = 0;
    int day = 0;
};

// Always goes on: the texts cut to their limits, the date or -1 each.
void TakeUserPage(const SUserEntries& entries, SUserPageValues& values);
