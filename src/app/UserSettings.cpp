#include "app/UserSettings.h"

#include <QDir>
#include <QStandardPaths>

namespace {
QString& SettingsFolder()
{
    static QString folder;
    return folder;
}
} // namespace

void SetUserSettingsFolder(const QString& folder)
{
    SettingsFolder() = folder;
}

std::unique_ptr<QSettings> OpenUserSettings(const QString& keyPath)
{
#ifdef Q_OS_WIN
    if (SettingsFolder().isEmpty())
        return std::make_unique<QSettings>(QStringLiteral("HKEY_CURRENT_USER\\") + keyPath, QSettings::NativeFormat);
#endif
    QString folder = SettingsFolder();
    if (folder.isEmpty())
        folder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/QORAManager");
    // "Software\QORAManager\Settings\Coordinates" -> file QORAManager.ini, group "Settings/Coordinates".
    QString group = keyPath;
    group.replace(QLatin1Char('\\'), QLatin1Char('/'));
    const QString root = QStringLiteral("Software/QORAManager/");
    if (group.startsWith(root, Qt::CaseInsensitive))
        group = group.mid(root.size());
    auto settings = std::make_unique<QSettings>(QDir(folder).filePath(QStringLiteral("QORAManager.ini")),
                                                QSettings::IniFormat);
    if (!group.isEmpty())
        settings->beginGroup(group);
    return settings;
}
