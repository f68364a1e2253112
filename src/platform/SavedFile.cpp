#include "platform/SavedFile.h"

#include "platform/StringTable.h"
#include "platform/UserPrompts.h"

#include <QDir>
#include <QLoggingCategory>

namespace {
Q_LOGGING_CATEGORY(lcSavedFile, "qora.files")

// As the user's file manager writes it.
QString Shown(const QString& path)
{
    return QDir::toNativeSeparators(path);
}
} // namespace

bool OpenSavedFile(const QString& path)
{
    ShowStatusMessage(LoadResString(SavedFileString::SavedTo).arg(Shown(path)));
    if (ShellOpen(path))
        return true;
    qCWarning(lcSavedFile, "the desktop could not open %s (no program is associated with it, or none could start)",
              qPrintable(path));
    ShowMessageBox(LoadResString(SavedFileString::CannotOpen).arg(Shown(path)), MsgIcon::Warning);
    return false;
}

void ReportFileNotSaved(const QString& path, const QString& reason)
{
    qCWarning(lcSavedFile, "could not save %s: %s", qPrintable(path), qPrintable(reason));
    ShowStatusMessage(LoadResString(SavedFileString::NotSaved).arg(Shown(path)));
}
