#pragma once
// A recorded session read back for a gateway that answers from it: the OPEN
// results by connection text and the TRANSFER answers by route and request
// bytes, each handed out in recorded order, the last one repeating. The lines
// are read by the recording format's one reader, as the tool reads them.

#include "recording/LineReader.h"

#include <QIODevice>
#include <QString>

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace sim {

struct RecordedAnswer {
    std::uint8_t result = 0;
    std::vector<std::uint8_t> reply; // empty unless the result is 0
};

class CReplayRecording {
public:
    // Longest line accepted, as for every reader of recordings.
    static constexpr qint64 kMaxLineLength = qint64(recording::kMaxLineLength);

    // Reads a whole recording. On failure returns false with "line N: reason"
    // in `error` and leaves the recording as it was.
    bool Load(const QString& path, QString& error);
    // The same for text already in memory (whole lines, '\n' separated).
    bool Parse(const QByteArray& text, QString& error);

    // The next recorded answer to an OPEN of `connection` (trimmed), or to a
    // TRANSFER on `route` with `request`; nullopt when never recorded.
    std::optional<RecordedAnswer> NextOpen(const std::string& connection);
    std::optional<RecordedAnswer> NextTransfer(const std::string& route, const std::vector<std::uint8_t>& request);

    [[nodiscard]] std::size_t OpenCount() const { return opens_.size(); }
    [[nodiscard]] std::size_t TransferCount() const { return transfers_.size(); }

private:
    struct Answers {
        std::vector<RecordedAnswer> recorded;
        std::size_t next = 0;
    };
    static std::optional<RecordedAnswer> Next(Answers& answers);
    bool Read(QIODevice& device, QString& error);
    // Files one line's answer; false with the reason for a line that cannot be played.
    bool Take(recording::Line&& line, QString& reason);

    std::map<std::string, Answers> opens_;
    std::map<std::pair<std::string, std::vector<std::uint8_t>>, Answers> transfers_;
};

} // namespace sim
