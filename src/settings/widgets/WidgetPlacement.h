#pragma once
// Window placements of real windows: taking a QWidget's placement, applying a
// placement to it (which shows, hides, minimizes or maximizes it as the show
// state says), and saving and loading them through the settings store.

#include "settings/Registry.h"
#include "settings/WindowPlacement.h"

class QWidget;

[[nodiscard]] WindowPlacement TakeWindowPlacement(const QWidget& window);
void ApplyWindowPlacement(QWidget& window, const WindowPlacement& placement);

// All screens together, and the style's icon size; for a window inside
// another (a window of the frame's window area) that other's area, while it is
// shown.
[[nodiscard]] ScreenArea DesktopArea(const QWidget& window);

// Saves under the name (showCmd 0 when the window is hidden); true when all
// six values were written.
bool SaveWidgetPlacement(CRegistry& registry, const QWidget& window, const QString& path, const QString& name);
// Loads what is stored, keeps it on the desktop (a window inside another:
// wholly inside that other) and applies it; nothing happens when the key is
// missing. True when all six values were read. A window that got a stored
// placement carries the property below, so that nobody places it anew when it
// is first shown.
inline constexpr const char* kPlacementRestoredProperty = "qoraPlacementRestored";
bool LoadWidgetPlacement(CRegistry& registry, QWidget& window, const QString& path, const QString& name);

// Saves the window's placement under the name whenever it is hidden (closed,
// or its frame closing), as it was while shown, so that it comes back shown
// where the user left it. Lives as long as the window.
void KeepPlacementWhenHidden(QWidget& window, const QString& path, const QString& name);
