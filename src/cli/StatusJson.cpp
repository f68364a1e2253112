#include "cli/StatusJson.h"

#include "status/constellation/ConstellationStatisticsView.h"
#include "status/gps/GPSStatusView.h"
#include "status/install/InstallStatusView.h"

#include <QJsonArray>

namespace {

constexpr double kAngleUnit = 1e7; // elevation and azimuth come in 1e-7 degree

QJsonValue NumberOrNull(bool known, double value)
{
    return known ? QJsonValue(value) : QJsonValue(QJsonValue::Null);
}

QJsonObject Channel(const CGPSStatusView& gps, int c)
{
    return QJsonObject{
        {"channel", c + 1},
        {"satellite", NumberOrNull(gps.SatelliteNumber(c) != 0, gps.SatelliteNumber(c))},
        {"satellite_text", gps.SatelliteText(c).trimmed()},
        {"cno", NumberOrNull(gps.CNo(c) != 0, gps.CNo(c))},
        {"cno_text", gps.CNoText(c).trimmed()},
        {"weak", gps.IsWeak(c)},
        {"elevation", NumberOrNull(gps.Elevation(c) != 0, gps.Elevation(c) / kAngleUnit)},
        {"elevation_text", gps.ElevationText(c).trimmed()},
        {"azimuth", NumberOrNull(gps.Azimuth(c) != 0, gps.Azimuth(c) / kAngleUnit)},
        {"azimuth_text", gps.AzimuthText(c).trimmed()},
    };
}

QJsonObject Gps(const CGPSStatusView& gps)
{
    QJsonArray channels;
    for (int c = 0; c < CGPSStatusView::kChannels; ++c)
        channels.append(Channel(gps, c));
    const QString time = gps.TimeText();
    const QTime parsed = QTime::fromString(time, QStringLiteral("HH:mm:ss"));
    return QJsonObject{
        {"latitude", gps.GetLatitudeDegrees()},
        {"latitude_text", gps.LatitudeText().trimmed()},
        {"longitude", gps.GetLongitudeDegrees()},
        {"longitude_text", gps.LongitudeText().trimmed()},
        {"altitude", gps.GetAltitudeMetres()},
        {"altitude_text", gps.AltitudeText().trimmed()},
        {"gps_time", NumberOrNull(parsed.isValid(), parsed.msecsSinceStartOfDay() / 1000)},
        {"gps_time_text", time.trimmed()},
        {"channels", channels},
    };
}

// The rows' keys, in the window's order.
constexpr const char* kRowKeys[CInstallStatusView::kRowCount] = {"self_tests",   "gps_fix",         "clock_output",
                                                                  "clock_state", "q1_transmission", "q1_time"};

QJsonObject Installation(const CInstallStatusView& install)
{
    QJsonObject object;
    for (int row = 0; row < CInstallStatusView::kRowCount; ++row) {
        const QString text = install.RowText(row).trimmed();
        const QString key = QString::fromLatin1(kRowKeys[row]);
        object.insert(key, NumberOrNull(text != QStringLiteral("?"), install.CodeOf(row)));
        object.insert(key + QStringLiteral("_text"), text);
    }
    const bool surveying = install.CodeOf(CInstallStatusView::GpsFix) == CInstallStatusView::OkSurvey;
    object.insert("survey_progress", NumberOrNull(surveying, install.SurveyProgress()));
    const bool dated = install.CodeOf(CInstallStatusView::BusTime) == CInstallStatusView::BusDate &&
                       install.RowText(CInstallStatusView::BusTime) != QStringLiteral("?");
    object.insert("q1_time_seconds", NumberOrNull(dated, static_cast<double>(install.BusTimeMs()) / 1000.0));
    return object;
}

// A cell or pane that shows "?" (nothing valid) or "--" (initialising) has no number.
bool ShowsNumber(const QString& text)
{
    return text != QStringLiteral("?") && text != QStringLiteral("--");
}

QJsonObject Constellation(const CConstellationStatisticsView& view)
{
    const ConstellationStatisticsData& stats = SharedConstellationStatistics();
    QJsonArray durations, texts;
    for (int row = 0; row < CConstellationStatisticsView::kRows; ++row) {
        const QString text = view.CellText(row).trimmed();
        durations.append(NumberOrNull(ShowsNumber(text), stats.durations[static_cast<std::size_t>(row)]));
        texts.append(text);
    }
    const QString total = view.TotalText().trimmed();
    const QString verdict = view.VerdictPaneText().trimmed();
    return QJsonObject{
        {"durations", durations},
        {"durations_text", texts},
        {"total", NumberOrNull(ShowsNumber(total), stats.total)},
        {"total_text", total},
        {"verdict", NumberOrNull(ShowsNumber(verdict), stats.verdict)},
        {"verdict_text", verdict},
    };
}

} // namespace

QJsonObject StatusJson(const CGPSStatusView& gps, const CInstallStatusView& install,
                       const CConstellationStatisticsView& constellation, const QDateTime& utc,
                       const std::optional<QString>& serial)
{
    return QJsonObject{
        {"time", utc.toUTC().toString(Qt::ISODateWithMs)},
        {"serial", serial ? QJsonValue(*serial) : QJsonValue(QJsonValue::Null)},
        {"gps", Gps(gps)},
        {"installation", Installation(install)},
        {"constellation", Constellation(constellation)},
    };
}
