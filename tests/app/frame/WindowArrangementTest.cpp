// Where Tile and Cascade put the child windows, and what the connection pane
// says, without a window.

#include "app/frame/ConnectionPaneText.h"
#include "app/frame/WindowArrangement.h"

#include <gtest/gtest.h>

namespace {

// No two tiles overlap, and together they cover the area exactly.
void ExpectTilesFill(const QRect& area, const std::vector<QRect>& tiles)
{
    long long covered = 0;
    for (std::size_t i = 0; i < tiles.size(); ++i) {
        EXPECT_TRUE(area.contains(tiles[i])) << i;
        covered += static_cast<long long>(tiles[i].width()) * tiles[i].height();
        for (std::size_t j = i + 1; j < tiles.size(); ++j)
            EXPECT_FALSE(tiles[i].intersects(tiles[j])) << i << " " << j;
    }
    EXPECT_EQ(covered, static_cast<long long>(area.width()) * area.height());
}

} // namespace

TEST(TileWindows, RowsOfTheFullWidthWhileTheWindowsCanBeThatLow)
{
    const QRect area(0, 0, 1022, 601); // not a multiple of the count
    for (int count = 1; count <= 3; ++count) {
        const std::vector<QSize> minimum(static_cast<std::size_t>(count), QSize(600, 120));
        const std::vector<QRect> tiles = TileWindows(area, minimum);
        ASSERT_EQ(tiles.size(), minimum.size());
        ExpectTilesFill(area, tiles);
        for (std::size_t i = 0; i < tiles.size(); ++i) {
            EXPECT_EQ(tiles[i].width(), 1022) << count;
            EXPECT_GE(tiles[i].height(), 601 / count) << count;
            if (i > 0) {
                EXPECT_EQ(tiles[i].top(), tiles[i - 1].bottom() + 1) << "in the order given";
            }
        }
    }
}

TEST(TileWindows, ColumnsWhenRowsWouldBeTooLowAndSqueezedWhenNothingFits)
{
    const QRect area(0, 0, 1000, 600);
    // Five windows of at least 300 x 200: three rows of two.
    const std::vector<QSize> five(5, QSize(300, 200));
    std::vector<QRect> tiles = TileWindows(area, five);
    ExpectTilesFill(area, tiles);
    EXPECT_EQ(tiles[0].size(), QSize(500, 200));
    EXPECT_EQ(tiles[4].size(), QSize(1000, 200)) << "the last row's window takes the row";

    // Windows that fit no way stay inside the area all the same.
    const std::vector<QSize> huge(4, QSize(900, 500));
    tiles = TileWindows(area, huge);
    ExpectTilesFill(area, tiles);
    EXPECT_EQ(tiles[3], QRect(0, 450, 1000, 150));

    EXPECT_TRUE(TileWindows(area, {}).empty());
    // An area with no room keeps every rectangle in it.
    tiles = TileWindows(QRect(0, 0, 0, 0), five);
    EXPECT_EQ(tiles.size(), 5u);
}

TEST(TileWindows, MoreWindowsThanReadableStripsMakeAGrid)
{
    // Windows that could shrink to almost nothing: nine strips of 66 pixels
    // would show little more than their title bars.
    const QRect area(0, 0, 1000, 600);
    std::vector<QRect> tiles = TileWindows(area, std::vector<QSize>(9, QSize(120, 40)));
    ExpectTilesFill(area, tiles);
    for (const QRect& tile : tiles)
        EXPECT_GE(tile.height(), kReadableTileHeight);
    EXPECT_EQ(tiles[0].size(), QSize(1000 / 3, 200)) << "three rows of three";

    // Four fit as strips of 150 and stay strips.
    tiles = TileWindows(area, std::vector<QSize>(4, QSize(120, 40)));
    EXPECT_EQ(tiles[3], QRect(0, 450, 1000, 150));
    // Windows too large for any grid still get readable rows.
    tiles = TileWindows(area, std::vector<QSize>(8, QSize(560, 330)));
    ExpectTilesFill(area, tiles);
    EXPECT_EQ(tiles[7], QRect(500, 450, 500, 150)) << "four rows of two";
    // An area lower than a readable strip takes one window whole.
    tiles = TileWindows(QRect(0, 0, 500, 100), {QSize(120, 40)});
    EXPECT_EQ(tiles[0], QRect(0, 0, 500, 100));
}

