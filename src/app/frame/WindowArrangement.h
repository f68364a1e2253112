#pragma once
// Where Window > Tile and Window > Cascade put the frame's child windows.
// Both keep every window inside the window area, so the area never needs
// scroll bars after them. Widget-free: sizes in, rectangles out.

#include <QRect>
#include <QSize>

#include <vector>

// Tiles stacked one above the other, each the area's full width and an equal
// share of its height. When the windows cannot shrink that low, they go into
// as few columns as lets them keep their minimum sizes; when nothing does,
// they share the area as rows anyway. In the order given.
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
