#pragma once
// A traffic recording: one JSON object per exchange and line, with the keys of
// the simulator's trace (kind, conn, route, req, result, rep) plus time and
// rtt_ms, written by the recording format's one writer. Lines are written
// whole, so a crash leaves only whole lines. docs/traffic-recording.md
// describes the format.

#include "traffic/TrafficExchange.h"

#include <QFile>
#include <QString>

#include <condition_variable>
#include <memory>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// The line for one exchange, newline included.
[[nodiscard]] std::string FormatRecordingLine(const STrafficExchange& exchange);
// The same, added to the end of `lines`.
void AppendRecordingLine(std::string& lines, const STrafficExchange& exchange);
// "2026-12-08T08:21:18.123Z".
[[nodiscard]] std::string FormatRecordingTime(std::int64_t timeMs);

class CRecordingWriter {
public:
    CRecordingWriter() = default;
    ~CRecordingWriter(); // closes: every line handed over is in the file
    CRecordingWriter(const CRecordingWriter&) = delete;
    CRecordingWriter& operator=(const CRecordingWriter&) = delete;

    enum class Mode { Append, Replace };
    // Opens the file, adding to its end or replacing what it held; false
    // with the reason when it cannot.
    bool Open(const QString& path, QString& error, Mode mode = Mode::Append);
    // Writes what is still waiting, then closes the file.
    void Close();
    [[nodiscard]] bool IsOpen() const;
    // Safe from any thread, and cheap: the line is formatted and written on
    // the writer's own thread, as soon as it gets to it, so the link never
    // waits for the disk. False when the recording is not open or has failed.
    bool Write(STrafficExchange exchange);
    bool Write(std::shared_ptr<const STrafficExchange> exchange);
    // Returns once every exchange handed over so far is in the file (or the
    // recording has failed).
    void Flush();
    // Why writing failed (a full disk), or empty. The file then ends with the
    // last whole line that could be written.
    [[nodiscard]] QString Error() const;

private:
    void Run();
    bool WriteLines(const std::string& lines);

    mutable std::mutex mutex_;
    std::condition_variable wake_;    // lines waiting, or closing
    std::condition_variable written_; // a batch has reached the file
    std::vector<std::shared_ptr<const STrafficExchange>> pending_;
    std::uint64_t handedOver_ = 0;
    std::uint64_t done_ = 0;
    bool closing_ = false;
    bool flushing_ = false; // someone waits: no gathering
    bool open_ = false;
    bool failed_ = false;
    QString error_;
    std::thread thread_;
    QFile file_; // the writer's thread alone writes while it runs
    qint64 size_ = 0;
};
