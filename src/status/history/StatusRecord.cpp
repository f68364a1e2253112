#include "status/history/StatusRecord.h"

#include "status/install/InstallStatusView.h"

#include <QDateTime>
#include <QTimeZone>

Q_LOGGING_CATEGORY(lcStatusFiles, "qora.files.status")

namespace {

constexpr int kChannels = 12;

SStatusRecordValue Number(const QString& text)
{
    return {text, true};
}

SStatusRecordValue Text(const QString& text)
{
    return {text.trimmed(), false};
}

QByteArray JsonString(const QString& text)
{
    QByteArray out = "\"";
    for (const char ch : text.toUtf8()) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += ch;
        } else if (c < 0x20) {
            out += QByteArray("\\u00") + QByteArray::number(c, 16).rightJustified(2, '0');
        } else {
            out += ch;
        }
    }
    return out + '"';
}

} // namespace

std::optional<StatusRecordFormat> StatusRecordFormatNamed(const QString& name)
{
    if (name == QLatin1String("csv"))
        return StatusRecordFormat::Csv;
    if (name == QLatin1String("jsonl"))
        return StatusRecordFormat::JsonLines;
    return std::nullopt;
}

StatusRecordFormat StatusRecordFormatOfPath(const QString& path)
{
    return path.endsWith(QLatin1String(".jsonl"), Qt::CaseInsensitive) ? StatusRecordFormat::JsonLines
                                                                        : StatusRecordFormat::Csv;
}

const QStringList& StatusRecordColumns()
{
    static const QStringList columns = [] {
        QStringList names{QStringLiteral("time"),       QStringLiteral("latitude"),   QStringLiteral("longitude"),
                          QStringLiteral("altitude_m"), QStringLiteral("satellites"), QStringLiteral("mean_cno"),
                          QStringLiteral("gps_fix"),    QStringLiteral("clock_state"), QStringLiteral("self_test"),
                          QStringLiteral("verdict")};
        for (int c = 1; c <= kChannels; ++c)
            names << QStringLiteral("ch%1_sat").arg(c) << QStringLiteral("ch%1_cno").arg(c);
        return names;
    }();
    return columns;
}

QString StatusRecordTime(std::int64_t timeMs)
{
    // UTC written as "Z", as in the traffic recordings.
    return QDateTime::fromMSecsSinceEpoch(timeMs, QTimeZone::utc()).toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz")) +
           u'Z';
}

std::vector<SStatusRecordValue> StatusRecordValues(const SGpsSample& gps, const SInstallationSample* installation,
                                                   const SConstellationSample* constellation)
{
    std::vector<SStatusRecordValue> values;
    values.reserve(std::size_t(StatusRecordColumns().size()));
    values.push_back(Text(StatusRecordTime(gps.timeMs)));
    values.push_back(Number(QString::number(gps.latitudeDeg, 'f', 7)));
    values.push_back(Number(QString::number(gps.longitudeDeg, 'f', 7)));
    values.push_back(Number(QString::number(gps.altitudeM, 'f', 2)));

    int tracked = 0;
    long long cnoSum = 0;
    for (const SChannelSample& channel : gps.channels) {
        if (channel.satellite != 0) {
            ++tracked;
            cnoSum += channel.cno;
        }
    }
    values.push_back(Number(QString::number(tracked)));
    // No mean of nothing: empty while no channel has a satellite.
    values.push_back(Number(tracked ? QString::number(double(cnoSum) / tracked, 'f', 1) : QString()));

    const auto row = [installation](int r) {
        return installation ? Text(installation->texts[std::size_t(r)]) : Text(QString());
    };
    values.push_back(row(CInstallStatusView::GpsFix));
    values.push_back(row(CInstallStatusView::ClockState));
    values.push_back(row(CInstallStatusView::SelfTests));
    values.push_back(Text(constellation ? constellation->verdictText : QString()));

    for (const SChannelSample& channel : gps.channels) {
        const bool used = channel.satellite != 0;
        values.push_back(Number(used ? QString::number(channel.satellite) : QString()));
        values.push_back(Number(used ? QString::number(channel.cno) : QString()));
    }
    return values;
}

QByteArray StatusRecordHeader(StatusRecordFormat format)
{
    if (format != StatusRecordFormat::Csv)
        return {};
    return StatusRecordColumns().join(u',').toUtf8() + '\n';
}

QByteArray StatusRecordLine(StatusRecordFormat format, const std::vector<SStatusRecordValue>& values)
{
    const QStringList& columns = StatusRecordColumns();
    if (format == StatusRecordFormat::Csv) {
        QByteArray line;
        for (std::size_t i = 0; i < values.size(); ++i) {
            if (i)
                line += ',';
            line += CsvField(values[i].text);
        }
        return line + '\n';
    }
    // Keys in column order, as the CSV header names them; null for an empty value.
    QByteArray line = "{";
    for (std::size_t i = 0; i < values.size() && i < std::size_t(columns.size()); ++i) {
        if (i)
            line += ',';
        line += '"' + columns[qsizetype(i)].toUtf8() + "\":";
        const SStatusRecordValue& value = values[i];
        if (value.text.isEmpty())
            line += "null";
        else if (value.number)
            line += value.text.toUtf8();
        else
            line += JsonString(value.text);
    }
    return line + "}\n";
}
