#pragma once
// Questions and notices to the user, each one replaceable function: the
// desktop program installs the real dialogs, the command-line companion prints,
// tests record and answer on the user's behalf.

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <utility>
#include <vector>

enum class MsgIcon { None, Information, Warning, Error, Question };
enum class MsgButtons { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel, AbortRetryIgnore };
enum class MsgAnswer { Ok = 1, Cancel = 2, Abort = 3, Retry = 4, Ignore = 5, Yes = 6, No = 7 };

struct MessageBoxRequest {
    QString text;
    QString caption; // empty: the application's name
    MsgIcon icon = MsgIcon::None;
    MsgButtons buttons = MsgButtons::Ok;
    std::optional<MsgAnswer> defaultAnswer; // the button Enter presses; the first one when unset
    // Names some buttons carry instead of their standard texts ("&Append" on
    // No); the answer stays the button's.
    std::vector<std::pair<MsgAnswer, QString>> buttonNames = {};
};

struct FileDialogRequest {
    bool save = false;
    QString caption;
    QString initialPath; // folder, or folder and file name
    QString filter;      // Qt filter text, e.g. "Master files (*.MFI);;All files (*)"
    QString defaultSuffix;
    // A save dialog asks before it returns a file that exists; a caller that
    // asks its own question about it turns this off.
    bool confirmOverwrite = true;
};

using MessageBoxFunction = std::function<MsgAnswer(const MessageBoxRequest&)>;
using FileDialogFunction = std::function<std::optional<QString>(const FileDialogRequest&)>;
using ShellOpenFunction = std::function<bool(const QString& path)>;
using StatusMessageFunction = std::function<void(const QString& text)>;

MsgAnswer ShowMessageBox(const MessageBoxRequest& request);
MsgAnswer ShowMessageBox(const QString& text, MsgIcon icon = MsgIcon::None, MsgButtons buttons = MsgButtons::Ok);
// The chosen path, or nothing when the user cancelled.
std::optional<QString> ShowFileDialog(const FileDialogRequest& request);
bool ShellOpen(const QString& path);
// A line for the main window's status bar (nothing happens without one).
void ShowStatusMessage(const QString& text);
// A notice that stays while the program goes on, until the user closes it or
// the program does with CloseNotice (one at a time). Without a notice
// function it is shown as a message box.
void ShowNotice(const MessageBoxRequest& request);
void CloseNotice();

// Each setter returns the function it replaced, so a caller can restore it.
MessageBoxFunction SetMessageBoxFunction(MessageBoxFunction function);
FileDialogFunction SetFileDialogFunction(FileDialogFunction function);
ShellOpenFunction SetShellOpenFunction(ShellOpenFunction function);
StatusMessageFunction SetStatusMessageFunction(StatusMessageFunction function);
// `show` shows a notice, `close` closes the one shown (if still open).
struct NoticeFunctions {
    std::function<void(const MessageBoxRequest&)> show;
    std::function<void()> close;
};
NoticeFunctions SetNoticeFunctions(NoticeFunctions functions);
