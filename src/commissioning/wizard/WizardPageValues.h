#pragma once
// What each page of the commissioning wizard holds between runs, with the
// values a new wizard starts from. Widget-free: the pages show and take these,
// the rules check them, and Finish hands them over as SCommissionValues.

#include "controls/Ipv4Text.h"

#include <QString>

#include <array>
#include <cstdint>

// The UTC date and time taken from the GPS page's pickers; -1 until taken.
struct SUtcDateTime {
    int year = -1;
    int month = -1;
    int day = -1;
    int hour = -1;
    int minute = -1;
    int second = -1;
};

struct SGpsPageValues {
    double latitude = 0.0;  // degrees, north positive
    double longitude = 0.0; // degrees, east positive
    std::int32_t altitudeCm = 0;
    bool selfSurvey = false;
    bool positionLocked = false;
    SUtcDateTime utc;
};

struct SRfPageValues {
    std::int32_t gpsAntennaDelayNs = 0;
    std::int32_t frameClockDelayNs = 0;
    QString gpsAntennaDelayText = QStringLiteral("0");
    QString frameClockDelayText = QStringLiteral("0");
    bool onePps = false;
};

inline constexpr Ipv4Fields kDefaultUnitIp{192, 168, 255, 120};
inline constexpr Ipv4Fields kDefaultGateway{192, 168, 255, 32};
inline constexpr Ipv4Fields kDefaultSubnetMask{255, 255, 255, 0};
inline constexpr std::int32_t kDefaultQ1Address = 131;
inline constexpr int kDefaultSpeedIndex = 4; // 9600
inline constexpr std::int32_t kWizardMaxQ1Address = 4095;

struct SQ1PageValues {
    std::int32_t q1Address = kDefaultQ1Address;
    int speedIndex = kDefaultSpeedIndex;
    bool relay = true;        // taken from the relay check box on Next
    bool relayDefault = true; // what the relay check box starts with
    // The addresses a work order gave (each used only with its flag).
    Ipv4Fields ipOctets = kDefaultUnitIp;
    Ipv4Fields gatewayOctets = kDefaultGateway;
    Ipv4Fields maskOctets = kDefaultSubnetMask;
    bool ipFromWorkOrder = false;
    bool gatewayFromWorkOrder = false;
    bool maskFromWorkOrder = false;
    // The dotted texts the page accepted on Next; empty until then.
    QString ipAddressText;
    QString gatewayText;
    QString subnetMaskText;
    int addressClass = 2; // 0: 10.x, 1: 172.16-31.x, 2: 192.168.x
};

struct SUserPageValues {
    QString userName;
    QString comments;
    QString actions;
    int year = 1900; // 1900-01-01: never taken; -1 each when the picker held no date
    int month = 1;
    int day = 1;
};

inline constexpr int kMaxUserNameLength = 31;
inline constexpr int kMaxUserNoteLength = 99; // comments and actions each

struct SWizardPageValues {
    SGpsPageValues gps;
    SRfPageValues rf;
    SQ1PageValues q1;
    SUserPageValues user;
};

// The Q1 bus speeds of the speed list; the code written to the unit is index + 3.
inline constexpr std::array<const char*, 10> kQ1SpeedTexts{
    "600", "1200", "2400", "4800", "9600", "19200", "38400", "57600", "115200", "230500"};
inline constexpr int kSpeedCodeOffset = 3;

[[nodiscard]] inline int SpeedCodeOfIndex(int index) { return index + kSpeedCodeOffset; }
// The list text of a speed index, empty outside the list.
[[nodiscard]] QString SpeedTextOfIndex(int index);

// The addresses the Q1 page shows when it opens: the work order's where one
// was taken, else the defaults.
[[nodiscard]] Ipv4Fields OpeningIpAddress(const SQ1PageValues& q1);
[[nodiscard]] Ipv4Fields OpeningSubnetMask(const SQ1PageValues& q1);
[[nodiscard]] Ipv4Fields OpeningGateway(const SQ1PageValues& q1);
