// The main window offscreen: menus, toolbar, status bar panes, accelerators.

#include "app/ManagerSettings.h"
#include "app/frame/widgets/MainFrame.h"
#include "data/ProgressPane.h"
#include "platform/TimerScale.h"
#include "support/EventLoop.h"
#include "support/PromptRecorder.h"
#include "app/SettingsSandbox.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QStatusBar>
#include <QTest>
#include <QToolBar>

#include <gtest/gtest.h>

namespace {

QStringList Texts(const QMenu* menu)
{
    QStringList texts;
    for (QAction* action : menu->actions())
        if (!action->isSeparator())
            texts << action->text();
    return texts;
}

class MainFrameWindowTest : public testing::Test {
protected:
    void SetUp() override { qputenv("QORA_RKS_GATEWAY", "127.0.0.1:1"); }
    void TearDown() override { qunsetenv("QORA_RKS_GATEWAY"); }

    SettingsSandbox sandbox;
    CManagerSettings settings;
    PromptRecorder prompts;
};

TEST_F(MainFrameWindowTest, MenusToolbarAndPanesAsTheEngineerSeesThem)
{
    CMainFrame frame(settings);
    frame.show();
    QStringList menus;
    for (QAction* action : frame.menuBar()->actions())
        menus << action->text();
    EXPECT_EQ(menus, (QStringList{"&File", "&View", "&Run", "&Maintenance", "&Status", "&Window", "&Help"}));
    EXPECT_EQ(Texts(frame.Menu("Run")),
              (QStringList{"&Local Connection", "Remote &Connection...", "Commission &Mode", "&Disconnect",
                           "Commissioning &Wizard...", "Commissioning &Report...", "&Fleet Overview"}));
    auto* toolBar = frame.findChild<QToolBar*>();
    ASSERT_NE(toolBar, nullptr);
    int buttons = 0;
    for (QAction* action : toolBar->actions())
        buttons += action->isSeparator() ? 0 : 1;
    EXPECT_EQ(buttons, 11);
    EXPECT_FALSE(frame.Action(ID_LOCAL_CONNECTION)->icon().isNull());

    // Not connected: only the always-available commands and the two connections.
    EXPECT_TRUE(frame.Action(ID_LOCAL_CONNECTION)->isEnabled());
    EXPECT_TRUE(frame.Action(ID_REMOTE_CONNECTION)->isEnabled());
    EXPECT_TRUE(frame.Action(ID_COMM_PARAMETERS)->isEnabled());
    EXPECT_FALSE(frame.Action(ID_DISCONNECT)->isEnabled());
    EXPECT_FALSE(frame.Action(ID_GPS_PARAMETERS)->isEnabled());
    EXPECT_FALSE(frame.Action(ID_WINDOW_TILE)->isEnabled());
    EXPECT_EQ(frame.Action(ID_LOCAL_CONNECTION)->statusTip(),
              QStringLiteral("Creates a local connection to the QORA unit"));

    // Pane 1 holds the data groups' progress bar while they work.
    auto bar = CreateProgressBar();
    ASSERT_NE(bar, nullptr);
    bar->SetRange(3);
    bar->SetVisible(true);
    bar->Step();
    auto* progress = frame.findChild<QWidget*>("ProgressPane")->findChild<QProgressBar*>();
    ASSERT_NE(progress, nullptr);
    EXPECT_EQ(progress->value(), 1);
    // For people: QORA_SCREENSHOT_DIR=folder keeps a picture of the window.
    if (const QString folder = qEnvironmentVariable("QORA_SCREENSHOT_DIR"); !folder.isEmpty()) {
        frame.resize(900, 600);
        frame.statusBar()->showMessage(frame.Action(ID_LOCAL_CONNECTION)->statusTip());
        frame.grab().save(folder + "/main-frame.png");
    }
    bar.reset();
    EXPECT_EQ(frame.findChild<QWidget*>("ProgressPane")->findChild<QProgressBar*>(), nullptr);
}

TEST_F(MainFrameWindowTest, AdvancedModeRemovesAndRestoresTheClockOutEntry)
{
    CMainFrame frame(settings); // the settings' default: advanced mode off
    QMenu* maintenance = frame.Menu("Maintenance");
    EXPECT_FALSE(Texts(maintenance).contains("&Clock Out Time Settings..."));
    EXPECT_FALSE(frame.Action(ID_ADVANCED)->isChecked());
    frame.RunCommand(ID_ADVANCED);
    const QStringList withEntry = Texts(maintenance);
    EXPECT_EQ(withEntry.indexOf("&Clock Out Time Settings...") + 1, withEntry.indexOf("&Reset QORA..."));
    EXPECT_TRUE(frame.Action(ID_ADVANCED)->isChecked());
    frame.RunCommand(ID_ADVANCED);
    frame.RunCommand(ID_ADVANCED);
    EXPECT_EQ(Texts(maintenance), withEntry); // twice leaves the menu as it was
}

TEST_F(MainFrameWindowTest, PlainLetterKeysRunTheirCommands)
{
    SetTimerScale(0.01);
    CMainFrame frame(settings);
    frame.show();
    QApplication::setActiveWindow(&frame);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&frame));
    EXPECT_EQ(frame.ConnectionPane()->text(), QStringLiteral("Not connected"));
    QTest::keyClick(&frame, Qt::Key_L);
    EXPECT_EQ(frame.windowTitle(), QStringLiteral("Tavra QORA Manager - Local (192.168.255.120)"));
    EXPECT_EQ(frame.ConnectionPane()->text(), QStringLiteral("Connecting - Local (192.168.255.120)"));
    ASSERT_TRUE(PumpUntil([&] { return frame.Controller().ConnectionState() == ConnectionState::Failed; }));
    EXPECT_EQ(frame.windowTitle(), QStringLiteral("Tavra QORA Manager"));
    EXPECT_EQ(frame.ConnectionPane()->text(), QStringLiteral("Connection failed - Local (192.168.255.120)"));
    EXPECT_EQ(frame.AccessLevelPane()->text(), QStringLiteral(" ")); // pane 2 as it was
    EXPECT_EQ(prompts.shown.size(), 1u);
    QTest::keyClick(&frame, Qt::Key_D); // disabled without a connection: nothing happens
    EXPECT_EQ(prompts.shown.size(), 1u);
    SetTimerScale(1.0);
}

TEST_F(MainFrameWindowTest, ClosingUnconnectedSavesPlacementAndAdvancedMode)
{
    {
        CMainFrame frame(settings);
        frame.show();
        frame.RunCommand(ID_ADVANCED);
        EXPECT_TRUE(frame.close());
    }
    auto coordinates = sandbox.Raw("Settings/Coordinates");
    EXPECT_TRUE(coordinates->contains("MainFrm x1"));
    EXPECT_EQ(sandbox.Raw("Settings")->value("Advanced Mode").toUInt(), 1u);
}

} // namespace
