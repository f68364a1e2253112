#include "cli/StatusJson.h"

#include "cli/CliStatusPoller.h"

#include "status/constellation/ConstellationStatisticsView.h"
#include "status/gps/GPSStatusView.h"
#include "status/install/InstallStatusView.h"

#include <QJsonArray>

namespace {

QJsonValue NumberOrNull(bool known, double value)
{
    return known ? QJsonValue(value) : QJsonValue(QJsonValue::Null);
}

QJsonObject Channel(const SCliStatus& status, int c)
{
    using View = CGPSStatusView;
    const Protocol::SGpsStatus& gps = status.gps;
    const Protocol::SGpsChannel& channel = gps.channels.at(std::size_t(c));
    return QJsonObject{
        {"channel", c + 1},
        {"satellite", NumberOrNull(channel.HasSatellite(), channel.satellite)},
        {"satellite_text", View::SatelliteText(gps, c).trimmed()},
        {"cno", NumberOrNull(channel.cno.value != 0, channel.cno.value)},
        {"cno_text", View::CNoText(gps, c).trimmed()},
        {"weak", View::IsWeak(gps, status.channelStatesReceived, c)},
        {"elevation", NumberOrNull(channel.elevation.Known(), channel.elevation.InDegrees().value)},
        {"elevation_text", View::ElevationText(gps, c).trimmed()},
        {"azimuth", NumberOrNull(channel.azimuth.Known(), channel.azimuth.InDegrees().value)},
        {"azimuth_text", View::AzimuthText(gps, c).trimmed()},
    };
}

QJsonObject Gps(const SCliStatus& all, bool metricUnits)
{
    using View = CGPSStatusView;
    QJsonArray channels;
    for (int c = 0; c < View::kChannels; ++c)
        channels.append(Channel(all, c));
    const Protocol::SGpsStatus& status = all.gps;
    const QString time = View::TimeText(status);
    const QTime parsed = QTime::fromString(time, QStringLiteral("HH:mm:ss"));
    return QJsonObject{
        {"latitude", status.latitude.InDegrees().value},
        {"latitude_text", View::LatitudeText(status).trimmed()},
        {"longitude", status.longitude.InDegrees().value},
        {"longitude_text", View::LongitudeText(status).trimmed()},
        {"altitude", status.altitude.InMetres().value},
        {"altitude_text", View::AltitudeText(status.altitude.value, metricUnits).trimmed()},
        {"gps_time", NumberOrNull(parsed.isValid(), parsed.msecsSinceStartOfDay() / 1000)},
        {"gps_time_text", time.trimmed()},
        {"channels", channels},
    };
}

// The rows' keys, in the window's order.
constexpr const char* kRowKeys[CInstallStatusView::kRowCount] = {"self_tests",   "gps_fix",         "clock_output",
                                                                  "clock_state", "q1_transmission", "q1_time"};

QJsonObject Installation(const Protocol::SInstallationStatus& status, const QString& unitAddressText)
{
    using S = Protocol::SInstallationStatus;
    const auto rowText = [&](int row) { return CInstallStatusView::RowText(status, row, unitAddressText); };
    QJsonObject object;
    for (int row = 0; row < S::kRowCount; ++row) {
        const QString text = rowText(row).trimmed();
        const QString key = QString::fromLatin1(kRowKeys[row]);
        object.insert(key, NumberOrNull(text != QStringLiteral("?"), status.codes[std::size_t(row)]));
        object.insert(key + QStringLiteral("_text"), text);
    }
    const bool surveying = status.codes[S::GpsFix] == S::OkSurvey;
    object.insert("survey_progress", NumberOrNull(surveying, status.surveyPercent));
    const bool dated = status.codes[S::BusTime] == S::BusDate && rowText(S::BusTime) != QStringLiteral("?");
    object.insert("q1_time_seconds", NumberOrNull(dated, static_cast<double>(status.busTime.value) / 1000.0));
    return object;
}

// A cell or pane that shows "?" (nothing valid) or "--" (initialising) has no number.
bool ShowsNumber(const QString& text)
{
    return text != QStringLiteral("?") && text != QStringLiteral("--");
}

QJsonObject Constellation(const SCliStatus& status)
{
    using View = CConstellationStatisticsView;
    const Protocol::SConstellationStatistics& stats = status.constellation;
    const bool showable = status.constellationValid;
    QJsonArray durations, texts;
    for (int row = 0; row < CConstellationStatisticsView::kRows; ++row) {
        const QString text = View::CellText(stats, showable, row).trimmed();
        durations.append(NumberOrNull(ShowsNumber(text), stats.Duration(row).value));
        texts.append(text);
    }
    const QString total = View::TotalText(stats, showable).trimmed();
    const QString verdict = View::VerdictPaneText(stats, showable).trimmed();
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

QJsonObject StatusJson(const SCliStatus& status, bool metricUnits, const QString& unitAddressText,
                       const QDateTime& utc, const std::optional<QString>& serial)
{
    return QJsonObject{
        {"time", utc.toUTC().toString(Qt::ISODateWithMs)},
        {"serial", serial ? QJsonValue(*serial) : QJsonValue(QJsonValue::Null)},
        {"gps", Gps(status, metricUnits)},
        {"installation", Installation(status.installation, unitAddressText)},
        {"constellation", Constellation(status)},
    };
}
