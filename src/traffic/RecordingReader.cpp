#include "traffic/RecordingReader.h"

#include "platform/LogCategories.h"

#include <QDateTime>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>

#include <cmath>

namespace {

int HexValue(char ch)
{
    if (ch >= '0' && ch <= '9')
        return ch - '0';
    if (ch >= 'a' && ch <= 'f')
        return ch - 'a' + 10;
    if (ch >= 'A' && ch <= 'F')
        return ch - 'A' + 10;
    return -1;
}

bool ParseHex(const QString& text, std::vector<std::uint8_t>& bytes, const char* key, QString& reason)
{
    if (text.size() % 2 != 0) {
        reason = QStringLiteral("%1 has an odd number of hex digits").arg(QLatin1String(key));
        return false;
    }
    bytes.clear();
    bytes.reserve(static_cast<std::size_t>(text.size() / 2));
    for (qsizetype i = 0; i < text.size(); i += 2) {
        const QChar high = text[i];
        const QChar low = text[i + 1];
        const int h = high.unicode() < 0x80 ? HexValue(char(high.unicode())) : -1;
        const int l = low.unicode() < 0x80 ? HexValue(char(low.unicode())) : -1;
        if (h < 0 || l < 0) {
            reason = QStringLiteral("%1 is not hex at digit %2").arg(QLatin1String(key)).arg(h < 0 ? i + 1 : i + 2);
            return false;
        }
        bytes.push_back(static_cast<std::uint8_t>((h << 4) | l));
    }
    return true;
}

bool Require(const QJsonObject& object, const char* key, QJsonValue& value, QString& reason)
{
    const auto it = object.constFind(QLatin1String(key));
    if (it == object.constEnd()) {
        reason = QStringLiteral("missing key %1").arg(QLatin1String(key));
        return false;
    }
    value = *it;
    return true;
}

// A text or null; text outside Latin-1 cannot have come from the link.
bool OptionalText(const QJsonValue& value, const char* key, std::optional<std::string>& text, QString& reason)
{
    if (value.isNull()) {
        text.reset();
        return true;
    }
    if (!value.isString()) {
        reason = QStringLiteral("%1 is neither text nor null").arg(QLatin1String(key));
        return false;
    }
    const QString s = value.toString();
    for (const QChar ch : s) {
        if (ch.unicode() > 0xFF) {
            reason = QStringLiteral("%1 holds a character outside Latin-1").arg(QLatin1String(key));
            return false;
        }
    }
    text = s.toLatin1().toStdString();
    return true;
}

bool WholeNumber(const QJsonValue& value, const char* key, double max, std::int64_t& number, QString& reason)
{
    const double d = value.toDouble(-1);
    if (!value.isDouble() || d < 0 || d > max || std::floor(d) != d) {
        reason = QStringLiteral("%1 is not a whole number from 0 to %2").arg(QLatin1String(key)).arg(max, 0, 'f', 0);
        return false;
    }
    number = static_cast<std::int64_t>(d);
    return true;
}

} // namespace

