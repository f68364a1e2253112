#pragma once
// Points the settings store at a fresh temporary folder while it lives, and
// gives raw access to the file behind it for planting and inspecting values.

#include "settings/UserSettings.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include <memory>

class SettingsSandbox {
public:
    SettingsSandbox()
    {
        SetUserSettingsFolder(dir_.path());
        SetSystemSettingsFolder(dir_.filePath(QStringLiteral("system")));
    }
    ~SettingsSandbox()
    {
        SetUserSettingsFolder(QString());
        SetSystemSettingsFolder(QString());
    }
    SettingsSandbox(const SettingsSandbox&) = delete;
    SettingsSandbox& operator=(const SettingsSandbox&) = delete;

    [[nodiscard]] QString Folder() const { return dir_.path(); }
    [[nodiscard]] QString IniPath() const { return dir_.filePath(QStringLiteral("QORAManager.ini")); }
    [[nodiscard]] bool StoreExists() const { return QFile::exists(IniPath()); }

    // The file's group ("Settings", "Settings/Coordinates"), bypassing our classes.
    [[nodiscard]] std::unique_ptr<QSettings> Raw(const QString& group) const
    {
        auto settings = std::make_unique<QSettings>(IniPath(), QSettings::IniFormat);
        settings->beginGroup(group);
        return settings;
    }

    void Plant(const QString& group, const QString& name, const QVariant& value) const
    {
        auto settings = Raw(group);
        settings->setValue(name, value);
        settings->sync();
    }

private:
    QTemporaryDir dir_;
};
