#include "app/frame/WindowArrangement.h"

#include <algorithm>

namespace {
// The i-th of n equal shares of a length, the remainder spread over the
// first ones so that the shares fill the length exactly.
int ShareStart(int length, int n, int i)
{
    return static_cast<int>(static_cast<long long>(length) * i / n);
}

// Rows of `columns` windows, the last row's windows sharing its width.
std::vector<QRect> Grid(const QRect& area, int count, int columns)
{
    const int rows = (count + columns - 1) / columns;
    std::vector<QRect> tiles;
    for (int i = 0; i < count; ++i) {
        const int row = i / columns;
        const int inRow = row == rows - 1 ? count - row * columns : columns;
        const int column = i % columns;
        const int top = area.top() + ShareStart(area.height(), rows, row);
        const int bottom = area.top() + ShareStart(area.height(), rows, row + 1);
        const int left = area.left() + ShareStart(area.width(), inRow, column);
        const int right = area.left() + ShareStart(area.width(), inRow, column + 1);
        tiles.emplace_back(QPoint(left, top), QSize(right - left, bottom - top));
    }
    return tiles;
}
} // namespace

std::vector<QRect> TileWindows(const QRect& area, const std::vector<QSize>& minimumSizes)
{
    const int count = static_cast<int>(minimumSizes.size());
    if (count == 0 || area.isEmpty())
        return std::vector<QRect>(minimumSizes.size(), area);
    const int readable = std::min(kReadableTileHeight, area.height());
    QSize largest(0, readable);
    for (const QSize& size : minimumSizes)
        largest = largest.expandedTo(size);
    // As few columns as keep every window at its minimum size; failing that,
    // as few as keep the rows readable; failing that, rows.
    for (const QSize& wanted : {largest, QSize(0, readable)}) {
        for (int columns = 1; columns <= count; ++columns) {
            const int rows = (count + columns - 1) / columns;
            if (area.height() / rows >= wanted.height() && area.width() / columns >= wanted.width())
                return Grid(area, count, columns);
        }
    }
    return Grid(area, count, 1);
}

std::vector<QRect> CascadeWindows(const QRect& area, const std::vector<CascadeWindow>& windows, int step)
{
    std::vector<QRect> placed;
    step = std::max(step, 1);
    int offset = 0;
    for (const CascadeWindow& window : windows) {
        // A window pushed so far that it could not keep its minimum size
        // starts the cascade again.
        const QSize minimum = window.minimum.boundedTo(area.size());
        if (offset > 0 && (offset + minimum.width() > area.width() || offset + minimum.height() > area.height()))
            offset = 0;
        const QSize room(area.width() - offset, area.height() - offset);
        const QSize wanted = window.preferred.isValid() ? window.preferred.expandedTo(minimum) : room;
        const QSize size = wanted.boundedTo(room);
        placed.emplace_back(area.topLeft() + QPoint(offset, offset), size);
        offset += step;
    }
    return placed;
}

QRect PlaceNewWindow(const QRect& area, const std::optional<QRect>& previous, const CascadeWindow& window, int step)
{
    const QSize minimum = window.minimum.boundedTo(area.size());
    QPoint offset(0, 0);
    if (previous)
        offset = QPoint(std::max(0, previous->left() - area.left() + std::max(step, 1)),
                        std::max(0, previous->top() - area.top() + std::max(step, 1)));
    if (offset.x() + minimum.width() > area.width() || offset.y() + minimum.height() > area.height())
        offset = QPoint(0, 0);
    const QSize room(area.width() - offset.x(), area.height() - offset.y());
    const QSize wanted = window.preferred.isValid() ? window.preferred.expandedTo(minimum) : room;
    return {area.topLeft() + offset, wanted.boundedTo(room)};
}