TEST(PlaceNewWindow, OneStepOnFromTheWindowInFrontInItsOwnSize)
{
    const QRect area(0, 0, 1000, 600);
    const CascadeWindow window{QSize(560, 340), QSize(200, 100)};
    const struct {
        std::optional<QRect> previous;
        QRect placed;
    } cases[] = {
        {std::nullopt, QRect(0, 0, 560, 340)},                       // the first goes to the corner
        {QRect(0, 0, 300, 200), QRect(26, 26, 560, 340)},             // then one step on
        {QRect(500, 300, 100, 100), QRect(526, 326, 474, 274)},       // cut to the room left
        {QRect(780, 100, 200, 200), QRect(0, 0, 560, 340)},           // no room for its minimum: the corner
        {QRect(-40, -30, 200, 200), QRect(0, 0, 560, 340)},           // a window partly out of sight
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.previous ? c.previous->x() : -1);
        EXPECT_EQ(PlaceNewWindow(area, c.previous, window, 26), c.placed);
    }
    // Larger than the area: the area.
    EXPECT_EQ(PlaceNewWindow(area, std::nullopt, {QSize(2000, 2000), QSize(10, 10)}, 26), area);
}

TEST(CascadeWindows, DefaultSizesStepwiseWhileTheyFit)
{
    const QRect area(0, 0, 1022, 601);
    const std::vector<CascadeWindow> windows{
        {QSize(560, 340), QSize(200, 100)}, {QSize(330, 230), QSize(200, 100)}, {QSize(300, 380), QSize(150, 100)}};
    const std::vector<QRect> placed = CascadeWindows(area, windows, 26);
    ASSERT_EQ(placed.size(), 3u);
    EXPECT_EQ(placed[0], QRect(0, 0, 560, 340));
    EXPECT_EQ(placed[1], QRect(26, 26, 330, 230));
    EXPECT_EQ(placed[2], QRect(52, 52, 300, 380));
}

TEST(CascadeWindows, ShrunkOrStartedAgainSoThatNothingLeavesTheArea)
{
    const QRect area(10, 20, 400, 300);
    // Too big for the area: cut to what is left from its step.
    std::vector<QRect> placed = CascadeWindows(area, {{QSize(900, 900), QSize(100, 80)}, {QSize(900, 900), QSize(100, 80)}}, 30);
    EXPECT_EQ(placed[0], QRect(10, 20, 400, 300));
    EXPECT_EQ(placed[1], QRect(40, 50, 370, 270));

    // So many steps that the next could not keep its minimum: back to the corner.
    std::vector<CascadeWindow> many(12, {QSize(120, 90), QSize(100, 80)});
    placed = CascadeWindows(area, many, 30);
    for (const QRect& rect : placed) {
        EXPECT_TRUE(area.contains(rect)) << rect.x() << "," << rect.y();
        EXPECT_GE(rect.height(), 80);
    }
    EXPECT_EQ(placed[7].topLeft(), QPoint(220, 230));
    EXPECT_EQ(placed[8].topLeft(), area.topLeft());

    // A minimum larger than the area gives way to the area.
    placed = CascadeWindows(area, {{QSize(50, 50), QSize(800, 800)}}, 30);
    EXPECT_EQ(placed[0], area);
    // Without a size of its own a window takes the room left.
    placed = CascadeWindows(area, {{QSize(), QSize(10, 10)}}, 30);
    EXPECT_EQ(placed[0], area);
}

TEST(ConnectionPaneText, ARestartLastsUntilCommissionModeIsBack)
{
    ConnectionPaneInputs in;
    in.unit = QStringLiteral("Remote (QORA-131)");
    in.handlerState = ConnectionState::Commission;
    in.resetPending = true;
    EXPECT_EQ(ConnectionPaneText(in), "Waiting for the unit to restart - Remote (QORA-131)");
    in.resetPending = false;
    in.silentReconnection = true;
    for (ConnectionState state :
         {ConnectionState::Connecting, ConnectionState::Connected, ConnectionState::EnteringCommission}) {
        in.handlerState = state;
        EXPECT_EQ(ConnectionPaneText(in), "Waiting for the unit to restart - Remote (QORA-131)")
            << static_cast<int>(state);
    }
    in.handlerState = ConnectionState::Commission;
    EXPECT_EQ(ConnectionPaneText(in), "Commission mode - Remote (QORA-131)");
    in.unit.clear();
    EXPECT_EQ(ConnectionPaneText(in), "Commission mode");
    in.unit = QStringLiteral("Remote (QORA-131)");
    // The reconnection failed.
    in.handlerState = ConnectionState::Disconnected;
    in.silentReconnection = false;
    in.failed = true;
    EXPECT_EQ(ConnectionPaneText(in), "Connection failed - Remote (QORA-131)");
}
