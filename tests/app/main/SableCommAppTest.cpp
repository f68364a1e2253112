// Start-up of the whole program object, offscreen.

#include "app/frame/widgets/MainFrame.h"
#include "app/main/SableCommApp.h"
#include "app/main/StatusWindows.h"
#include "status/gps/GPSStatus.h"
#include "status/gps/GPSStatusView.h"
#include "app/shell/SplashWnd.h"
#include "link/CommHandler.h"
#include "link/ComponentFactory.h"
#include "link/INetworkBrowser.h"
#include "platform/LogFile.h"
#include "data/UnitFacts.h"
#include "data/gps/widgets/GpsParamDlg.h"
#include "data/system/widgets/SystemParamDlg.h"
#include "data/system/widgets/UserInfoDlg.h"
#include "data/timing/widgets/ClockTimingDlg.h"
#include "data/timing/widgets/RFParamDlg.h"
#include "data/version/widgets/VersionInfoDlg.h"
#include "support/EventLoop.h"
#include "support/ModalAnswer.h"
#include "support/PromptRecorder.h"
#include "support/SimProcess.h"
#include "app/SettingsSandbox.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QStatusBar>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// The program as if it lay beside this test, where the build puts the help pages.
QString ProgramPath()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/QORAManager");
}

class SableCommAppTest : public testing::Test {
protected:
    void TearDown() override
    {
        CSplashWnd::HideSplashScreen();
        ComponentFactory<INetworkBrowser>::Register(CLSID_NetworkBrowser, {});
        qunsetenv("QORA_RKS_DIRECTORY");
        qunsetenv("QORA_RKS_GATEWAY");
    }

    SettingsSandbox sandbox;
    PromptRecorder prompts;
};

TEST_F(SableCommAppTest, RegistrationCallsEndAtOnce)
{
    for (const char* argument : {"/regserver", "-UNREGSERVER"}) {
        CSableCommApp app;
        EXPECT_FALSE(app.InitInstance(ProgramPath(), {QString::fromLatin1(argument)}));
        EXPECT_EQ(app.MainFrame(), nullptr);
        EXPECT_EQ(app.EndStatus(), 0);
    }
    EXPECT_TRUE(prompts.shown.empty());
}

TEST_F(SableCommAppTest, MissingHelpEndsTheProgramWithItsPath)
{
    QTemporaryDir dir;
    CSableCommApp app;
    EXPECT_FALSE(app.InitInstance(dir.filePath(QStringLiteral("QORAManager")), {}));
    EXPECT_EQ(app.EndStatus(), 1) << "a program that could not start does not end as a success";
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].text,
              QStringLiteral("Help file not found:\r\n") + dir.filePath(QStringLiteral("qoramanager-help/index.html")));
}

TEST_F(SableCommAppTest, StartsWithTheSavedAdvancedMode)
{
    sandbox.Raw(QStringLiteral("Settings"))->setValue(QStringLiteral("Advanced Mode"), 1);
    CSableCommApp app;
    ASSERT_TRUE(app.InitInstance(ProgramPath(), {}));
    CMainFrame* frame = app.MainFrame();
    ASSERT_NE(frame, nullptr);
    EXPECT_TRUE(frame->isVisible());
    EXPECT_EQ(frame->windowTitle(), QStringLiteral("Tavra QORA Manager"));
    EXPECT_TRUE(frame->Controller().AdvancedMode());
    EXPECT_TRUE(frame->Menu(QStringLiteral("Maintenance"))->actions().contains(frame->Action(ID_CLOCK_OUT_TIMING)));
    EXPECT_TRUE(prompts.shown.empty());
}

