#include "app/main/TrafficRecordingControl.h"

#include "platform/LogCategories.h"
#include "platform/UserPrompts.h"
#include "traffic/TrafficSession.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

CTrafficRecordingControl::CTrafficRecordingControl(CTrafficSession& session, QObject* parent)
    : QObject(parent), session_(session)
{
    watch_.setInterval(kWatchIntervalMs);
    connect(&watch_, &QTimer::timeout, this, &CTrafficRecordingControl::CheckForFailure);
}

bool CTrafficRecordingControl::IsRecording() const
{
    return session_.IsRecording();
}

QString CTrafficRecordingControl::StatusText() const
{
    if (!session_.IsRecording())
        return {};
    return QStringLiteral("Recording unit traffic to %1").arg(QDir::toNativeSeparators(path_));
}

QString CTrafficRecordingControl::DefaultFileName(const QDateTime& time)
{
    return QStringLiteral("QORA-traffic-%1.jsonl").arg(time.toString(QStringLiteral("yyyyMMdd-HHmmss")));
}

void CTrafficRecordingControl::Toggle()
{
    if (session_.IsRecording())
        Stop();
    else
        Start();
}

void CTrafficRecordingControl::Start()
{
    if (folder_.isEmpty())
        folder_ = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    FileDialogRequest request;
    request.save = true;
    request.caption = QStringLiteral("Record Unit Traffic");
    request.initialPath = QDir(folder_).filePath(DefaultFileName(QDateTime::currentDateTime()));
    request.filter = QStringLiteral("Traffic recordings (*.jsonl)");
    request.defaultSuffix = QStringLiteral("jsonl");
    request.confirmOverwrite = false; // asked below, with appending as a choice
    const std::optional<QString> path = ShowFileDialog(request);
    if (!path)
        return;
    const std::optional<CRecordingWriter::Mode> mode = AskReplaceOrAppend(*path);
    if (!mode) {
        emit Changed();
        return;
    }
    QString error;
    if (!session_.StartRecording(*path, error, *mode)) {
        qCWarning(lcLink).noquote() << "traffic recording not started:" << error;
        ShowMessageBox(QStringLiteral("The unit traffic cannot be recorded.\n\n%1").arg(error), MsgIcon::Error,
                       MsgButtons::Ok);
        emit Changed();
        return;
    }
    path_ = *path;
    folder_ = QFileInfo(*path).absolutePath();
    watch_.start();
    emit Changed();
}

std::optional<CRecordingWriter::Mode> CTrafficRecordingControl::AskReplaceOrAppend(const QString& path)
{
    const QFileInfo file(path);
    if (!file.isFile() || file.size() == 0)
        return CRecordingWriter::Mode::Replace; // nothing there to keep
    MessageBoxRequest question;
    question.text = QStringLiteral("%1 already exists.\n\nReplace it with the new recording, or append the new "
                                   "recording to its end?")
                        .arg(QDir::toNativeSeparators(path));
    question.caption = QStringLiteral("Record Unit Traffic");
    question.icon = MsgIcon::Question;
    question.buttons = MsgButtons::YesNoCancel;
    question.buttonNames = {{MsgAnswer::Yes, QStringLiteral("&Replace")}, {MsgAnswer::No, QStringLiteral("&Append")}};
    switch (ShowMessageBox(question)) {
    case MsgAnswer::Yes:
        return CRecordingWriter::Mode::Replace;
    case MsgAnswer::No:
        return CRecordingWriter::Mode::Append;
    default:
        return std::nullopt;
    }
}

void CTrafficRecordingControl::Stop()
{
    session_.StopRecording();
    watch_.stop();
    ShowStatusMessage(QStringLiteral("Unit traffic recorded to %1").arg(QDir::toNativeSeparators(path_)));
    emit Changed();
}

void CTrafficRecordingControl::CheckForFailure()
{
    const QString error = session_.RecordingError();
    if (error.isEmpty() && session_.IsRecording())
        return;
    // Failed, or ended without us: either way the menu must not claim it runs.
    if (session_.IsRecording())
        session_.StopRecording();
    watch_.stop();
    emit Changed();
    if (error.isEmpty())
        return;
    qCWarning(lcLink).noquote() << "traffic recording stopped:" << error;
    ShowMessageBox(QStringLiteral("Recording the unit traffic to %1 has stopped.\n\n%2\n\n"
                                  "Everything recorded before this is kept in the file.")
                       .arg(QDir::toNativeSeparators(path_), error),
                   MsgIcon::Error, MsgButtons::Ok);
}
