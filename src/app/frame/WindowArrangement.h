#pragma once
// Where Window > Tile and Window > Cascade put the frame's child windows.
// Both keep every window inside the window area, so the area never needs
// scroll bars after them. Widget-free: sizes in, rectangles out.

#include <QRect>
#include <QSize>

#include <optional>
#include <vector>

// The lowest a tiled window gets while the area has room for a grid: below
// it a strip shows little more than its title bar.
inline constexpr int kReadableTileHeight = 150;

// Tiles stacked one above the other, each the area's full width and an equal
// share of its height. When the strips would come out lower than the
// windows' minimum height or kReadableTileHeight, the windows go into as few
// columns as lets them keep their minimum sizes; when no grid does, into as
// few columns as keeps them kReadableTileHeight high; when not even that
// fits, they share the area as rows anyway. In the order given.
[[nodiscard]] std::vector<QRect> TileWindows(const QRect& area, const std::vector<QSize>& minimumSizes);

struct CascadeWindow {
    QSize preferred; // the window's own default size
    QSize minimum;
};

// Each window one step further right and down than the one before it, in
// its own default size as far as that fits in the area from there, never
// below its minimum where the area allows; when the next step leaves too
// little room the cascade starts again at the top left corner.
[[nodiscard]] std::vector<QRect> CascadeWindows(const QRect& area, const std::vector<CascadeWindow>& windows,
                                                int step);

// Where a window shown for the first time goes: one step right of and below
// the window shown before it (the area's corner without one), in its own
// default size as far as the area allows from there; back at the corner when
// the step leaves too little room for its minimum size.
[[nodiscard]] QRect PlaceNewWindow(const QRect& area, const std::optional<QRect>& previous,
                                   const CascadeWindow& window, int step);
