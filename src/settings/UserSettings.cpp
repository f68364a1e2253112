#include "settings/UserSettings.h"

#include <QDir>
#include <QStandardPaths>

namespace {
QString& UserFolder()
{
    static QString folder;
    return folder;
}

QString& SystemFolder()
{
    static QString folder;
    return folder;
}

QString DefaultUserFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/QORAManager");
}

// The first configuration folder after the user's own (XDG_CONFIG_DIRS, /etc/xdg).
QString DefaultSystemFolder()
{
    const QStringList folders = QStandardPaths::standardLocations(QStandardPaths::GenericConfigLocation);
    const QString base = folders.size() > 1 ? folders.at(1) : QStringLiteral("/etc/xdg");
    return base + QStringLiteral("/QORAManager");
}

// "Software\QORAManager\Settings\Coordinates" -> file QORAManager.ini in the
// folder, group "Settings/Coordinates"; other paths keep all their parts.
std::unique_ptr<QSettings> OpenIniSettings(const QString& folder, const QString& keyPath)
{
    QString group = keyPath;
    group.replace(QLatin1Char('\\'), QLatin1Char('/'));
    const QString root = QStringLiteral("Software/QORAManager/");
    if (group.startsWith(root, Qt::CaseInsensitive))
        group = group.mid(root.size());
    while (group.endsWith(QLatin1Char('/')))
        group.chop(1);
    auto settings = std::make_unique<QSettings>(QDir(folder).filePath(QStringLiteral("QORAManager.ini")),
                                                QSettings::IniFormat);
    if (!group.isEmpty())
        settings->beginGroup(group);
    return settings;
}
} // namespace

QString ManagerSettingsKeyPath()
{
    return QLatin1String(kSettingsRootPath) + QLatin1String(kSettingsSubKey);
}

QString PlacementKeyPath()
{
    return QLatin1String(kSettingsRootPath) + QLatin1String(kCoordinatesSubKey);
}

void SetUserSettingsFolder(const QString& folder)
{
    UserFolder() = folder;
}

void SetSystemSettingsFolder(const QString& folder)
{
    SystemFolder() = folder;
}

std::unique_ptr<QSettings> OpenUserSettings(const QString& keyPath)
{
#ifdef Q_OS_WIN
    if (UserFolder().isEmpty())
        return std::make_unique<QSettings>(QStringLiteral("HKEY_CURRENT_USER\\") + keyPath, QSettings::NativeFormat);
#endif
    return OpenIniSettings(UserFolder().isEmpty() ? DefaultUserFolder() : UserFolder(), keyPath);
}

std::unique_ptr<QSettings> OpenSystemSettings(const QString& keyPath)
{
#ifdef Q_OS_WIN
    if (SystemFolder().isEmpty())
        return std::make_unique<QSettings>(QStringLiteral("HKEY_LOCAL_MACHINE\\") + keyPath, QSettings::NativeFormat);
#endif
    return OpenIniSettings(SystemFolder().isEmpty() ? DefaultSystemFolder() : SystemFolder(), keyPath);
}
