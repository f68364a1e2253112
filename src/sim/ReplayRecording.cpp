#include "sim/ReplayRecording.h"

#include "recording/LineReader.h"
#include "sim/ConnectionString.h"

#include <QBuffer>
#include <QFile>

namespace sim {

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
    const bool read = recording::ReadLines(
        device, [&loaded](recording::Line&& line, QString& reason) { return loaded.Take(std::move(line), reason); },
        error);
    if (!read)
        return false;
    *this = std::move(loaded);
    return true;
}

bool CReplayRecording::Take(recording::Line&& line, QString& reason)
{
    switch (line.kind) {
    case recording::Kind::Close:
        return true;
    case recording::Kind::Open: {
        // The connection text as the gateway compares it (trimmed); a
        // recorder that does not name it still has the text as sent in req.
        const std::string text = line.conn ? *line.conn : std::string(line.req.begin(), line.req.end());
        opens_[std::string(TrimBlanks(text))].recorded.push_back({line.result, {}});
        return true;
    }
    case recording::Kind::Transfer:
        break;
    }
    RecordedAnswer answer{line.result, {}};
    if (answer.result == 0) {
        // A successful exchange without its reply cannot be played back.
        if (!line.rep) {
            reason = QStringLiteral("rep is null for a transfer with result 0");
            return false;
        }
        answer.reply = std::move(*line.rep);
    }
    // The trace writes the null route as null, the empty route means the same.
    transfers_[{line.route.value_or(std::string()), std::move(line.req)}].recorded.push_back(std::move(answer));
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
