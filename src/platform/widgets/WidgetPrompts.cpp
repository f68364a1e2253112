#include "platform/widgets/WidgetPrompts.h"

#include "platform/StringTable.h"
#include "platform/UserPrompts.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QPointer>
#include <QUrl>

namespace {
QMessageBox::StandardButtons ToButtons(MsgButtons buttons)
{
    switch (buttons) {
    case MsgButtons::Ok: return QMessageBox::Ok;
    case MsgButtons::OkCancel: return QMessageBox::Ok | QMessageBox::Cancel;
    case MsgButtons::YesNo: return QMessageBox::Yes | QMessageBox::No;
    case MsgButtons::YesNoCancel: return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case MsgButtons::RetryCancel: return QMessageBox::Retry | QMessageBox::Cancel;
    case MsgButtons::AbortRetryIgnore: return QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore;
    }
    return QMessageBox::Ok;
}

QMessageBox::Icon ToIcon(MsgIcon icon)
{
    switch (icon) {
    case MsgIcon::Information: return QMessageBox::Information;
    case MsgIcon::Warning: return QMessageBox::Warning;
    case MsgIcon::Error: return QMessageBox::Critical;
    case MsgIcon::Question: return QMessageBox::Question;
    case MsgIcon::None: break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButton ToButton(MsgAnswer answer)
{
    switch (answer) {
    case MsgAnswer::Cancel: return QMessageBox::Cancel;
    case MsgAnswer::Abort: return QMessageBox::Abort;
    case MsgAnswer::Retry: return QMessageBox::Retry;
    case MsgAnswer::Ignore: return QMessageBox::Ignore;
    case MsgAnswer::Yes: return QMessageBox::Yes;
    case MsgAnswer::No: return QMessageBox::No;
    case MsgAnswer::Ok: break;
    }
    return QMessageBox::Ok;
}

MsgAnswer ToAnswer(int button)
{
    switch (button) {
    case QMessageBox::Cancel: return MsgAnswer::Cancel;
    case QMessageBox::Abort: return MsgAnswer::Abort;
    case QMessageBox::Retry: return MsgAnswer::Retry;
    case QMessageBox::Ignore: return MsgAnswer::Ignore;
    case QMessageBox::Yes: return MsgAnswer::Yes;
    case QMessageBox::No: return MsgAnswer::No;
    default: return MsgAnswer::Ok;
    }
}
} // namespace

void InstallWidgetNotices()
{
    static QPointer<QMessageBox> notice;
    // One at a time, closed by the program when what it announces is over.
    SetNoticeFunctions(NoticeFunctions{
        [](const MessageBoxRequest& request) {
            if (notice)
                notice->close();
            const QString caption = request.caption.isEmpty() ? LoadResString(StringId::AppTitle) : request.caption;
            notice = new QMessageBox(ToIcon(request.icon), caption, request.text, QMessageBox::Ok,
                                     QApplication::activeWindow());
            notice->setAttribute(Qt::WA_DeleteOnClose);
            notice->setWindowModality(Qt::NonModal);
            notice->show();
        },
        [] {
            if (notice)
                notice->close();
        }});
}

void InstallWidgetPrompts()
{
    SetMessageBoxFunction([](const MessageBoxRequest& request) {
        // The program sets no display name (it would be appended to every
        // window title), so the default caption is the application title.
        const QString caption = request.caption.isEmpty() ? LoadResString(StringId::AppTitle) : request.caption;
        QMessageBox box(ToIcon(request.icon), caption, request.text, ToButtons(request.buttons),
                        QApplication::activeWindow());
        if (request.defaultAnswer)
            box.setDefaultButton(ToButton(*request.defaultAnswer));
        for (const auto& [answer, name] : request.buttonNames)
            if (QAbstractButton* button = box.button(ToButton(answer)))
                button->setText(name);
        return ToAnswer(box.exec());
    });
    InstallWidgetNotices();
    SetFileDialogFunction([](const FileDialogRequest& request) -> std::optional<QString> {
        QFileDialog dialog(QApplication::activeWindow(), request.caption, request.initialPath, request.filter);
        dialog.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
        dialog.setFileMode(request.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
        if (!request.defaultSuffix.isEmpty())
            dialog.setDefaultSuffix(request.defaultSuffix);
        if (!request.confirmOverwrite)
            dialog.setOption(QFileDialog::DontConfirmOverwrite);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return std::nullopt;
        return dialog.selectedFiles().constFirst();
    });
    SetShellOpenFunction([](const QString& path) {
        return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
    });
}
