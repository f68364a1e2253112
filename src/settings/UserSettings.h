#pragma once
// Where the tool's settings live: the registry keys HKEY_CURRENT_USER\... (the
// user's) and HKEY_LOCAL_MACHINE\... (the machine's) on Windows, INI files
// elsewhere: the user's under the user's configuration folder, the machine's
// under the system configuration folder. Tests point both at folders of their own.

#include <QSettings>
#include <QString>

#include <memory>

inline constexpr char kSettingsRootPath[] = "Software\\QORAManager\\";
inline constexpr char kSettingsSubKey[] = "Settings";
inline constexpr char kCoordinatesSubKey[] = "Settings\\Coordinates";

// "Software\QORAManager\Settings": the application settings.
[[nodiscard]] QString ManagerSettingsKeyPath();
// "Software\QORAManager\Settings\Coordinates": window placements and column widths.
[[nodiscard]] QString PlacementKeyPath();

// The settings under the key path (relative to HKEY_CURRENT_USER, for example
// "Software\QORAManager\Settings").
std::unique_ptr<QSettings> OpenUserSettings(const QString& keyPath);
// The same below HKEY_LOCAL_MACHINE.
std::unique_ptr<QSettings> OpenSystemSettings(const QString& keyPath);

// Tests: keep the non-Windows settings file in this folder (empty: the default).
void SetUserSettingsFolder(const QString& folder);
void SetSystemSettingsFolder(const QString& folder);