bool ParseRecordingLine(std::string_view line, STrafficExchange& exchange, QString& reason)
{
    if (line.size() > kMaxRecordingLine) {
        reason = QStringLiteral("line longer than %1 bytes").arg(kMaxRecordingLine);
        return false;
    }
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(
        QByteArray::fromRawData(line.data(), static_cast<qsizetype>(line.size())), &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        reason = QStringLiteral("not JSON (%1 at column %2)").arg(parseError.errorString()).arg(parseError.offset + 1);
        return false;
    }
    if (!document.isObject()) {
        reason = QStringLiteral("not a JSON object");
        return false;
    }
    const QJsonObject object = document.object();
    STrafficExchange parsed;
    QJsonValue value;

    if (!Require(object, "kind", value, reason))
        return false;
    const auto kind = TrafficKindFromName(value.toString().toStdString());
    if (!value.isString() || !kind) {
        reason = QStringLiteral("unknown kind");
        return false;
    }
    parsed.kind = *kind;

    if (!Require(object, "conn", value, reason) || !OptionalText(value, "conn", parsed.conn, reason))
        return false;
    if (!Require(object, "route", value, reason) || !OptionalText(value, "route", parsed.route, reason))
        return false;

    if (!Require(object, "req", value, reason))
        return false;
    if (!value.isString()) {
        reason = QStringLiteral("req is not a hex text");
        return false;
    }
    if (!ParseHex(value.toString(), parsed.req, "req", reason))
        return false;

    std::int64_t number = 0;
    if (!Require(object, "result", value, reason) || !WholeNumber(value, "result", 255, number, reason))
        return false;
    parsed.result = static_cast<std::uint8_t>(number);

    if (!Require(object, "rep", value, reason))
        return false;
    if (!value.isNull()) {
        if (!value.isString()) {
            reason = QStringLiteral("rep is neither hex text nor null");
            return false;
        }
        std::vector<std::uint8_t> rep;
        if (!ParseHex(value.toString(), rep, "rep", reason))
            return false;
        parsed.rep = std::move(rep);
    }

    // Written by the tool, absent from the simulator's own trace.
    value = object.value(QLatin1String("time"));
    if (!value.isUndefined()) {
        const QDateTime time = QDateTime::fromString(value.toString(), Qt::ISODateWithMs);
        if (!value.isString() || !time.isValid()) {
            reason = QStringLiteral("time is not an ISO 8601 time");
            return false;
        }
        parsed.timeMs = time.toMSecsSinceEpoch();
    }
    value = object.value(QLatin1String("rtt_ms"));
    if (!value.isUndefined() && !WholeNumber(value, "rtt_ms", 9007199254740991.0, parsed.rttMs, reason))
        return false;
    value = object.value(QLatin1String("failed"));
    if (value.isUndefined()) {
        parsed.failed = parsed.result != 0;
    } else if (value.isBool()) {
        parsed.failed = value.toBool();
    } else {
        reason = QStringLiteral("failed is not true or false");
        return false;
    }

    exchange = std::move(parsed);
    return true;
}

std::optional<std::vector<STrafficExchange>> ReadRecording(QIODevice& device, QString& error)
{
    std::vector<STrafficExchange> exchanges;
    qint64 lineNumber = 0;
    while (!device.atEnd()) {
        ++lineNumber;
        // One byte over the limit tells a huge line from one that just fits.
        QByteArray line = device.readLine(qint64(kMaxRecordingLine) + 2);
        const bool whole = line.endsWith('\n');
        if (whole)
            line.chop(1);
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.size() > qsizetype(kMaxRecordingLine)) {
            error = QStringLiteral("line %1: longer than %2 bytes").arg(lineNumber).arg(kMaxRecordingLine);
            qCWarning(lcLink, "recording refused: %s", qPrintable(error));
            return std::nullopt;
        }
        if (line.trimmed().isEmpty())
            continue;
        STrafficExchange exchange;
        QString reason;
        if (!ParseRecordingLine(std::string_view(line.constData(), std::size_t(line.size())), exchange, reason)) {
            if (!whole)
                reason += QStringLiteral(" (the last line is cut short)");
            error = QStringLiteral("line %1: %2").arg(lineNumber).arg(reason);
            qCWarning(lcLink, "recording refused: %s", qPrintable(error));
            return std::nullopt;
        }
        exchanges.push_back(std::move(exchange));
    }
    return exchanges;
}

std::optional<std::vector<STrafficExchange>> ReadRecordingFile(const QString& path, QString& error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("cannot open the recording %1: %2").arg(path, file.errorString());
        qCWarning(lcLink, "%s", qPrintable(error));
        return std::nullopt;
    }
    auto exchanges = ReadRecording(file, error);
    if (!exchanges)
        error = QStringLiteral("%1: %2").arg(path, error);
    return exchanges;
}
