#include "status/history/StatusHistoryExport.h"

#include "status/history/StatusRecord.h"

#include <QFileInfo>
#include <QSaveFile>

namespace {

void AppendRow(QByteArray& csv, const QStringList& fields)
{
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i)
            csv += ',';
        csv += CsvField(fields[i]);
    }
    csv += '\n';
}

QString Gap(bool afterGap)
{
    return afterGap ? QStringLiteral("1") : QStringLiteral("0");
}

} // namespace

QByteArray GpsHistoryCsv(const CStatusHistory& history)
{
    QStringList header{QStringLiteral("time"), QStringLiteral("after_gap"), QStringLiteral("latitude"),
                       QStringLiteral("longitude"), QStringLiteral("altitude_m")};
    for (int c = 1; c <= 12; ++c) {
        header << QStringLiteral("ch%1_sat").arg(c) << QStringLiteral("ch%1_cno").arg(c)
               << QStringLiteral("ch%1_elevation").arg(c) << QStringLiteral("ch%1_azimuth").arg(c);
    }
    QByteArray csv;
    csv.reserve(qsizetype(history.Gps().size()) * 300 + 1000);
    AppendRow(csv, header);
    for (const SGpsSample& s : history.Gps()) {
        QStringList row{StatusRecordTime(s.timeMs), Gap(s.afterGap), QString::number(s.latitudeDeg, 'f', 7),
                        QString::number(s.longitudeDeg, 'f', 7), QString::number(s.altitudeM, 'f', 2)};
        for (const SChannelSample& channel : s.channels) {
            if (channel.satellite == 0) {
                row << QString() << QString() << QString() << QString();
                continue;
            }
            row << QString::number(channel.satellite) << QString::number(channel.cno)
                << QString::number(channel.elevationDeg, 'f', 2) << QString::number(channel.azimuthDeg, 'f', 2);
        }
        AppendRow(csv, row);
    }
    return csv;
}

QByteArray InstallationHistoryCsv(const CStatusHistory& history)
{
    QByteArray csv;
    AppendRow(csv, {QStringLiteral("time"), QStringLiteral("after_gap"), QStringLiteral("self_test"),
                    QStringLiteral("gps_fix"), QStringLiteral("clock_output"), QStringLiteral("clock_state"),
                    QStringLiteral("transmission"), QStringLiteral("bus_time"), QStringLiteral("survey_progress")});
    for (const SInstallationSample& s : history.Installation()) {
        QStringList row{StatusRecordTime(s.timeMs), Gap(s.afterGap)};
        for (const QString& text : s.texts)
            row << text.trimmed();
        row << QString::number(s.surveyPercent);
        AppendRow(csv, row);
    }
    return csv;
}

QByteArray ConstellationHistoryCsv(const CStatusHistory& history)
{
    QStringList header{QStringLiteral("time"), QStringLiteral("after_gap"), QStringLiteral("verdict"),
                       QStringLiteral("total_s")};
    for (int n = 0; n < ConstellationStatisticsData::kRows; ++n)
        header << QStringLiteral("satellites_%1_s").arg(n);
    QByteArray csv;
    AppendRow(csv, header);
    for (const SConstellationSample& s : history.Constellation()) {
        QStringList row{StatusRecordTime(s.timeMs), Gap(s.afterGap), s.verdictText.trimmed(),
                        QString::number(s.statistics.total)};
        for (const std::uint32_t seconds : s.statistics.durations)
            row << QString::number(seconds);
        AppendRow(csv, row);
    }
    return csv;
}

bool ExportStatusHistoryCsv(const CStatusHistory& history, StatusSampleKind kind, const QString& path, QString& error)
{
    const QByteArray csv = kind == StatusSampleKind::Gps            ? GpsHistoryCsv(history)
                           : kind == StatusSampleKind::Installation ? InstallationHistoryCsv(history)
                                                                    : ConstellationHistoryCsv(history);
    // The new file is renamed over the old one: a device or a pipe in its
    // place would be replaced, not written to.
    const QFileInfo target(path);
    if (target.exists() && !target.isFile()) {
        error = QStringLiteral("%1 is not a regular file").arg(path);
        qCWarning(lcStatusFiles, "cannot export the status history: %s", qPrintable(error));
        return false;
    }
    QSaveFile file(path);
    // Unbuffered: a short write is seen here, before the commit could put a
    // cut file in place of the old one.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered) || file.write(csv) != csv.size() ||
        !file.commit()) {
        error = file.errorString();
        file.cancelWriting();
        qCWarning(lcStatusFiles, "cannot export the status history to %s: %s", qPrintable(path),
                  qPrintable(error));
        return false;
    }
    return true;
}
