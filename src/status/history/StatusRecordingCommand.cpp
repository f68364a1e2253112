#include "status/history/StatusRecordingCommand.h"

#include "platform/UserPrompts.h"
#include "status/history/StatusHistoryFeed.h"

#include <QDir>
#include <QFileInfo>

namespace {

const StatusSampleKind kAllKinds[] = {StatusSampleKind::Gps, StatusSampleKind::Installation,
                                      StatusSampleKind::Constellation};

} // namespace

CStatusRecordingCommand::CStatusRecordingCommand(CStatusHistoryFeed& feed, QObject* parent)
    : QObject(parent), feed_(feed), now_([] { return QDateTime::currentDateTime(); })
{
    connect(&recorder_, &CStatusRecorder::Failed, this, &CStatusRecordingCommand::OnFailed);
}

CStatusRecordingCommand::~CStatusRecordingCommand()
{
    SetWantedAll(false);
}

QString CStatusRecordingCommand::DefaultFileName(const QDateTime& time)
{
    return QStringLiteral("QORA-status-") + time.toString(QStringLiteral("yyyyMMdd-HHmmss")) +
           QStringLiteral(".csv");
}

void CStatusRecordingCommand::Toggle()
{
    if (IsRecording())
        Stop();
    else
        Start();
}

void CStatusRecordingCommand::Start()
{
    FileDialogRequest request;
    request.save = true;
    request.caption = QStringLiteral("Record to File");
    const QString name = DefaultFileName(now_());
    request.initialPath = lastFolder_.isEmpty() ? name : QDir(lastFolder_).filePath(name);
    request.filter = QStringLiteral("CSV files (*.csv);;JSON lines (*.jsonl)");
    request.defaultSuffix = QStringLiteral("csv");
    const std::optional<QString> path = ShowFileDialog(request);
    if (!path || path->isEmpty()) {
        emit RecordingChanged(false);
        return;
    }
    lastFolder_ = QFileInfo(*path).absolutePath();
    QString error;
    if (!recorder_.Open(*path, StatusRecordFormatOfPath(*path), error)) {
        ShowMessageBox(QStringLiteral("Cannot record to %1:\n\n%2").arg(QDir::toNativeSeparators(*path), error),
                       MsgIcon::Warning, MsgButtons::Ok);
        emit RecordingChanged(false);
        return;
    }
    recorder_.Follow(feed_.History());
    SetWantedAll(true);
    ShowStatusMessage(QStringLiteral("Recording the status to %1").arg(QDir::toNativeSeparators(*path)));
    emit RecordingChanged(true);
}

void CStatusRecordingCommand::Stop()
{
    const bool was = IsRecording();
    recorder_.Close();
    SetWantedAll(false);
    if (was)
        ShowStatusMessage(QStringLiteral("%1 status rows recorded to %2")
                              .arg(recorder_.Rows())
                              .arg(QDir::toNativeSeparators(recorder_.Path())));
    emit RecordingChanged(false);
}

void CStatusRecordingCommand::SetWantedAll(bool wanted)
{
    for (const StatusSampleKind kind : kAllKinds)
        feed_.SetWanted(kind, wanted, this);
}

void CStatusRecordingCommand::OnFailed(const QString& reason)
{
    SetWantedAll(false);
    emit RecordingChanged(false);
    const std::int64_t rows = recorder_.Rows();
    ShowMessageBox(QStringLiteral("The recording to %1 stopped: it could not be written.\n\n%2\n\n"
                                  "The file keeps the %3 written before.")
                       .arg(QDir::toNativeSeparators(recorder_.Path()), reason,
                            rows == 1 ? QStringLiteral("row") : QStringLiteral("%1 rows").arg(rows)),
                   MsgIcon::Error, MsgButtons::Ok);
}
