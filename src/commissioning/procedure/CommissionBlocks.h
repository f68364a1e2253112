#pragma once
// The two parameter blocks a commissioning writes: the commissioning block
// (0x9001: addresses, position, GPS mode, delays, Q1 bus) and the user block
// (0x9002: installer's name, date, comments, actions). Pure byte layouts,
// most significant byte first.

#include <QByteArray>
#include <QString>

#include <cstdint>

struct SCommissioningBlockValues {
    double longitude = 0.0; // degrees, east positive
    double latitude = 0.0;  // degrees, north positive
    std::int32_t altitudeCm = 0;
    std::int32_t positionLocked = 0; // 1: the entered position is the surveyed one
    std::int32_t selfSurvey = 0;     // 1: survey after the next reset
    std::int32_t gpsAntennaDelayNs = 0;
    std::int32_t frameClockDelayNs = 0;
    std::uint8_t onePps = 0;
    std::uint8_t q1Relay = 1;
    QString subnetMask = QStringLiteral("255.255.255.0");
    QString gatewayAddress = QStringLiteral("192.168.255.32");
    QString ipAddress = QStringLiteral("192.168.255.120");
    std::int32_t q1Address = 131;
    std::int32_t q1SpeedCode = 7;
    bool remote = false; // the tool reaches the unit through the operator's network
};

struct SUserBlockValues {
    QString userName;
    QString actions;
    QString comments;
    std::int32_t year = 0;
    std::int32_t month = 0;
    std::int32_t day = 0;
};

inline constexpr int kCommissioningBlockSize = 88;
inline constexpr int kDottedTextFieldSize = 16;

// The 88-byte value of 0x9001.
[[nodiscard]] QByteArray BuildCommissioningBlock(const SCommissioningBlockValues& values);
// The value of 0x9002: four length bytes, then the four texts, each ended by a
// zero byte. Texts are cut to what the unit keeps (name 31, comments and
// actions 99 bytes), so each length byte matches its text.
[[nodiscard]] QByteArray BuildUserBlock(const SUserBlockValues& values);

// An address text as its 16-byte field: ASCII, ended by a zero byte, zero
// padded. A text of 16 characters or more is cut to 15 so the field keeps its
// size and its terminator.
[[nodiscard]] QByteArray DottedTextField(const QString& text);
// Degrees in units of 1/10 000 000 degree, truncated toward zero and held
// within the signed 32-bit range (a value beyond it cannot be a position; a
// NaN gives 0).
[[nodiscard]] std::int32_t ScaledDegrees(double degrees);
// 1 position locked, else 0 self survey, else 2.
[[nodiscard]] std::uint8_t GpsModeByte(std::int32_t positionLocked, std::int32_t selfSurvey);
// "%04d/%02d/%02d" of the three numbers.
[[nodiscard]] QByteArray UserBlockDateText(std::int32_t year, std::int32_t month, std::int32_t day);