// --log FILE: a file that cannot be opened is named to the engineer and the
// program runs on; one that can gets the connection's story.
TEST_F(SableCommAppTest, ALogFileOnTheCommandLineIsUsedOrItsProblemShown)
{
    QTemporaryDir dir;
    const QString unwritable = dir.filePath(QStringLiteral("missing/qora.log"));
    {
        CSableCommApp app;
        ASSERT_TRUE(
            app.InitInstance(ProgramPath(), {QStringLiteral("--log"), unwritable, QStringLiteral("/Embedding")}));
        ASSERT_EQ(prompts.shown.size(), 1u);
        EXPECT_EQ(prompts.shown[0].text, QStringLiteral("cannot open %1: No such file or directory").arg(unwritable));
        EXPECT_EQ(prompts.shown[0].icon, MsgIcon::Warning);
        EXPECT_NE(app.MainFrame(), nullptr);
    }
    prompts.shown.clear();

    const QString directory = dir.filePath(QStringLiteral("nodes.json"));
    SimProcess sim({QStringLiteral("--directory"), directory});
    ASSERT_TRUE(sim.Running());
    qputenv("QORA_RKS_DIRECTORY", directory.toLocal8Bit());
    const QString log = dir.filePath(QStringLiteral("qora.log"));
    {
        CSableCommApp app;
        ASSERT_TRUE(app.InitInstance(ProgramPath(), {QStringLiteral("--log=") + log, QStringLiteral("sobriquet"),
                                                     QStringLiteral("QORA-131")}));
        ASSERT_TRUE(PumpUntil([&] { return app.MainFrame()->Controller().Handler().GetConnectionType() == ConnectionType::ConnectedBrowsed; }, 8000));
    }
    StopLogFile();
    EXPECT_TRUE(prompts.shown.empty());
    QFile file(log);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().contains(" info qora.link: connected to a QORA unit\n"));
}

TEST_F(SableCommAppTest, ARemoteUnitNameOnTheCommandLineConnectsToIt)
{
    QTemporaryDir dir;
    const QString directory = dir.filePath(QStringLiteral("nodes.json"));
    SimProcess sim({QStringLiteral("--directory"), directory});
    ASSERT_TRUE(sim.Running());
    qputenv("QORA_RKS_DIRECTORY", directory.toLocal8Bit());

    CSableCommApp app;
    ASSERT_TRUE(app.InitInstance(ProgramPath(), {QStringLiteral("sobriquet"), QStringLiteral("QORA-131")}));
    CMainFrame* frame = app.MainFrame();
    EXPECT_EQ(frame->windowTitle(), QStringLiteral("Tavra QORA Manager - Remote (QORA-131)"));
    EXPECT_EQ(app.Settings().saveEnabled, 1u);
    ASSERT_TRUE(PumpUntil([&] { return IsRemote(frame->Controller().Handler().GetConnectionType()); }, 8000));
    // For people: QORA_SCREENSHOT_DIR=folder keeps pictures of the connected window.
    if (const QString folder = qEnvironmentVariable("QORA_SCREENSHOT_DIR"); !folder.isEmpty()) {
        frame->RunCommand(ID_COMMISSION_MODE);
        PumpUntil([&] { return frame->Controller().ConnectionState() == ConnectionState::Commission; }, 8000);
        frame->RunCommand(ID_FILE_NEW);
        frame->resize(900, 600);
        PumpFor(50);
        frame->grab().save(folder + QStringLiteral("/connected.png"));
        frame->Menu(QStringLiteral("Maintenance"))->popup(frame->mapToGlobal(QPoint(120, 20)));
        PumpFor(50);
        frame->Menu(QStringLiteral("Maintenance"))->grab().save(folder + QStringLiteral("/maintenance-menu.png"));
        frame->Menu(QStringLiteral("Maintenance"))->hide();
    }

    CSableCommApp numbered;
    ASSERT_TRUE(numbered.InitInstance(ProgramPath(), {QStringLiteral("-sobriquet"), QStringLiteral("12")}));
    EXPECT_EQ(numbered.MainFrame()->windowTitle(), QStringLiteral("Tavra QORA Manager"));
    EXPECT_EQ(numbered.MainFrame()->Controller().Handler().GetState(), ConnectionState::Disconnected);
}

} // namespace

