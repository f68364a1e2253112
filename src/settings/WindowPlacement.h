#pragma once
// A window's placement as the settings keep it: flags, show state and the
// normal (restored) rectangle, with the right and bottom edges exclusive.

#include <cstdint>

namespace ShowCmd {
inline constexpr std::uint32_t Hide = 0;
inline constexpr std::uint32_t ShowNormal = 1;
inline constexpr std::uint32_t ShowMinimized = 2;
inline constexpr std::uint32_t ShowMaximized = 3;
inline constexpr std::uint32_t ShowNoActivate = 4;
inline constexpr std::uint32_t Show = 5;
inline constexpr std::uint32_t Minimize = 6;
inline constexpr std::uint32_t ShowMinNoActive = 7;
inline constexpr std::uint32_t ShowNa = 8;
inline constexpr std::uint32_t Restore = 9;
} // namespace ShowCmd

// Placement flag: a minimized window comes back maximized.
inline constexpr std::uint32_t kPlacementRestoreToMaximized = 0x2;

struct PlacementRect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;

    friend bool operator==(const PlacementRect&, const PlacementRect&) = default;
};

struct WindowPlacement {
    std::uint32_t flags = 0;
    std::uint32_t showCmd = ShowCmd::ShowNormal;
    PlacementRect normal;

    friend bool operator==(const WindowPlacement&, const WindowPlacement&) = default;
};

// The desktop a placement must stay on (all screens together), and the size of
// a window icon: at least that much of a window stays in reach.
struct ScreenArea {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    int iconWidth = 32;
    int iconHeight = 32;
};

// A left or top edge at or beyond the far side of the area less an icon comes
// back to that point (the right and bottom edges stay). A window with less than
// an icon's size of it on the area to the left or above, or whose top edge (its
// title bar) is above the area, is moved, keeping its size, to the area's edge.
void ClampPlacementToScreen(WindowPlacement& placement, const ScreenArea& screen);

// A window inside another (a child of the frame's window area): it is kept
// wholly inside the area, moved the least that takes, and cut to the area's
// size where it is larger, so that a placement saved in a larger frame never
// leaves it out of reach in a smaller one.
void FitPlacementInside(WindowPlacement& placement, const ScreenArea& area);
