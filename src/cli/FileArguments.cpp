#include "cli/FileArguments.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {
std::string CannotOpen(const QString& path, const QString& reason)
{
    return ("cannot open " + path + ": " + reason).toLocal8Bit().toStdString();
}
} // namespace

std::optional<std::string> InputFileProblem(const QString& path)
{
    if (QFileInfo(path).isDir())
        return CannotOpen(path, QStringLiteral("it is a folder"));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return CannotOpen(path, file.errorString());
    return std::nullopt;
}

std::optional<std::string> OutputFileProblem(const QString& path)
{
    const QFileInfo info(path);
    if (info.isDir())
        return CannotOpen(path, QStringLiteral("it is a folder"));
    const QDir folder = info.absoluteDir();
    if (!folder.exists())
        return CannotOpen(path, QStringLiteral("the folder %1 does not exist").arg(QDir::toNativeSeparators(folder.path())));
    if (info.exists() ? !info.isWritable() : !QFileInfo(folder.path()).isWritable())
        return CannotOpen(path, QStringLiteral("Permission denied"));
    return std::nullopt;
}
