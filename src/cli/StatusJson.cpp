#include "cli/StatusJson.h"

#include "status/constellation/ConstellationStatisticsView.h"
#include "status/gps/GPSStatusView.h"
#include "status/install/InstallStatusView.h"

#include <QJsonArray>

namespace {

QJsonValue NumberOrNull(bool known, double value)
{
    return known ? QJsonValue(value) : QJsonValue(QJsonValue::Null);
}

QJsonObject Channel(const CGPSStatusView& gps, int c)
{
    const Protocol::SGpsChannel& channel = gps.Status().channels.at(std::size_t(c));
    return QJsonObject{
        {"channel", c + 1},
        {"satellite", NumberOrNull(channel.HasSatellite(), channel.satellite)},
        {"satellite_text", gps.SatelliteText(c).trimmed()},
        {"cno", NumberOrNull(channel.cno.value != 0, channel.cno.value)},
        {"cno_text", gps.CNoText(c).trimmed()},
        {"weak", gps.IsWeak(c)},
        {"elevation", NumberOrNull(channel.elevation.Known(), channel.elevation.InDegrees().value)},
        {"elevation_text", gps.ElevationText(c).trimmed()},
        {"azimuth", NumberOrNull(channel.azimuth.Known(), channel.azimuth.InDegrees().value)},
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
    const Protocol::SGpsStatus& status = gps.Status();
    return QJsonObject{
        {"latitude", status.latitude.InDegrees().value},
        {"latitude_text", gps.LatitudeText().trimmed()},
        {"longitude", status.longitude.InDegrees().value},
        {"longitude_text", gps.LongitudeText().trimmed()},
        {"altitude", status.altitude.InMetres().value},
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
    using S = Protocol::SInstallationStatus;
    const S& status = install.Status();
    QJsonObject object;
    for (int row = 0; row < S::kRowCount; ++row) {
        const QString text = install.RowText(row).trimmed();
        const QString key = QString::fromLatin1(kRowKeys[row]);
        object.insert(key, NumberOrNull(text != QStringLiteral("?"), status.codes[std::size_t(row)]));
        object.insert(key + QStringLiteral("_text"), text);
    }
    const bool surveying = status.codes[S::GpsFix] == S::OkSurvey;
    object.insert("survey_progress", NumberOrNull(surveying, status.surveyPercent));
    const bool dated = status.codes[S::BusTime] == S::BusDate && install.RowText(S::BusTime) != QStringLiteral("?");
    object.insert("q1_time_seconds", NumberOrNull(dated, static_cast<double>(status.busTime.value) / 1000.0));
    return object;
}

// A cell or pane that shows "?" (nothing valid) or "--" (initialising) has no number.
bool ShowsNumber(const QString& text)
{
    return text != QStringLiteral("?") && text != QStringLiteral("--");
}

QJsonObject Constellation(const CConstellationStatisticsView& view)
{
    const Protocol::SConstellationStatistics& stats = view.Statistics();
    QJsonArray durations, texts;
    for (int row = 0; row < CConstellationStatisticsView::kRows; ++row) {
        const QString text = view.CellText(row).trimmed();
        durations.append(NumberOrNull(ShowsNumber(text), stats.Duration(row).value));
        texts.append(text);
    }
    const QString total = view.TotalText().trimmed();
    const QString verdict = view.VerdictPaneText().trimmed();
    return QJsonObject{
        {"durations", durations},
        {"durations_text", texts},
        {"total", NumberOrNull(ShowsNumber(total), stats.Total().value)},
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
