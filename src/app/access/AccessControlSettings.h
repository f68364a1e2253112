#pragma once
// Where the machine-wide switch of the access levels lives: the string value
// "Access Levels" under HKEY_LOCAL_MACHINE\SOFTWARE\Tavra\2G_Managers on
// Windows; elsewhere the key "Access Levels" (outside any group) of the INI file
// /etc/xdg/Tavra/2G_Managers.conf, which only the administrator can write:
//
//     Access Levels=On
//
// The file is a fixed path on purpose; the switch must not follow a user's
// environment (XDG_CONFIG_DIRS).

#include <QSettings>
#include <QString>

#include <memory>

inline constexpr char kAccessControlKeyPath[] = "SOFTWARE\\Tavra\\2G_Managers";
inline constexpr char kAccessLevelsValueName[] = "Access Levels";
inline constexpr char kAccessControlSettingsFile[] = "/etc/xdg/Tavra/2G_Managers.conf";

// The machine-wide settings that hold the switch, opened for reading.
std::unique_ptr<QSettings> OpenAccessControlSettings();

// Tests: read the switch from this INI file instead (empty: the default).
void SetAccessControlSettingsFile(const QString& path);
