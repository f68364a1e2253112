#include "commissioning/report/ReportTexts.h"

#include "platform/StringTable.h"

#include <cmath>

namespace {
// Far below the unit's resolution (1e-11 degree, 1e-4 cm) and far above the
// error of a product of doubles of these magnitudes.
constexpr double kWholeTolerance = 1e-4;

QString WholeText(std::optional<double> value)
{
    if (!value)
        return {};
    // "%.*f" with precision 0: a whole number without a decimal point.
    return QString::asprintf("%.*f", 0, *value);
}
} // namespace

std::optional<double> FloorScaled(double value, double scale)
{
    const double scaled = value * scale;
    if (!std::isfinite(scaled))
        return std::nullopt;
    const double nearest = std::nearbyint(scaled);
    if (std::fabs(scaled - nearest) < kWholeTolerance)
        return nearest == 0.0 ? 0.0 : nearest; // no "-0"
    return std::floor(scaled);
}

QString PositionText(double degrees)
{
    return WholeText(FloorScaled(degrees, 10000000.0));
}

QString AltitudeCentimetresText(double metres)
{
    return WholeText(FloorScaled(metres, 100.0));
}

QString InstallStatusWord(std::uint32_t code)
{
    switch (code) {
    case 0: return QStringLiteral("Not OK");
    case 1: return QStringLiteral("OK");
    case 2: return QStringLiteral("Unknown");
    case 3: return QStringLiteral("OFF");
    case 4: return QStringLiteral("ON");
    case 8: return QStringLiteral("Free Running");
    case 9: return QStringLiteral("PLL Locked");
    case 10: return QStringLiteral("Adjusting");
    case 11: return QStringLiteral("Good");
    case 12: return QStringLiteral("Sufficient");
    case 13: return QStringLiteral("Bad");
    default: return QStringLiteral("Undefined");
    }
}

QString InstallShownText(const QString& shown)
{
    return shown == QLatin1String("?") ? QStringLiteral("Undefined") : shown;
}

QString ConstellationVerdictText(std::int32_t verdict)
{
    switch (verdict) {
    case 0: return LoadResString(ReportStringId::VerdictGood);
    case 1: return LoadResString(ReportStringId::VerdictSufficient);
    case 2: return LoadResString(ReportStringId::VerdictBad);
    case 255: return LoadResString(ReportStringId::VerdictInitializing);
    default: return LoadResString(ReportStringId::Undefined);
    }
}

QString GpsModeText(bool positionLocked, bool selfSurvey)
{
    if (positionLocked)
        return LoadResString(ReportStringId::GpsModeLocked);
    if (selfSurvey)
        return LoadResString(ReportStringId::GpsModeSurvey);
    return LoadResString(ReportStringId::Undefined);
}

QString YesNoText(bool yes)
{
    return LoadResString(yes ? ReportStringId::Yes : ReportStringId::No);
}

QString InstallDateTimeText(const QDateTime& local)
{
    const QDate date = local.date();
    const QTime time = local.time();
    return QString::asprintf("%04d-%02d-%02dT%02d:%02d:%02d", date.year(), date.month(), date.day(), time.hour(),
                             time.minute(), time.second());
}
