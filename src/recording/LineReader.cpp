#include "recording/LineReader.h"

#include <QByteArray>
#include <QDateTime>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>

#include <cmath>
#include <cstdint>

namespace recording {
namespace {

int HexValue(char16_t ch)
{
    if (ch >= u'0' && ch <= u'9')
        return ch - u'0';
    if (ch >= u'a' && ch <= u'f')
        return ch - u'a' + 10;
    if (ch >= u'A' && ch <= u'F')
        return ch - u'A' + 10;
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
        const int h = HexValue(text[i].unicode());
        const int l = HexValue(text[i + 1].unicode());
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

bool OptionalFlag(const QJsonObject& object, const char* key, std::optional<bool>& flag, QString& reason)
{
    const QJsonValue value = object.value(QLatin1String(key));
    if (value.isUndefined())
        return true;
    if (!value.isBool()) {
        reason = QStringLiteral("%1 is not true or false").arg(QLatin1String(key));
        return false;
    }
    flag = value.toBool();
    return true;
}

} // namespace

bool ParseLine(std::string_view text, Line& line, QString& reason)
{
    if (text.size() > kMaxLineLength) {
        reason = QStringLiteral("line longer than %1 bytes").arg(kMaxLineLength);
        return false;
    }
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(
        QByteArray::fromRawData(text.data(), static_cast<qsizetype>(text.size())), &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        reason = QStringLiteral("not JSON (%1 at column %2)").arg(parseError.errorString()).arg(parseError.offset + 1);
        return false;
    }
    if (!document.isObject()) {
        reason = QStringLiteral("not a JSON object");
        return false;
    }
    const QJsonObject object = document.object();
    Line parsed;
    QJsonValue value;

    if (!Require(object, "kind", value, reason))
        return false;
    const auto kind = KindNamed(value.toString().toStdString());
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
    if (!value.isUndefined()) {
        std::int64_t rtt = 0;
        if (!WholeNumber(value, "rtt_ms", 9007199254740991.0, rtt, reason))
            return false;
        parsed.rttMs = rtt;
    }
    if (!OptionalFlag(object, "failed", parsed.failed, reason))
        return false;
    std::optional<bool> carried;
    if (!OptionalFlag(object, "carried_over", carried, reason))
        return false;
    parsed.carriedOver = carried.value_or(false);

    line = std::move(parsed);
    return true;
}

bool ReadLines(QIODevice& device, const LineTaker& take, QString& error)
{
    qint64 lineNumber = 0;
    while (!device.atEnd()) {
        ++lineNumber;
        // One byte over the limit tells a huge line from one that just fits.
        QByteArray text = device.readLine(qint64(kMaxLineLength) + 2);
        if (text.isEmpty()) {
            // Not even a line end although the device is not at its end.
            error = QStringLiteral("line %1: cannot read: %2").arg(lineNumber).arg(device.errorString());
            return false;
        }
        const bool whole = text.endsWith('\n');
        if (whole)
            text.chop(1);
        if (text.endsWith('\r'))
            text.chop(1);
        if (text.size() > qsizetype(kMaxLineLength)) {
            error = QStringLiteral("line %1: longer than %2 bytes").arg(lineNumber).arg(kMaxLineLength);
            return false;
        }
        if (text.trimmed().isEmpty())
            continue;
        Line line;
        QString reason;
        if (!ParseLine(std::string_view(text.constData(), std::size_t(text.size())), line, reason)) {
            if (!whole)
                reason += QStringLiteral(" (the last line is cut short)");
            error = QStringLiteral("line %1: %2").arg(lineNumber).arg(reason);
            return false;
        }
        if (!take(std::move(line), reason)) {
            error = QStringLiteral("line %1: %2").arg(lineNumber).arg(reason);
            return false;
        }
    }
    return true;
}

} // namespace recording
