#pragma once
// The texts the commissioning report writes into the work order: positions,
// the installation status words, the constellation verdict and the words for
// the commissioned settings.

#include <QDateTime>
#include <QString>

#include <cstdint>
#include <optional>

namespace ReportStringId {
inline constexpr unsigned SaveReportTitle = 61266;
inline constexpr unsigned GpsModeLocked = 61300;
inline constexpr unsigned GpsModeSurvey = 61301;
inline constexpr unsigned Yes = 61322;
inline constexpr unsigned No = 61323;
inline constexpr unsigned VerdictGood = 61332;
inline constexpr unsigned VerdictBad = 61333;
inline constexpr unsigned VerdictSufficient = 61334;
inline constexpr unsigned VerdictInitializing = 61349;
inline constexpr unsigned Undefined = 32791;
inline constexpr unsigned CannotSave = 62610; // %1 the file, %2 the reason
} // namespace ReportStringId

// A value in 1/10 000 000 degree (or centimetres from metres with a scale of
// 100), rounded down. A product that lies a rounding error below a whole
// number counts as that number, so a position read from a work order is
// written back unchanged. Nothing for a value that is not finite.
[[nodiscard]] std::optional<double> FloorScaled(double value, double scale);
// "%.0f" of FloorScaled(degrees, 10 000 000); empty when not finite.
[[nodiscard]] QString PositionText(double degrees);
// "%.0f" of FloorScaled(metres, 100); empty when not finite.
[[nodiscard]] QString AltitudeCentimetresText(double metres);

// The word for an installation status code ("Undefined" for codes without one).
[[nodiscard]] QString InstallStatusWord(std::uint32_t code);
// A status text as shown, "?" (cannot be determined) written as "Undefined".
[[nodiscard]] QString InstallShownText(const QString& shown);
// The unit's constellation verdict with the blanks of its table text.
[[nodiscard]] QString ConstellationVerdictText(std::int32_t verdict);
// "Locked", "Survey" or "Undefined".
[[nodiscard]] QString GpsModeText(bool positionLocked, bool selfSurvey);
[[nodiscard]] QString YesNoText(bool yes);
// "%04d-%02d-%02dT%02d:%02d:%02d" of a local time.
[[nodiscard]] QString InstallDateTimeText(const QDateTime& local);
