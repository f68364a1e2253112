#include "sim/ReplayRecording.h"

#include "sim/ConnectionString.h"

#include <QBuffer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>

namespace sim {
namespace {

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool FromHex(const QString& hex, std::vector<std::uint8_t>& bytes)
{
    if (hex.size() % 2 != 0)
        return false;
    const QByteArray latin = hex.toLatin1();
    bytes.clear();
    bytes.reserve(std::size_t(latin.size() / 2));
    for (qsizetype i = 0; i < latin.size(); i += 2) {
        const int high = HexValue(latin[i]);
        const int low = HexValue(latin[i + 1]);
        if (high < 0 || low < 0)
            return false;
        bytes.push_back(std::uint8_t(high << 4 | low));
    }
    return true;
}

// The text as the gateway compares it: Latin-1, as the trace escapes it.
std::string Latin1(const QString& text)
{
    const std::string latin = text.toLatin1().toStdString();
    return std::string(TrimBlanks(latin));
}

bool ReadResult(const QJsonObject& object, std::uint8_t& result, QString& reason)
{
    const QJsonValue value = object.value(QStringLiteral("result"));
    if (value.isUndefined()) {
        reason = QStringLiteral("missing key \"result\"");
        return false;
    }
    const double number = value.toDouble(-1);
    if (!value.isDouble() || number < 0 || number > 255 || number != double(int(number))) {
        reason = QStringLiteral("\"result\" is not a number from 0 to 255");
        return false;
    }
    result = std::uint8_t(number);
    return true;
}

} // namespace

bool CReplayRecording::Load(const QString& path, QString& error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("cannot open recording %1: %2").arg(path, file.errorString());
        return false;
    }
    if (!Read(file, error)) {
        error = QStringLiteral("recording %1, %2").arg(path, error);
        return false;
    }
    return true;
}

bool CReplayRecording::Parse(const QByteArray& text, QString& error)
{
    QByteArray copy = text;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    return Read(buffer, error);
}

bool CReplayRecording::Read(QIODevice& device, QString& error)
{
    CReplayRecording loaded;
    qint64 number = 0;
    while (!device.atEnd()) {
        ++number;
        // One byte more than allowed tells a line at the limit from a longer one.
        const QByteArray line = device.readLine(kMaxLineLength + 2);
        QString reason;
        if (line.size() > kMaxLineLength)
            reason = QStringLiteral("line longer than %1 bytes").arg(kMaxLineLength);
        else if (line.isEmpty())
            reason = QStringLiteral("cannot read: %1").arg(device.errorString());
        else
            loaded.ParseLine(line, reason);
        if (!reason.isEmpty()) {
            error = QStringLiteral("line %1: %2").arg(number).arg(reason);
            return false;
        }
    }
    *this = std::move(loaded);
    return true;
}

bool CReplayRecording::ParseLine(const QByteArray& line, QString& reason)
{
    if (line.trimmed().isEmpty())
        return true; // blank lines carry nothing
    if (!line.endsWith('\n')) {
        // Lines are written whole; one without its end was cut short.
        reason = QStringLiteral("truncated line (no line end)");
        return false;
    }
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(line, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        reason = QStringLiteral("not JSON: %1").arg(parseError.errorString());
        return false;
    }
    if (!document.isObject()) {
        reason = QStringLiteral("not a JSON object");
        return false;
    }
    const QJsonObject object = document.object();
    const QJsonValue kind = object.value(QStringLiteral("kind"));
    if (!kind.isString()) {
        reason = QStringLiteral("missing key \"kind\"");
        return false;
    }
    if (kind.toString() == u"close")
        return true;

    RecordedAnswer answer;
    if (!ReadResult(object, answer.result, reason))
        return false;

    if (kind.toString() == u"open") {
        // The connection text; a recorder that names connections otherwise
        // still has the text as received in "req".
        const QJsonValue conn = object.value(QStringLiteral("conn"));
        std::string connection;
        std::vector<std::uint8_t> text;
        if (conn.isString()) {
            connection = Latin1(conn.toString());
        } else if (object.value(QStringLiteral("req")).isString()
                   && FromHex(object.value(QStringLiteral("req")).toString(), text)) {
            connection = std::string(TrimBlanks(std::string_view(reinterpret_cast<const char*>(text.data()), text.size())));
        } else {
            reason = QStringLiteral("missing key \"conn\"");
            return false;
        }
        opens_[connection].recorded.push_back(std::move(answer));
        return true;
    }
    if (kind.toString() != u"transfer") {
        reason = QStringLiteral("unknown kind \"%1\"").arg(kind.toString().left(40));
        return false;
    }

    const QJsonValue route = object.value(QStringLiteral("route"));
    if (route.isUndefined()) {
        reason = QStringLiteral("missing key \"route\"");
        return false;
    }
    if (!route.isString() && !route.isNull()) {
        reason = QStringLiteral("\"route\" is neither text nor null");
        return false;
    }
    const QJsonValue req = object.value(QStringLiteral("req"));
    if (!req.isString()) {
        reason = QStringLiteral("missing key \"req\"");
        return false;
    }
    std::vector<std::uint8_t> request;
    if (!FromHex(req.toString(), request)) {
        reason = QStringLiteral("\"req\" is not hex bytes");
        return false;
    }
    const QJsonValue rep = object.value(QStringLiteral("rep"));
    if (answer.result == 0) {
        // A successful exchange without its reply cannot be played back.
        if (!rep.isString()) {
            reason = QStringLiteral("missing key \"rep\"");
            return false;
        }
        if (!FromHex(rep.toString(), answer.reply)) {
            reason = QStringLiteral("\"rep\" is not hex bytes");
            return false;
        }
    }
    // The trace writes the empty route as null.
    const std::string routeText = route.isNull() ? std::string() : route.toString().toLatin1().toStdString();
    transfers_[{routeText, std::move(request)}].recorded.push_back(std::move(answer));
    return true;
}

std::optional<RecordedAnswer> CReplayRecording::Next(Answers& answers)
{
    if (answers.recorded.empty())
        return std::nullopt;
    const RecordedAnswer& answer = answers.recorded[answers.next];
    if (answers.next + 1 < answers.recorded.size())
        ++answers.next;
    return answer;
}

std::optional<RecordedAnswer> CReplayRecording::NextOpen(const std::string& connection)
{
    const auto found = opens_.find(connection);
    if (found == opens_.end())
        return std::nullopt;
    return Next(found->second);
}

std::optional<RecordedAnswer> CReplayRecording::NextTransfer(const std::string& route,
                                                             const std::vector<std::uint8_t>& request)
{
    const auto found = transfers_.find({route, request});
    if (found == transfers_.end())
        return std::nullopt;
    return Next(found->second);
}

} // namespace sim
