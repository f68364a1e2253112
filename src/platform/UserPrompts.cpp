#include "platform/UserPrompts.h"

#include <cstdio>

namespace {
// Without a window system the defaults print the text and take the first answer.
MsgAnswer PrintMessageBox(const MessageBoxRequest& request)
{
    std::fprintf(stderr, "%s\n", qPrintable(request.text));
    switch (request.buttons) {
    case MsgButtons::YesNo:
    case MsgButtons::YesNoCancel:
        return MsgAnswer::Yes;
    case MsgButtons::RetryCancel:
        return MsgAnswer::Cancel;
    case MsgButtons::AbortRetryIgnore:
        return MsgAnswer::Abort;
    default:
        return MsgAnswer::Ok;
    }
}

MessageBoxFunction& MessageBoxHook()
{
    static MessageBoxFunction hook = PrintMessageBox;
    return hook;
}
FileDialogFunction& FileDialogHook()
{
    static FileDialogFunction hook = [](const FileDialogRequest&) { return std::optional<QString>(); };
    return hook;
}
ShellOpenFunction& ShellOpenHook()
{
    static ShellOpenFunction hook = [](const QString&) { return false; };
    return hook;
}
StatusMessageFunction& StatusMessageHook()
{
    static StatusMessageFunction hook;
    return hook;
}

NoticeFunctions& NoticeHooks()
{
    static NoticeFunctions hooks;
    return hooks;
}

template <typename F>
F Replace(F& slot, F function)
{
    F previous = std::move(slot);
    slot = std::move(function);
    return previous;
}
} // namespace

MsgAnswer ShowMessageBox(const MessageBoxRequest& request)
{
    return MessageBoxHook() ? MessageBoxHook()(request) : PrintMessageBox(request);
}

MsgAnswer ShowMessageBox(const QString& text, MsgIcon icon, MsgButtons buttons)
{
    return ShowMessageBox(MessageBoxRequest{text, QString(), icon, buttons, std::nullopt});
}

std::optional<QString> ShowFileDialog(const FileDialogRequest& request)
{
    return FileDialogHook() ? FileDialogHook()(request) : std::nullopt;
}

bool ShellOpen(const QString& path)
{
    return ShellOpenHook() ? ShellOpenHook()(path) : false;
}

void ShowStatusMessage(const QString& text)
{
    if (StatusMessageHook())
        StatusMessageHook()(text);
}

MessageBoxFunction SetMessageBoxFunction(MessageBoxFunction function)
{
    return Replace(MessageBoxHook(), std::move(function));
}
FileDialogFunction SetFileDialogFunction(FileDialogFunction function)
{
    return Replace(FileDialogHook(), std::move(function));
}
ShellOpenFunction SetShellOpenFunction(ShellOpenFunction function)
{
    return Replace(ShellOpenHook(), std::move(function));
}
StatusMessageFunction SetStatusMessageFunction(StatusMessageFunction function)
{
    return Replace(StatusMessageHook(), std::move(function));
}

void ShowNotice(const MessageBoxRequest& request)
{
    if (NoticeHooks().show)
        NoticeHooks().show(request);
    else
        ShowMessageBox(request);
}

void CloseNotice()
{
    if (NoticeHooks().close)
        NoticeHooks().close();
}

NoticeFunctions SetNoticeFunctions(NoticeFunctions functions)
{
    return Replace(NoticeHooks(), std::move(functions));
}
