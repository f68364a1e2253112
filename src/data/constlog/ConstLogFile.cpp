#include "data/constlog/ConstLogFile.h"

#include "platform/SavedFile.h"
#include "platform/StringTable.h"
#include "platform/UserPrompts.h"

#include <QDate>
#include <QSaveFile>
#include <QStringEncoder>

#include <cstdlib>

namespace {
constexpr QChar kDegree(0x00B0);

struct PackedAngle {
    bool negative;
    int degrees, minutes, seconds, thousandths;
};

PackedAngle Unpack(std::int32_t packed)
{
    // Widened first: the most negative value has no 32-bit absolute value.
    const std::int64_t v = std::llabs(static_cast<std::int64_t>(packed));
    return {packed < 0, static_cast<int>(v / 10000000), static_cast<int>((v / 100000) % 100),
            static_cast<int>((v / 1000) % 100), static_cast<int>(v % 1000)};
}

QString AngleText(std::int32_t packed, bool latitude)
{
    const PackedAngle a = Unpack(packed);
    const QChar hemisphere = latitude ? (a.negative ? u'S' : u'N') : (a.negative ? u'W' : u'E');
    const QString degrees = QString::number(a.degrees).rightJustified(latitude ? 2 : 3, u'0');
    return QString(hemisphere) + u' ' + degrees + kDegree +
           QString::asprintf("%02d'%02d.%03d\"", a.minutes, a.seconds, a.thousandths);
}
} // namespace

std::int64_t ConstLogStatistics::Sum() const
{
    std::int64_t sum = 0;
    for (std::int64_t total : totals)
        sum += total;
    return sum;
}

QString PackedLatitudeText(std::int32_t packed)
{
    return AngleText(packed, true);
}

QString PackedLongitudeText(std::int32_t packed)
{
    return AngleText(packed, false);
}

QString LogAltitudeText(std::int32_t altitudeCm, bool metric)
{
    if (metric)
        return QString::asprintf("%.2f m ", altitudeCm / 100.0);
    const auto hundredthsOfFoot = static_cast<std::int64_t>(altitudeCm / 0.3048);
    return QString::asprintf("%.2f ft ", static_cast<double>(hundredthsOfFoot) / 100.0);
}

QString LogDateText(int day, int month, int year)
{
    if (day == 0 || month == 0 || year == 0)
        return QString::asprintf("%d-%d-%d", day, month, year);
    if (year < 100 || year > 9999 || !QDate::isValid(year, month, day))
        return QStringLiteral("Invalid DateTime");
    return QString::asprintf("%02d-%02d-%04d", day, month, year);
}

QString ConstLogText(const ConstLogReport& report, bool* suspect)
{
    QString text;
    text += QStringLiteral("\t\t\tGPS Constellation Statistics Log\n\t\t\t--------------------------------\n");
    text += u'\n';
    text += QStringLiteral("QORA INFORMATION\n--------------------\n\n");
    text += QStringLiteral("Serial number:  ") + report.serialNumber + u'\n';
    text += QStringLiteral("Latitude:       ") + report.latitudeText + u'\n';
    text += QStringLiteral("Longitude:      ") + report.longitudeText + u'\n';
    text += QStringLiteral("Altitude:       ") + report.altitudeText + u'\n';
    text += QString(102, u'-') + u'\n';

    bool anyWholeDayWithout = false;
    const ConstLogStatistics& s = report.statistics;
    for (int i = kConstLogDays - 1; i >= 0; --i) {
        if (s.totals[i] <= 0)
            continue;
        const ConstLogDay& day = s.days[i];
        text += QStringLiteral("\n\n[%1]\n-----------------\n\n").arg(LogDateText(day.day, day.month, day.year));
        for (int count = 0; count < kConstLogCounts; ++count)
            text += QString::asprintf("Duration for %2d visible satellites = %u\n", count,
                                      static_cast<unsigned>(day.durations[count]));
        if (day.durations[0] >= kSecondsPerDay)
            anyWholeDayWithout = true;
    }
    if (suspect)
        *suspect = anyWholeDayWithout;
    return text;
}

QByteArray ConstLogFileBytes(const ConstLogReport& report, bool* suspect)
{
    QString text = ConstLogText(report, suspect);
    text.replace(u'\n', QStringLiteral("\r\n"));
    QStringEncoder encoder(QStringConverter::System);
    return encoder.encode(text);
}

ConstLogWriteResult WriteConstLogFile(const QString& path, const ConstLogReport& report)
{
    ConstLogWriteResult result;
    const QByteArray bytes = ConstLogFileBytes(report, &result.suspect);
    QSaveFile file(path);
    // Unbuffered: a buffered QSaveFile can commit a file cut short when the
    // disk fills during the final flush; a short write here is seen at once.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        result.error = file.errorString();
        return result;
    }
    if (file.write(bytes) != bytes.size()) {
        result.error = file.errorString();
        file.cancelWriting();
        return result;
    }
    if (!file.commit()) {
        result.error = file.errorString();
        return result;
    }
    result.written = true;
    return result;
}

bool ConstLogNeedsAntennaWarning(const ConstLogReport& report, const ConstLogWriteResult& result)
{
    return result.written && (result.suspect || report.positionZero);
}

QString SaveConstLog(const ConstLogReport& report)
{
    FileDialogRequest request;
    request.save = true;
    request.caption = QStringLiteral("Save Constellation Statistics Log");
    request.initialPath = QStringLiteral("Constellation Log");
    request.filter = QStringLiteral("Constellation Statistics Log  (*.txt);;All Files (*.*)");
    request.defaultSuffix = QStringLiteral("txt");
    const std::optional<QString> path = ShowFileDialog(request);
    if (!path || path->isEmpty())
        return {};

    const ConstLogWriteResult result = WriteConstLogFile(*path, report);
    if (!result.written) {
        ReportFileNotSaved(*path, result.error);
        ShowMessageBox(LoadResString(ConstLogString::CannotWrite).arg(*path, result.error), MsgIcon::Error);
        return {};
    }
    if (ConstLogNeedsAntennaWarning(report, result))
        ShowMessageBox(LoadResString(ConstLogString::AntennaWarning), MsgIcon::None, MsgButtons::Ok);
    OpenSavedFile(*path);
    return *path;
}
