#pragma once
// Where the tool's per-user settings live: the registry key
// HKEY_CURRENT_USER\Software\QORAManager\... on Windows, an INI file under the
// user's configuration folder elsewhere. Tests point it at a folder of their own.

#include <QSettings>
#include <QString>

#include <memory>

inline constexpr char kSettingsRootPath[] = "Software\\QORAManager\\";
inline constexpr char kSettingsSubKey[] = "Settings";

// The settings under the key path (relative to HKEY_CURRENT_USER, for example
// "Software\QORAManager\Settings").
std::unique_ptr<QSettings> OpenUserSettings(const QString& keyPath);

// Tests: keep the non-Windows settings file in this folder (empty: the default).
void SetUserSettingsFolder(const QString& folder);
