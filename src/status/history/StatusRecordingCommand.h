#pragma once
// "Status > Record to File...": when no recording runs, asks for a file
// (through the program's file dialog) and records the status history to it
// as samples arrive; when one runs, stops it. A file that cannot be written
// ends the recording with a message box that says why. While it records, all
// three status windows go on asking, shown or not. Widget-free.

#include "status/history/StatusRecorder.h"

#include <QDateTime>
#include <QObject>
#include <QString>

#include <functional>

class CStatusHistoryFeed;

class CStatusRecordingCommand : public QObject {
    Q_OBJECT
public:
    explicit CStatusRecordingCommand(CStatusHistoryFeed& feed, QObject* parent = nullptr);
    ~CStatusRecordingCommand() override;

    // The menu command: starts (after the file dialog) or stops.
    void Toggle();
    void Stop();
    [[nodiscard]] bool IsRecording() const { return recorder_.IsOpen(); }
    [[nodiscard]] const CStatusRecorder& Recorder() const { return recorder_; }

    // "QORA-status-20261208-095053.csv" for that local time.
    [[nodiscard]] static QString DefaultFileName(const QDateTime& time);
    // Tests fix the time the default name is made of.
    void SetClock(std::function<QDateTime()> now) { now_ = std::move(now); }

signals:
    // The menu's check mark follows this.
    void RecordingChanged(bool recording);

private:
    void Start();
    void SetWantedAll(bool wanted);
    void OnFailed(const QString& reason);

    CStatusHistoryFeed& feed_;
    CStatusRecorder recorder_;
    std::function<QDateTime()> now_;
    QString lastFolder_;
};
