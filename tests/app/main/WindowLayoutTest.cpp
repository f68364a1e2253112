// Window > Tile and Window > Cascade with the three status windows in a main
// window of 1024 x 720: every window stays inside the window area, the area
// shows no scroll bars, cascaded windows keep their own size and come back
// where they were after the next connection.

#include "app/ManagerSettings.h"
#include "app/SettingsSandbox.h"
#include "app/frame/widgets/MainFrame.h"
#include "app/main/StatusWindows.h"
#include "status/constellation/ConstellationStatistics.h"
#include "status/gps/GPSStatus.h"
#include "status/install/InstallStatus.h"
#include "support/EventLoop.h"
#include "support/PromptRecorder.h"

#include <QDir>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QScrollBar>
#include <QTableWidget>

#include <gtest/gtest.h>

namespace {

// For people: the pictures land here; look at them after a change of layout.
const QString kShotFolder = QStringLiteral("/tmp/frame-shots");

class WindowLayoutTest : public testing::Test {
protected:
    void SetUp() override
    {
        frame.resize(1024, 720);
        frame.show();
        PumpFor(20);
    }

    QList<QMdiSubWindow*> Shown(std::initializer_list<QMdiSubWindow*> wanted)
    {
        for (QMdiSubWindow* window : {static_cast<QMdiSubWindow*>(&windows.GpsStatus()),
                                      static_cast<QMdiSubWindow*>(&windows.InstallStatus()),
                                      static_cast<QMdiSubWindow*>(&windows.ConstellationStatistics())})
            window->setVisible(std::find(wanted.begin(), wanted.end(), window) != wanted.end());
        frame.CommandStateChanged();
        PumpFor(20);
        return QList<QMdiSubWindow*>(wanted);
    }

    // Every window inside the area and the area without scroll bars.
    ::testing::AssertionResult AllInside(const QList<QMdiSubWindow*>& shown)
    {
        PumpFor(30); // the area decides on its scroll bars as it lays itself out
        QMdiArea& area = *frame.MdiArea();
        const QRect inside(QPoint(0, 0), area.viewport()->size());
        for (QMdiSubWindow* window : shown) {
            if (!inside.contains(window->geometry()))
                return ::testing::AssertionFailure()
                       << window->windowTitle().toStdString() << " at " << window->x() << "," << window->y() << " size "
                       << window->width() << "x" << window->height() << " leaves the area of " << inside.width() << "x"
                       << inside.height();
        }
        if (area.horizontalScrollBar()->isVisible() || area.verticalScrollBar()->isVisible())
            return ::testing::AssertionFailure() << "the window area shows a scroll bar";
        return ::testing::AssertionSuccess();
    }

    void Shoot(const QString& name)
    {
        QDir().mkpath(kShotFolder);
        PumpFor(30);
        frame.grab().save(kShotFolder + QLatin1Char('/') + name + QStringLiteral(".png"));
    }

    SettingsSandbox sandbox;
    CManagerSettings settings;
    PromptRecorder prompts;
    CMainFrame frame{settings};
    CStatusWindows windows{frame};
};

TEST_F(WindowLayoutTest, TileFitsOneTwoOrThreeWindowsIntoTheArea)
{
    QMdiSubWindow* gps = &windows.GpsStatus();
    QMdiSubWindow* install = &windows.InstallStatus();
    QMdiSubWindow* constellation = &windows.ConstellationStatistics();
    for (const QList<QMdiSubWindow*>& shown :
         {Shown({gps}), Shown({gps, install}), Shown({install, constellation}), Shown({gps, install, constellation})}) {
        // Scattered first, one of them partly out of the area.
        for (QMdiSubWindow* window : shown)
            window->move(700, 500);
        ASSERT_TRUE(frame.Action(ID_WINDOW_TILE)->isEnabled());
        frame.RunCommand(ID_WINDOW_TILE);
        EXPECT_TRUE(AllInside(shown)) << shown.size() << " windows";
        // Full width each, one above the other, none hidden behind another.
        for (qsizetype i = 0; i < shown.size(); ++i) {
            EXPECT_EQ(shown[i]->width(), frame.MdiArea()->viewport()->width());
            for (qsizetype j = i + 1; j < shown.size(); ++j)
                EXPECT_FALSE(shown[i]->geometry().intersects(shown[j]->geometry()));
        }
    }
    Shoot(QStringLiteral("tile-three"));

    // A maximized window is restored and tiled with the others.
    gps->showMaximized();
    frame.RunCommand(ID_WINDOW_TILE);
    EXPECT_FALSE(gps->isMaximized());
    EXPECT_TRUE(AllInside({gps, install, constellation}));
}

TEST_F(WindowLayoutTest, CascadeKeepsEachWindowsOwnSizeAndTheLayoutComesBack)
{
    const QList<QMdiSubWindow*> shown =
        Shown({&windows.GpsStatus(), &windows.InstallStatus(), &windows.ConstellationStatistics()});
    for (QMdiSubWindow* window : shown)
        window->resize(150, 120); // whatever they had before
    frame.RunCommand(ID_WINDOW_CASCADE);
    EXPECT_TRUE(AllInside(shown));
    QList<QRect> cascaded;
    for (qsizetype i = 0; i < shown.size(); ++i) {
        QMdiSubWindow* window = shown[i];
        cascaded << window->geometry();
        EXPECT_EQ(window->size(), window->sizeHint()) << window->windowTitle().toStdString();
        EXPECT_GT(window->x(), i == 0 ? -1 : cascaded[i - 1].x());
    }
    // In their own size the tables show everything: no scroll bars of their own.
    for (QTableWidget* table : {&windows.GpsStatus().Table(), &windows.InstallStatus().Table(),
                                windows.ConstellationStatistics().Table()}) {
        EXPECT_FALSE(table->horizontalScrollBar()->isVisible()) << table->window()->windowTitle().toStdString();
        EXPECT_FALSE(table->verticalScrollBar()->isVisible()) << table->parentWidget()->parentWidget()->windowTitle().toStdString();
    }
    Shoot(QStringLiteral("cascade-three"));

    // Hidden at the end of the connection, shown again at the next one.
    windows.Hide();
    for (QMdiSubWindow* window : shown)
        window->setGeometry(5, 5, 100, 100);
    windows.Start();
    PumpFor(20);
    for (qsizetype i = 0; i < shown.size(); ++i) {
        EXPECT_TRUE(shown[i]->isVisible());
        EXPECT_EQ(shown[i]->geometry(), cascaded[i]) << shown[i]->windowTitle().toStdString();
    }
    EXPECT_TRUE(AllInside(shown));
}

TEST_F(WindowLayoutTest, CascadeInASmallFrameShrinksWindowsIntoTheArea)
{
    frame.resize(520, 400);
    const QList<QMdiSubWindow*> shown =
        Shown({&windows.GpsStatus(), &windows.InstallStatus(), &windows.ConstellationStatistics()});
    frame.RunCommand(ID_WINDOW_CASCADE);
    EXPECT_TRUE(AllInside(shown));
    frame.RunCommand(ID_WINDOW_TILE);
    EXPECT_TRUE(AllInside(shown));
}

} // namespace
