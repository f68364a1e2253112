#pragma once
// The constellation statistics log: its texts, its file format and the save
// procedure that asks for the file, writes it, warns of a suspect antenna
// installation and opens the file. No widgets: the questions go through the
// platform's prompts.

#include <QByteArray>
#include <QString>

#include <array>
#include <cstdint>

// Texts of the string table this procedure shows.
namespace ConstLogString {
inline constexpr unsigned NoStatistics = 62601;
inline constexpr unsigned AntennaWarning = 62602;
inline constexpr unsigned CannotWrite = 62603; // %1 the file, %2 the reason
} // namespace ConstLogString

inline constexpr int kConstLogDays = 7;
inline constexpr int kConstLogCounts = 13; // 0 .. 12 visible satellites
// A whole day without a satellite hints at an antenna problem.
inline constexpr std::uint32_t kSecondsPerDay = 86400;

struct ConstLogDay {
    std::array<std::uint32_t, kConstLogCounts> durations{}; // seconds, by number of visible satellites
    int year = 0;
    int month = 0;
    int day = 0;
};

struct ConstLogStatistics {
    std::array<ConstLogDay, kConstLogDays> days{};   // in the order received
    std::array<std::int64_t, kConstLogDays> totals{}; // the sum of each day's durations

    // The sum of all days; nothing was collected when it is 0.
    [[nodiscard]] std::int64_t Sum() const;
};

// Everything the file shows.
struct ConstLogReport {
    QString serialNumber;
    QString latitudeText;
    QString longitudeText;
    QString altitudeText;
    ConstLogStatistics statistics;
    // The unit's position reply gave 0 for altitude, latitude and longitude.
    bool positionZero = false;
};

// Texts of the unit's packed angles (decimal digits DDDMMSSmmm, negative for
// south and west): "N 60°10'12.345\"", "E 002°45'12.000\"".
[[nodiscard]] QString PackedLatitudeText(std::int32_t packed);
[[nodiscard]] QString PackedLongitudeText(std::int32_t packed);
// "12.34 m " or, in feet, the whole hundredths of a foot: "32.80 ft ".
[[nodiscard]] QString LogAltitudeText(std::int32_t altitudeCm, bool metric);
// "05-03-2009"; "Invalid DateTime" for an impossible date; "0-5-2009" when a
// part is 0.
[[nodiscard]] QString LogDateText(int day, int month, int year);

// The file's text with "\n" line ends; `suspect` tells whether a listed day
// went a whole day without a satellite.
[[nodiscard]] QString ConstLogText(const ConstLogReport& report, bool* suspect = nullptr);
// The bytes of the file: CRLF line ends, the platform's 8-bit encoding.
[[nodiscard]] QByteArray ConstLogFileBytes(const ConstLogReport& report, bool* suspect = nullptr);

struct ConstLogWriteResult {
    bool written = false;
    bool suspect = false; // a listed day without satellites
    QString error;        // why the file could not be written
};

// Writes the file whole or not at all (an existing file stays as it was on failure).
[[nodiscard]] ConstLogWriteResult WriteConstLogFile(const QString& path, const ConstLogReport& report);

// Whether the antenna warning is due for a written log.
[[nodiscard]] bool ConstLogNeedsAntennaWarning(const ConstLogReport& report, const ConstLogWriteResult& result);

// The user-facing procedure: the save dialog, the file, the antenna warning,
// then the desktop opens the file; the status bar says where it went, and a
// desktop that cannot open it is reported. Returns the path written, empty
// when the user cancelled or the file could not be written (the user was told).
QString SaveConstLog(const ConstLogReport& report);