namespace {

class UnitDialogsTest : public SableCommAppTest {
protected:
    void SetUp() override
    {
        sim = std::make_unique<SimProcess>();
        ASSERT_TRUE(sim->Running());
        qputenv("QORA_RKS_GATEWAY", QStringLiteral("127.0.0.1:%1").arg(sim->Port()).toLatin1());
        ASSERT_TRUE(app.InitInstance(ProgramPath(), {QStringLiteral("/Embedding")}));
        frame = app.MainFrame();
        frame->RunCommand(ID_LOCAL_CONNECTION);
        ASSERT_TRUE(PumpUntil([&] { return frame->Controller().ConnectionState() == ConnectionState::Connected; }, 8000));
        frame->RunCommand(ID_COMMISSION_MODE);
        ASSERT_TRUE(PumpUntil([&] { return frame->Controller().ConnectionState() == ConnectionState::Commission; }, 8000));
    }
    // Runs the command; `ready` tells when its dialog shows what it read.
    void RunDialog(int commandId, const std::function<bool(QDialog&)>& ready, const QString& picture)
    {
        bool filled = false;
        CModalAnswer answer([&](QDialog& dialog) {
            filled = PumpUntil([&] { return ready(dialog); }, 8000);
            if (const QString folder = qEnvironmentVariable("QORA_SCREENSHOT_DIR"); !folder.isEmpty())
                dialog.grab().save(folder + QLatin1Char('/') + picture);
            dialog.accept();
        }, 15000);
        frame->RunCommand(commandId);
        EXPECT_TRUE(answer.Answered());
        EXPECT_FALSE(answer.SafetyClosed());
        EXPECT_TRUE(filled);
    }

