#include "app/shell/DataFolders.h"

#include <QDir>
#include <QFileInfo>

QStringList ProgramDataFolders(const QString& programPath)
{
    const QString programDir = QFileInfo(programPath).absolutePath();
    return {programDir, QDir::cleanPath(QDir(programDir).filePath(QLatin1String(kInstalledDataFolder)))};
}
