#include "app/access/AccessControlSettings.h"

namespace {
QString& SettingsFileOverride()
{
    static QString path;
    return path;
}
} // namespace

void SetAccessControlSettingsFile(const QString& path)
{
    SettingsFileOverride() = path;
}

std::unique_ptr<QSettings> OpenAccessControlSettings()
{
    QString path = SettingsFileOverride();
    if (path.isEmpty()) {
#ifdef Q_OS_WIN
        return std::make_unique<QSettings>(QStringLiteral("HKEY_LOCAL_MACHINE\\") + QLatin1String(kAccessControlKeyPath),
                                           QSettings::NativeFormat);
#else
        path = QLatin1String(kAccessControlSettingsFile);
#endif
    }
    return std::make_unique<QSettings>(path, QSettings::IniFormat);
}
