// Window placements: the six values, the hidden window, keeping a placement on
// the screen, and the adapter that takes and applies a real window's placement.

#include "app/SettingsSandbox.h"
#include "settings/Registry.h"
#include "settings/UserSettings.h"
#include "settings/WindowPlacement.h"
#include "settings/widgets/WidgetPlacement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <gtest/gtest.h>

#include <limits>

namespace {

const QString kGroup = QStringLiteral("Settings/Coordinates");
const ScreenArea kScreen1280{0, 0, 1280, 1024, 32, 32};

WindowPlacement Placement(std::uint32_t showCmd, std::int32_t left, std::int32_t top, std::int32_t right,
                          std::int32_t bottom, std::uint32_t flags = 0)
{
    return WindowPlacement{flags, showCmd, PlacementRect{left, top, right, bottom}};
}

PlacementRect Clamped(PlacementRect rect, const ScreenArea& screen = kScreen1280)
{
    WindowPlacement placement{0, ShowCmd::ShowNormal, rect};
    ClampPlacementToScreen(placement, screen);
    return placement.normal;
}

TEST(WindowPlacement, AnIconsWorthOfTheWindowStaysOnTheScreen)
{
    const ScreenArea twoScreens{-1920, 0, 3200, 1080, 32, 32};
    constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
    constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
    const struct {
        PlacementRect stored;
        ScreenArea screen;
        PlacementRect loaded;
    } rows[] = {
        {{5000, 100, 5600, 500}, kScreen1280, {1248, 100, 5600, 500}}, // only the left edge moves
        {{100, 5000, 600, 5400}, kScreen1280, {100, 992, 600, 5400}},
        {{1248, 992, 1500, 1200}, kScreen1280, {1248, 992, 1500, 1200}},
        {{1247, 991, 1500, 1200}, kScreen1280, {1247, 991, 1500, 1200}},
        {{-300, 10, 200, 300}, kScreen1280, {-300, 10, 200, 300}},      // partly off the left: fine
        {{-3000, 10, -2000, 300}, kScreen1280, {0, 10, 1000, 300}},     // off every screen: back, same size
        {{-3000, 10, 20, 300}, kScreen1280, {0, 10, 3020, 300}},        // less than an icon on the screen
        {{50, -40, 450, 260}, kScreen1280, {50, 0, 450, 300}},          // title bar above the screen
        {{-1500, 10, -1000, 300}, twoScreens, {-1500, 10, -1000, 300}}, // on the left-hand screen
        {{kMin, kMin, kMin + 10, kMin + 10}, kScreen1280, {0, 0, 10, 10}},
        {{kMax, kMax, kMax, kMax}, kScreen1280, {1248, 992, kMax, kMax}},
        {{kMin, kMin, kMax, kMax}, kScreen1280, {kMin, 0, kMax, kMax}},
        {{-3000, -3000, -2000, -2000}, ScreenArea{}, {-3000, -3000, -2000, -2000}}, // no screen known
    };
    for (const auto& row : rows) {
        const PlacementRect loaded = Clamped(row.stored, row.screen);
        EXPECT_EQ(loaded, row.loaded) << row.stored.left << "," << row.stored.top << " -> " << loaded.left << ","
                                      << loaded.top << "," << loaded.right << "," << loaded.bottom;
    }
}

TEST(WindowPlacement, SixValuesRoundTripUnderTheWindowsName)
{
    SettingsSandbox sandbox;
    CRegistry registry;
    const WindowPlacement saved = Placement(ShowCmd::ShowMinimized, -20, 30, 620, 470, kPlacementRestoreToMaximized);
    ASSERT_TRUE(registry.SaveWindowPlacement(saved, true, PlacementKeyPath(), QStringLiteral("GPSStatusWnd")));

    auto raw = sandbox.Raw(kGroup);
    EXPECT_EQ(raw->value(QStringLiteral("GPSStatusWnd flags")).toUInt(), 2u);
    EXPECT_EQ(raw->value(QStringLiteral("GPSStatusWnd showCmd")).toUInt(), 2u);
    EXPECT_EQ(raw->value(QStringLiteral("GPSStatusWnd x1")).toUInt(), 0xFFFFFFECu);
    EXPECT_EQ(raw->value(QStringLiteral("GPSStatusWnd y1")).toUInt(), 30u);
    EXPECT_EQ(raw->value(QStringLiteral("GPSStatusWnd x2")).toUInt(), 620u);
    EXPECT_EQ(raw->value(QStringLiteral("GPSStatusWnd y2")).toUInt(), 470u);

    WindowPlacement loaded;
    EXPECT_EQ(registry.LoadWindowPlacement(loaded, kScreen1280, PlacementKeyPath(), QStringLiteral("GPSStatusWnd")),
              PlacementLoad::Complete);
    EXPECT_EQ(loaded, saved);
}

TEST(WindowPlacement, HiddenWindowIsSavedWithShowCmdZero)
{
    SettingsSandbox sandbox;
    CRegistry registry;
    ASSERT_TRUE(registry.SaveWindowPlacement(Placement(ShowCmd::ShowMaximized, 1, 2, 3, 4), false,
                                             PlacementKeyPath(), QStringLiteral("MainFrm")));
    EXPECT_EQ(sandbox.Raw(kGroup)->value(QStringLiteral("MainFrm showCmd")).toUInt(), 0u);

    QWidget window; // never shown
    window.setGeometry(40, 50, 300, 200);
    ASSERT_TRUE(SaveWidgetPlacement(registry, window, PlacementKeyPath(), QStringLiteral("InstallStatusWnd")));
    auto raw = sandbox.Raw(kGroup);
    EXPECT_EQ(raw->value(QStringLiteral("InstallStatusWnd showCmd")).toUInt(), 0u);
    EXPECT_EQ(raw->value(QStringLiteral("InstallStatusWnd x2")).toUInt(), 340u);
    EXPECT_EQ(raw->value(QStringLiteral("InstallStatusWnd y2")).toUInt(), 250u);
}

TEST(WindowPlacement, LoadingClampsALeftEdgeBeyondTheScreen)
{
    SettingsSandbox sandbox;
    CRegistry registry;
    ASSERT_TRUE(registry.SaveWindowPlacement(Placement(ShowCmd::ShowNormal, 5000, 100, 5400, 400), true,
                                             PlacementKeyPath(), QStringLiteral("MainFrm")));
    WindowPlacement loaded;
    EXPECT_EQ(registry.LoadWindowPlacement(loaded, kScreen1280, PlacementKeyPath(), QStringLiteral("MainFrm")),
              PlacementLoad::Complete);
    EXPECT_EQ(loaded.normal, (PlacementRect{1248, 100, 5400, 400}));
}

TEST(WindowPlacement, MissingValuesKeepTheCurrentPartsAndAMissingKeyChangesNothing)
{
    SettingsSandbox sandbox;
    CRegistry registry;
    const WindowPlacement current = Placement(ShowCmd::ShowNormal, 5000, 20, 5300, 220, 1);
    WindowPlacement placement = current;
    EXPECT_EQ(registry.LoadWindowPlacement(placement, kScreen1280, PlacementKeyPath(), QStringLiteral("MainFrm")),
              PlacementLoad::KeyMissing);
    EXPECT_EQ(placement, current); // not even clamped

    sandbox.Plant(kGroup, QStringLiteral("MainFrm showCmd"), 3);
    sandbox.Plant(kGroup, QStringLiteral("MainFrm y2"), 999);
    sandbox.Plant(kGroup, QStringLiteral("MainFrm x1"), QStringLiteral("left")); // unreadable: kept
    EXPECT_EQ(registry.LoadWindowPlacement(placement, kScreen1280, PlacementKeyPath(), QStringLiteral("MainFrm")),
              PlacementLoad::Partial);
    EXPECT_EQ(placement, Placement(ShowCmd::ShowMaximized, 1248, 20, 5300, 999, 1));
}

class WidgetPlacementTest : public ::testing::Test {
protected:
    SettingsSandbox sandbox;
    CRegistry registry;
    const QString name = QStringLiteral("ConstellationStatisticsWnd");
};

TEST_F(WidgetPlacementTest, AWindowComesBackWhereAndHowItWas)
{
    QWidget original;
    original.setGeometry(100, 120, 300, 200);
    original.show();
    ASSERT_TRUE(SaveWidgetPlacement(registry, original, PlacementKeyPath(), name));
    EXPECT_EQ(sandbox.Raw(kGroup)->value(name + QStringLiteral(" showCmd")).toUInt(), ShowCmd::ShowNormal);

    QWidget restored;
    EXPECT_TRUE(LoadWidgetPlacement(registry, restored, PlacementKeyPath(), name));
    EXPECT_TRUE(restored.isVisible());
    EXPECT_EQ(restored.geometry(), QRect(100, 120, 300, 200));

    original.showMaximized();
    ASSERT_TRUE(SaveWidgetPlacement(registry, original, PlacementKeyPath(), name));
    EXPECT_EQ(sandbox.Raw(kGroup)->value(name + QStringLiteral(" showCmd")).toUInt(), ShowCmd::ShowMaximized);
    QWidget maximized;
    EXPECT_TRUE(LoadWidgetPlacement(registry, maximized, PlacementKeyPath(), name));
    EXPECT_TRUE(maximized.isMaximized());
    EXPECT_EQ(maximized.normalGeometry(), QRect(100, 120, 300, 200));

    original.hide();
    ASSERT_TRUE(SaveWidgetPlacement(registry, original, PlacementKeyPath(), name));
    QWidget hidden;
    EXPECT_TRUE(LoadWidgetPlacement(registry, hidden, PlacementKeyPath(), name));
    EXPECT_FALSE(hidden.isVisible());
}

TEST_F(WidgetPlacementTest, AWindowOffEveryScreenIsPulledBack)
{
    ASSERT_TRUE(registry.SaveWindowPlacement(Placement(ShowCmd::ShowNormal, -5000, -4000, -4600, -3700), true,
                                             PlacementKeyPath(), name));
    QWidget window;
    EXPECT_TRUE(LoadWidgetPlacement(registry, window, PlacementKeyPath(), name));
    const QRect desktop = QGuiApplication::primaryScreen()->virtualGeometry();
    // Back at the desktop's corner (the window system may keep its frame on the screen), same size.
    EXPECT_EQ(window.geometry().size(), QSize(400, 300));
    EXPECT_TRUE(QRect(desktop.topLeft(), QSize(10, 40)).contains(window.geometry().topLeft()));

    ASSERT_TRUE(registry.SaveWindowPlacement(Placement(ShowCmd::ShowNormal, 90000, 10, 90400, 310), true,
                                             PlacementKeyPath(), name));
    EXPECT_TRUE(LoadWidgetPlacement(registry, window, PlacementKeyPath(), name));
    const ScreenArea area = DesktopArea(window);
    EXPECT_EQ(window.geometry().left(), desktop.left() + desktop.width() - area.iconWidth);
    EXPECT_TRUE(desktop.intersects(window.geometry()));
}

// A status window inside the frame's window area: saved in a large frame, it
// comes back wholly inside a smaller one, moved no more than that needs.
TEST_F(WidgetPlacementTest, AWindowInsideAnotherIsPulledWhollyInsideIt)
{
    QWidget frame;
    frame.resize(800, 500);
    frame.show();
    const struct {
        PlacementRect saved;
        QRect loaded;
    } rows[] = {
        {{1300, 800, 1700, 1100}, QRect(400, 200, 400, 300)}, // saved in a 1800 x 1200 frame
        {{-500, -50, -100, 250}, QRect(0, 0, 400, 300)},
        {{100, 50, 500, 350}, QRect(100, 50, 400, 300)},      // inside already: untouched
        {{700, 10, 1700, 410}, QRect(0, 10, 800, 400)},       // wider than the area: its width
    };
    for (const auto& row : rows) {
        ASSERT_TRUE(registry.SaveWindowPlacement(WindowPlacement{0, ShowCmd::ShowNormal, row.saved}, true,
                                                 PlacementKeyPath(), name));
        QWidget child(&frame);
        EXPECT_TRUE(LoadWidgetPlacement(registry, child, PlacementKeyPath(), name));
        EXPECT_EQ(child.geometry(), row.loaded) << row.saved.left << "," << row.saved.top;
        EXPECT_TRUE(child.isVisible());
    }
}

} // namespace
