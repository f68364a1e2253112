#include "settings/WindowPlacement.h"

#include <algorithm>
#include <limits>

namespace {
std::int32_t Saturate(std::int64_t value)
{
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(value, std::numeric_limits<std::int32_t>::min(),
                                                              std::numeric_limits<std::int32_t>::max()));
}

// One axis: near edge, far edge (exclusive), the area's start and length, the
// icon's size, and whether the near edge must stay on the area (the top edge,
// where the title bar is).
void ClampAxis(std::int32_t& nearEdge, std::int32_t& farEdge, int areaStart, int areaLength, int iconSize,
               bool keepNearEdgeOn)
{
    const std::int64_t limit = std::int64_t{areaStart} + areaLength - iconSize;
    if (nearEdge >= limit) {
        nearEdge = Saturate(limit);
        return;
    }
    // Off the near side (less than an icon's size of it on the area): move it back whole.
    if (std::int64_t{farEdge} < std::int64_t{areaStart} + iconSize || (keepNearEdgeOn && nearEdge < areaStart)) {
        const std::int64_t size = std::int64_t{farEdge} - nearEdge;
        nearEdge = areaStart;
        farEdge = Saturate(areaStart + size);
    }
}

// One axis of a window kept inside the area: its size at most the area's,
// its near edge moved only as far as that needs.
void FitAxis(std::int32_t& nearEdge, std::int32_t& farEdge, int areaStart, int areaLength)
{
    const std::int64_t size = std::clamp<std::int64_t>(std::int64_t{farEdge} - nearEdge, 0, areaLength);
    const std::int64_t start = std::clamp<std::int64_t>(nearEdge, areaStart, std::int64_t{areaStart} + areaLength - size);
    nearEdge = Saturate(start);
    farEdge = Saturate(start + size);
}
} // namespace

void ClampPlacementToScreen(WindowPlacement& placement, const ScreenArea& screen)
{
    if (screen.width <= 0 || screen.height <= 0)
        return; // no screen known: nothing to keep it on
    ClampAxis(placement.normal.left, placement.normal.right, screen.left, screen.width, screen.iconWidth, false);
    ClampAxis(placement.normal.top, placement.normal.bottom, screen.top, screen.height, screen.iconHeight, true);
}

void FitPlacementInside(WindowPlacement& placement, const ScreenArea& area)
{
    if (area.width <= 0 || area.height <= 0)
        return; // the area is not laid out yet: nothing to fit into
    FitAxis(placement.normal.left, placement.normal.right, area.left, area.width);
    FitAxis(placement.normal.top, placement.normal.bottom, area.top, area.height);
}
