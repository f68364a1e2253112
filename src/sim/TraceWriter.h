#pragma once
// The trace file: one JSON object per line for every OPEN and TRANSFER the
// gateway answers, written through at once so that a test can read it while
// the simulator runs.

#include <QFile>
#include <QString>

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace sim {

struct TraceRecord {
    std::string_view kind; // "open" or "transfer"
    std::uint16_t seq = 0;
    std::optional<std::string_view> conn;  // null: none
    std::optional<std::string_view> unit;  // "IP:Q1" of the unit, null: none
    std::optional<std::string_view> route; // null: the null route
    std::span<const std::uint8_t> req;
    std::uint8_t result = 0;
    std::optional<std::span<const std::uint8_t>> rep; // null: no reply bytes
};

// {"kind":…,"seq":…,"conn":…,"unit":…,"route":…,"req":…,"result":…,"rep":…}
// with a newline, by the recording format's one writer. Text is read as
// Latin-1 and escaped to plain ASCII; bytes are lower-case hex without
// separators.
[[nodiscard]] std::string FormatTraceLine(const TraceRecord& record);

class CTraceWriter {
public:
    // Opens the file for appending; false with a reason when it cannot.
    bool Open(const QString& path, QString& error);
    void Write(const TraceRecord& record);

private:
    QFile file_;
    bool failed_ = false;
};

} // namespace sim
