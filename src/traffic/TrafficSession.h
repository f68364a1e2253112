#pragma once
// The traffic of the whole run: one observer of every connection's link,
// feeding the ring the traffic window shows and, while one is running, a
// recording. Recording starts and stops at any time and takes effect for the
// connection already open, because the observer itself stays installed. A
// recording started while connected begins with that connection's OPEN and
// identity answer, marked as carried over, so that it replays like one
// started before the connection.

#include "link/LinkTap.h"
#include "traffic/RecordingWriter.h"
#include "traffic/TrafficRing.h"

#include <QString>

#include <cstddef>
#include <memory>

class CTrafficSession {
public:
    explicit CTrafficSession(std::size_t ringCapacity = CTrafficRing::kDefaultCapacity);
    ~CTrafficSession(); // ends a recording, every line written
    CTrafficSession(const CTrafficSession&) = delete;
    CTrafficSession& operator=(const CTrafficSession&) = delete;

    [[nodiscard]] CTrafficRing& Ring();
    // Install it once with SetLinkObserver; it outlives the session safely
    // (a link that still holds it after the session ends reports to nothing).
    [[nodiscard]] std::shared_ptr<ILinkObserver> Observer() const;

    // Records to the file from the next exchange on, after the open
    // connection's OPEN and identity answer; false with the reason.
    bool StartRecording(const QString& path, QString& error,
                        CRecordingWriter::Mode mode = CRecordingWriter::Mode::Append);
    // Every exchange seen so far is in the file when it returns.
    void StopRecording();
    [[nodiscard]] bool IsRecording() const;
    [[nodiscard]] QString RecordingPath() const;
    // Why the recording could not be written (a full disk), or empty. The
    // recording stays what it was up to the failure, whole lines only.
    [[nodiscard]] QString RecordingError() const;

private:
    struct Shared;
    class SessionObserver;
    std::shared_ptr<Shared> shared_;
    std::shared_ptr<ILinkObserver> observer_;
};
