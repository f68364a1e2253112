#pragma once
// A traffic recording: one JSON object per exchange and line, with the keys of
// the simulator's trace (kind, conn, route, req, result, rep) plus time and
// rtt_ms. Lines are appended and written through one by one, so a crash leaves
// only whole lines. docs/traffic-recording.md describes the format.

#include "traffic/TrafficExchange.h"

#include <QFile>
#include <QString>

#include <mutex>
#include <string>

// The line for one exchange, newline included.
[[nodiscard]] std::string FormatRecordingLine(const STrafficExchange& exchange);
// "2026-12-08T08:21:18.123Z".
[[nodiscard]] std::string FormatRecordingTime(std::int64_t timeMs);

class CRecordingWriter {
public:
    // Opens the file for appending; false with the reason when it cannot.
    bool Open(const QString& path, QString& error);
    void Close();
    [[nodiscard]] bool IsOpen() const;
    // Safe from any thread. False when the line could not be written whole;
    // the first such failure is logged with its reason.
    bool Write(const STrafficExchange& exchange);
    // Why the last write failed, or empty.
    [[nodiscard]] QString Error() const;

private:
    mutable std::mutex mutex_;
    QFile file_;
    bool failed_ = false;
    QString error_;
};
