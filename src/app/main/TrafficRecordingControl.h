#pragma once
// File > Record Unit Traffic...: asks where the recording goes and starts it,
// stops it on the second use, and notices when writing it fails (a full
// disk): the recording then stops, keeping every line written, and the
// engineer is told why rather than believing it still runs.

#include "traffic/RecordingWriter.h"

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QTimer>

#include <optional>

class CTrafficSession;

class CTrafficRecordingControl : public QObject {
    Q_OBJECT
public:
    static constexpr int kWatchIntervalMs = 500;

    explicit CTrafficRecordingControl(CTrafficSession& session, QObject* parent = nullptr);

    // Off: a save dialog, then the recording starts (a message box says why
    // it could not); on: the recording stops.
    void Toggle();
    [[nodiscard]] bool IsRecording() const;
    // For the status bar: where the recording goes, or empty.
    [[nodiscard]] QString StatusText() const;
    // "QORA-traffic-20261208-094501.jsonl".
    [[nodiscard]] static QString DefaultFileName(const QDateTime& time);
    // The watch timer calls it; stops a recording whose writing failed.
    void CheckForFailure();

signals:
    void Changed();

private:
    void Start();
    // For a file that holds something: replace it, append to it, or nothing
    // (cancelled).
    static std::optional<CRecordingWriter::Mode> AskReplaceOrAppend(const QString& path);
    void Stop();

    CTrafficSession& session_;
    QTimer watch_;
    QString path_;
    QString folder_;
};