    std::unique_ptr<SimProcess> sim;
    CSableCommApp app;
    CMainFrame* frame = nullptr;
};

TEST_F(UnitDialogsTest, VersionAndGpsParametersOpenFromTheirCommands)
{
    RunDialog(ID_VERSION_INFORMATION, [](QDialog& dialog) {
        auto* version = qobject_cast<CVersionInfoDlg*>(&dialog);
        return version && version->FieldText("serialNumber") == QStringLiteral("QSIM131");
    }, QStringLiteral("version-information.png"));
    EXPECT_EQ(AppUnitFacts().serialNumber, QStringLiteral("QSIM131"));

    RunDialog(ID_GPS_PARAMETERS, [](QDialog& dialog) {
        return qobject_cast<CGPSParamDlg*>(&dialog) && !AppUnitFacts().latitudeText.isEmpty();
    }, QStringLiteral("gps-parameters.png"));
    EXPECT_TRUE(AppUnitFacts().latitudeText.startsWith(QStringLiteral("N 59")));
    EXPECT_TRUE(prompts.shown.empty());
}

TEST_F(UnitDialogsTest, TimingSystemAndUserDialogsOpenFromTheirCommands)
{
    QElapsedTimer shown;
    shown.start();
    // Given a moment for their reads, the dialogs are the right ones and no problem was reported.
    RunDialog(ID_TIME_CALCULATION, [&](QDialog& dialog) {
        return qobject_cast<CRFParamDlg*>(&dialog) && shown.elapsed() > 300;
    }, QStringLiteral("time-calculation.png"));
    shown.restart();
    RunDialog(ID_CLOCK_OUT_TIMING, [&](QDialog& dialog) {
        return qobject_cast<CClockTimingDlg*>(&dialog) && shown.elapsed() > 300;
    }, QStringLiteral("clock-out-timing.png"));
    shown.restart();
    RunDialog(ID_SYSTEM_PARAMETERS, [&](QDialog& dialog) {
        return qobject_cast<CSystemParamDlg*>(&dialog) && shown.elapsed() > 300;
    }, QStringLiteral("system-parameters.png"));
    shown.restart();
    RunDialog(ID_USER_INFORMATION, [&](QDialog& dialog) {
        return qobject_cast<CUserInfoDlg*>(&dialog) && shown.elapsed() > 300;
    }, QStringLiteral("user-information.png"));
    EXPECT_TRUE(prompts.shown.empty());
}

TEST_F(UnitDialogsTest, StatusWindowsShowTheMovingUnitAndHideOnDisconnect)
{
    CStatusWindows* windows = app.StatusWindows();
    ASSERT_NE(windows, nullptr);
    EXPECT_FALSE(windows->AnyVisible()); // started hidden with commission mode
    EXPECT_FALSE(frame->Action(ID_WINDOW_TILE)->isEnabled());
    frame->RunCommand(ID_GPS_STATUS);
    frame->RunCommand(ID_INSTALLATION_STATUS);
    frame->RunCommand(ID_CONSTELLATION_STATISTICS);
    EXPECT_TRUE(windows->AnyVisible());
    frame->CommandStateChanged();
    EXPECT_TRUE(frame->Action(ID_WINDOW_TILE)->isEnabled());
    const CGPSStatusView& gps = windows->GpsStatus().View();
    ASSERT_TRUE(PumpUntil([&] { return gps.LatitudeText().startsWith(QStringLiteral("N 59")); }, 8000));
    frame->RunCommand(ID_WINDOW_TILE);
    if (const QString folder = qEnvironmentVariable("QORA_SCREENSHOT_DIR"); !folder.isEmpty()) {
        frame->resize(1100, 760);
        frame->RunCommand(ID_WINDOW_TILE);
        PumpFor(300);
        frame->grab().save(folder + QStringLiteral("/status-windows.png"));
    }

    // Whatever the message area shows, the connection stays in sight.
    frame->statusBar()->showMessage(QStringLiteral("Ready"));
    EXPECT_TRUE(frame->ConnectionPane()->isVisible());
    EXPECT_EQ(frame->ConnectionPane()->text(), QStringLiteral("Commission mode - Local (192.168.255.120)"));

    frame->RunCommand(ID_DISCONNECT);
    ASSERT_TRUE(PumpUntil([&] { return frame->Controller().ConnectionState() == ConnectionState::Disconnected; }));
    EXPECT_EQ(frame->ConnectionPane()->text(), QStringLiteral("Not connected"));
    EXPECT_FALSE(windows->AnyVisible());
    EXPECT_TRUE(sandbox.Raw(QStringLiteral("Settings/Coordinates"))->contains(QStringLiteral("GPSStatusWnd x1")));
}

TEST_F(UnitDialogsTest, ConstellationLogIsSavedAndOpened)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("log.txt"));
    auto previousDialog = SetFileDialogFunction([&](const FileDialogRequest& request) -> std::optional<QString> {
        EXPECT_TRUE(request.save);
        return path;
    });
    QString opened;
    auto previousOpen = SetShellOpenFunction([&](const QString& file) {
        opened = file;
        return true;
    });
    frame->RunCommand(ID_CONSTELLATION_LOG);
    ASSERT_TRUE(PumpUntil([&] { return !opened.isEmpty(); }, 10000));
    EXPECT_EQ(opened, path);
    QFile log(path);
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_TRUE(log.readAll().contains("Serial number:  QSIM131\r\n"));
    // The main window's status bar says where it went.
    const QString saved = QStringLiteral("Saved to ") + QDir::toNativeSeparators(path);
    EXPECT_EQ(frame->statusBar()->currentMessage(), saved);

    // A desktop with no program for it: a message names the file.
    SetShellOpenFunction([&](const QString&) { return false; });
    frame->statusBar()->clearMessage();
    const std::size_t before = prompts.shown.size();
    frame->RunCommand(ID_CONSTELLATION_LOG);
    ASSERT_TRUE(PumpUntil([&] { return prompts.shown.size() > before; }, 10000));
    EXPECT_EQ(prompts.shown.back().icon, MsgIcon::Warning);
    EXPECT_TRUE(prompts.shown.back().text.contains(QDir::toNativeSeparators(path)));
    EXPECT_EQ(frame->statusBar()->currentMessage(), saved);
    SetFileDialogFunction(std::move(previousDialog));
    SetShellOpenFunction(std::move(previousOpen));
}

} // namespace
