#include "traffic/RecordingReader.h"

#include "platform/LogCategories.h"

#include <QFile>

namespace {

ETrafficKind KindOf(recording::Kind kind)
{
    switch (kind) {
    case recording::Kind::Open:
        return ETrafficKind::Open;
    case recording::Kind::Close:
        return ETrafficKind::Close;
    case recording::Kind::Transfer:
        break;
    }
    return ETrafficKind::Transfer;
}

STrafficExchange ToExchange(recording::Line&& line)
{
    STrafficExchange exchange;
    exchange.kind = KindOf(line.kind);
    exchange.timeMs = line.timeMs.value_or(0);
    exchange.conn = std::move(line.conn);
    exchange.route = std::move(line.route);
    exchange.req = std::move(line.req);
    exchange.result = line.result;
    exchange.rep = std::move(line.rep);
    exchange.rttMs = line.rttMs.value_or(0);
    // A simulator trace does not say; a result other than 0 is a failure.
    exchange.failed = line.failed.value_or(line.result != 0);
    exchange.carriedOver = line.carriedOver;
    return exchange;
}

} // namespace

bool ParseRecordingLine(std::string_view line, STrafficExchange& exchange, QString& reason)
{
    recording::Line parsed;
    if (!recording::ParseLine(line, parsed, reason))
        return false;
    exchange = ToExchange(std::move(parsed));
    return true;
}

std::optional<std::vector<STrafficExchange>> ReadRecording(QIODevice& device, QString& error)
{
    std::vector<STrafficExchange> exchanges;
    const bool read = recording::ReadLines(
        device,
        [&exchanges](recording::Line&& line, QString&) {
            exchanges.push_back(ToExchange(std::move(line)));
            return true;
        },
        error);
    if (!read) {
        qCWarning(lcLink, "recording refused: %s", qPrintable(error));
        return std::nullopt;
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
