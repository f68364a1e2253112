// The connection workflow against the simulated unit, over the real link, with
// the frame's timers run a hundred times faster.

#include "app/ManagerSettings.h"
#include "app/access/AccessControlSettings.h"
#include "app/frame/FrameCommands.h"
#include "app/frame/FrameWorkflow.h"
#include "app/frame/MainFrameController.h"
#include "data/AccessLevel.h"
#include "link/CommHandler.h"
#include "link/ConnectProgress.h"
#include "platform/TimerScale.h"
#include "rks/RksComponents.h"
#include "link/ComponentFactory.h"
#include "link/INetworkBrowser.h"
#include "rks/RksNetworkBrowser.h"
#include "rks/widgets/RksWidgetComponents.h"
#include "support/EventLoop.h"
#include "support/ModalAnswer.h"
#include "support/PromptRecorder.h"
#include "support/SimProcess.h"
#include "app/frame/RecordingFrameView.h"
#include "app/SettingsSandbox.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTest>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// The commissioning road as the workflow sees it.
class RecordingWorkflow : public IFrameWorkflow {
public:
    bool loads = true; // what LoadWorkOrder answers
    QStringList loaded;
    int commissionings = 0, wizardsDeleted = 0, notBack = 0;

    bool LoadWorkOrder(const QString& path, int unitNumber) override
    {
        loaded << path + QLatin1Char('#') + QString::number(unitNumber);
        return loads;
    }
    void RunStartupCommissioning() override { ++commissionings; }
    void DeleteWizard() override { ++wizardsDeleted; }
    void UnitNotBackAfterReset() override { ++notBack; }
};

const QString kCannotConnect = QStringLiteral("Can't create a connection to the target device.");

class MainFrameControllerTest : public testing::Test {
protected:
    void SetUp() override
    {
        RegisterRksComponents();
        SetTimerScale(0.01); // retry 60 s -> 600 ms, watchdog 10 s -> 100 ms
    }
    void TearDown() override
    {
        controller.reset();
        SetTimerScale(1.0);
        qunsetenv("QORA_RKS_GATEWAY");
    }
    void Start(QStringList simArguments = {}, StartupRequest startup = {})
    {
        sim = std::make_unique<SimProcess>(simArguments);
        ASSERT_TRUE(sim->Running());
        qputenv("QORA_RKS_GATEWAY", QStringLiteral("127.0.0.1:%1").arg(sim->Port()).toLatin1());
        controller = std::make_unique<CMainFrameController>(settings, view, std::move(startup));
        controller->SetWorkflow(&workflow);
    }
    bool WaitState(ConnectionState state, int ms = 8000)
    {
        return PumpUntil([&] { return controller->ConnectionState() == state; }, ms);
    }
    int Count(const QString& start) const
    {
        int n = 0;
        for (const auto& shown : prompts.shown)
            n += shown.text.startsWith(start) ? 1 : 0;
        return n;
    }
    void ToCommissionMode()
    {
        controller->LocalConnection();
        ASSERT_TRUE(WaitState(ConnectionState::Connected));
        controller->CommissionMode();
        ASSERT_TRUE(WaitState(ConnectionState::Commission));
    }

    SettingsSandbox sandbox;
    CManagerSettings settings;
    RecordingFrameView view;
    RecordingWorkflow workflow;
    PromptRecorder prompts{MsgAnswer::Yes};
    std::unique_ptr<SimProcess> sim;
    std::unique_ptr<CMainFrameController> controller;
};

TEST_F(MainFrameControllerTest, LocalConnectionThroughCommissionMode)
{
    Start();
    controller->LocalConnection();
    EXPECT_EQ(view.titles.last(), QStringLiteral("Tavra QORA Manager - Local (192.168.255.120)"));
    EXPECT_EQ(controller->ConnectionDescription(), QStringLiteral("Local (192.168.255.120)"));
    EXPECT_EQ(controller->UnitAddressText(), QStringLiteral("131"));
    ASSERT_TRUE(WaitState(ConnectionState::Connected));
    EXPECT_EQ(controller->Handler().GetConnectionType(), ConnectionType::Connected);
    controller->CommissionMode();
    EXPECT_EQ(controller->ConnectionState(), ConnectionState::EnteringCommission);
    ASSERT_TRUE(WaitState(ConnectionState::Commission));
    EXPECT_EQ(controller->Handler().GetConnectionType(), ConnectionType::Commission);
    EXPECT_EQ(view.starts, 1);
    EXPECT_TRUE(prompts.shown.empty());

    controller->Disconnect();
    ASSERT_TRUE(WaitState(ConnectionState::Disconnected));
    EXPECT_EQ(view.titles.last(), QStringLiteral("Tavra QORA Manager"));
    EXPECT_EQ(view.hides, 1); // the status windows go when commission mode ends
}

TEST_F(MainFrameControllerTest, AFailedConnectionLeavesTheBareTitle)
{
    settings.q1Address = 999;
    settings.SaveSettings();
    Start();
    controller->LocalConnection();
    ASSERT_TRUE(WaitState(ConnectionState::Failed));
    EXPECT_EQ(view.titles.last(), QStringLiteral("Tavra QORA Manager"));
    EXPECT_TRUE(controller->FullControl());
    EXPECT_EQ(Count(kCannotConnect), 1);
    EXPECT_EQ(prompts.shown[0].icon, MsgIcon::Error);
    // The pane keeps saying which connection failed after the title has let go of it.
    EXPECT_EQ(view.connectionTexts.last(), QStringLiteral("Connection failed - Local (192.168.255.120)"));
}

TEST_F(MainFrameControllerTest, TheConnectionPaneFollowsConnectionCommissionModeAndReset)
{
    const QString unit = QStringLiteral(" - Local (192.168.255.120)");
    Start({QStringLiteral("--reboot-ms"), QStringLiteral("200")});
    controller->LocalConnection();
    EXPECT_EQ(view.connectionTexts.last(), QStringLiteral("Connecting") + unit);
    ASSERT_TRUE(WaitState(ConnectionState::Connected));
    EXPECT_EQ(view.connectionTexts.last(), QStringLiteral("Connected") + unit);
    controller->CommissionMode();
    EXPECT_EQ(view.connectionTexts.last(), QStringLiteral("Entering commission mode") + unit);
    ASSERT_TRUE(WaitState(ConnectionState::Commission));
    EXPECT_EQ(view.connectionTexts,
              (QStringList{QStringLiteral("Connecting") + unit, QStringLiteral("Connected") + unit,
                           QStringLiteral("Entering commission mode") + unit, QStringLiteral("Commission mode") + unit}));

    // From the reset until commission mode is back: the countdown, whatever
    // the reconnection goes through on the way.
    view.connectionTexts.clear();
    controller->ResetQora();
    EXPECT_EQ(view.connectionTexts.last(), QStringLiteral("QORA restarting: reconnecting in 60 s"));
    ASSERT_TRUE(PumpUntil([&] { return view.connectionTexts.last() == QStringLiteral("Commission mode") + unit; }, 8000));
    view.connectionTexts.removeLast();
    view.connectionTexts.removeDuplicates();
    ASSERT_GE(view.connectionTexts.size(), 2) << "counted down";
    // Once the unit answers, the last steps into commission mode.
    for (const QString& text : view.connectionTexts)
        EXPECT_TRUE(text.startsWith(QStringLiteral("QORA restarting: reconnecting in "))
                    || text == QStringLiteral("Waiting for the unit to restart") + unit)
            << text.toStdString();
    EXPECT_TRUE(controller->SilentReconnection());

    controller->Disconnect();
    EXPECT_EQ(view.connectionTexts.last(), QStringLiteral("Not connected"));
    ASSERT_TRUE(WaitState(ConnectionState::Disconnected));
    EXPECT_EQ(view.connectionTexts.last(), QStringLiteral("Not connected"));
}

TEST_F(MainFrameControllerTest, ResetReconnectsSilentlyAndReturnsToCommissionMode)
{
    Start({QStringLiteral("--reboot-ms"), QStringLiteral("200")});
    ToCommissionMode();
    controller->ResetQora();
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].buttons, MsgButtons::YesNo);
    EXPECT_EQ(prompts.shown[0].defaultAnswer, MsgAnswer::No);
    EXPECT_TRUE(controller->ResetPending());
    EXPECT_TRUE(controller->IsReconnectTimerRunning());
    ASSERT_TRUE(PumpUntil([&] { return controller->SilentReconnection(); }, 5000));
    EXPECT_FALSE(controller->Handler().GetConnectProgress()->IsActive()); // no connecting window
    ASSERT_TRUE(WaitState(ConnectionState::Commission));
    EXPECT_FALSE(controller->ResetPending()) << "the wait ends when the unit is back";
    EXPECT_FALSE(controller->ResetWait().Running());
    EXPECT_EQ(view.restarts, 1);
    EXPECT_EQ(view.starts, 1);
    EXPECT_EQ(prompts.shown.size(), 1u);                           // only the question
}

TEST_F(MainFrameControllerTest, AUnitThatStaysDownAfterAResetIsReportedOnce)
{
    Start();
    ToCommissionMode();
    controller->ResetQora();
    sim->Kill();
    // The failed tries during the wait say nothing; the end of the retry time does.
    ASSERT_TRUE(PumpUntil([&] { return Count(kCannotConnect) > 0; }, 10000));
    PumpFor(50);
    EXPECT_EQ(controller->ConnectionState(), ConnectionState::Failed);
    EXPECT_EQ(Count(kCannotConnect), 1);
    EXPECT_EQ(view.hides, 1);
    EXPECT_FALSE(controller->SilentReconnection());
    EXPECT_EQ(workflow.notBack, 1) << "what waited for the unit is told";
}

// A unit that acknowledges its reset and answers with its old setup for a
// while: the tries that reach it meanwhile do not count, only the unit that
// went away and came back does.
TEST_F(MainFrameControllerTest, AUnitThatStillAnswersAfterItsResetIsNotTakenAsRestarted)
{
    // Restarts 400 ms after the reset, silent for 200 ms; tries every 30 ms.
    Start({QStringLiteral("--restart-delay-ms"), QStringLiteral("400"), QStringLiteral("--reboot-ms"),
           QStringLiteral("200")});
    ToCommissionMode();
    QElapsedTimer waited;
    waited.start();
    controller->ResetQora();
    ASSERT_TRUE(PumpUntil([&] { return view.restarts == 1; }, 8000));
    EXPECT_GE(waited.elapsed(), 600) << "back in commission mode only after its restart";
    ASSERT_TRUE(WaitState(ConnectionState::Commission));
    EXPECT_FALSE(controller->ResetPending());
    EXPECT_EQ(prompts.shown.size(), 1u) << "only the question";
    PumpFor(200);
    EXPECT_EQ(view.restarts, 1);
    EXPECT_EQ(controller->ConnectionState(), ConnectionState::Commission);

    // A unit that never goes away is taken when the retry time has passed
    // (60 s, 600 ms scaled), as the single reconnection after it always did.
    Start({QStringLiteral("--restart-delay-ms"), QStringLiteral("100000")});
    ToCommissionMode();
    waited.restart();
    controller->ResetQora();
    ASSERT_TRUE(PumpUntil([&] { return view.restarts == 2; }, 8000));
    EXPECT_GE(waited.elapsed(), 600);
    ASSERT_TRUE(WaitState(ConnectionState::Commission));
}

// The engineer gives up waiting: Disconnect ends the wait at any time, and a
// new connection ends it first and says so; the end of the retry time then
// reports nothing.
TEST_F(MainFrameControllerTest, TheEngineerCanEndTheWaitWithDisconnectOrANewConnection)
{
    QStringList statusMessages;
    auto previous = SetStatusMessageFunction([&](const QString& text) { statusMessages << text; });
    Start({QStringLiteral("--reboot-ms"), QStringLiteral("100000")}); // stays down
    ToCommissionMode();
    controller->ResetQora();
    // A try has failed: no connection, yet the wait goes on.
    ASSERT_TRUE(PumpUntil([&] { return controller->ConnectionState() == ConnectionState::Failed; }, 5000));
    ASSERT_EQ(controller->Handler().GetConnectionType(), ConnectionType::None);
    const FrameCommandState waiting = controller->CommandState(true);
    EXPECT_TRUE(IsFrameCommandEnabled(ID_DISCONNECT, waiting));
    EXPECT_TRUE(IsFrameCommandEnabled(ID_LOCAL_CONNECTION, waiting));
    EXPECT_TRUE(IsFrameCommandEnabled(ID_REMOTE_CONNECTION, waiting));
    EXPECT_FALSE(IsFrameCommandEnabled(ID_COMMISSION_MODE, waiting));
    const int notBack = workflow.notBack;
    controller->Disconnect();
    EXPECT_FALSE(controller->ResetPending());
    EXPECT_FALSE(controller->ResetWait().Running());
    EXPECT_FALSE(controller->SilentReconnection());
    EXPECT_EQ(view.connectionTexts.last(), QStringLiteral("Not connected"));
    EXPECT_EQ(view.hides, 1) << "the status windows that waited go";
    EXPECT_GT(workflow.notBack, notBack);
    EXPECT_FALSE(IsFrameCommandEnabled(ID_DISCONNECT, controller->CommandState(true)));
    PumpFor(800); // past the retry time
    EXPECT_EQ(Count(kCannotConnect), 0);
    EXPECT_EQ(controller->ConnectionState(), ConnectionState::Disconnected);

    // Local Connection during the wait: the wait ends first, visibly, and the
    // connection is the engineer's own (with its message when it fails).
    Start({QStringLiteral("--reboot-ms"), QStringLiteral("100000")});
    ToCommissionMode();
    controller->ResetQora();
    ASSERT_TRUE(PumpUntil([&] { return controller->ConnectionState() == ConnectionState::Failed; }, 5000));
    controller->LocalConnection();
    EXPECT_FALSE(controller->ResetWait().Running());
    EXPECT_FALSE(controller->SilentReconnection());
    EXPECT_TRUE(statusMessages.contains(QStringLiteral("Stopped waiting for the unit to restart")));
    EXPECT_EQ(view.connectionTexts.last(), QStringLiteral("Connecting - Local (192.168.255.120)"));
    ASSERT_TRUE(WaitState(ConnectionState::Failed));
    PumpFor(800);
    EXPECT_EQ(Count(kCannotConnect), 1) << "the engineer's connection failed, once";
    SetStatusMessageFunction(std::move(previous));
}

TEST_F(MainFrameControllerTest, AfterAResetTheUnitIsTriedFromTheStartOfTheWaitNotOnlyAtItsEnd)
{
    // A retry time of ten minutes (6 s scaled); the unit restarts in 300 ms.
    settings.retryConnTime = 600;
    settings.SaveSettings();
    Start({QStringLiteral("--reboot-ms"), QStringLiteral("300")});
    ToCommissionMode();
    view.connectionTexts.clear();
    QElapsedTimer waited;
    waited.start();
    controller->ResetQora();
    EXPECT_EQ(view.connectionTexts.last(), QStringLiteral("QORA restarting: reconnecting in 600 s"));
    EXPECT_TRUE(controller->ResetPending());
    ASSERT_TRUE(PumpUntil([&] { return view.restarts == 1 && controller->ConnectionState() == ConnectionState::Commission; },
                          8000));
    EXPECT_LT(waited.elapsed(), 3000) << "back long before the retry time";
    EXPECT_TRUE(view.connectionTexts.contains(QStringLiteral("QORA restarting: reconnecting in 599 s")));
    EXPECT_FALSE(controller->ResetPending());
    EXPECT_EQ(view.restarts, 1);
    EXPECT_EQ(prompts.shown.size(), 1u) << "only the reset question: the tries before it was back said nothing";
    // Nothing of the wait is left to fire later.
    PumpFor(200);
    EXPECT_EQ(controller->ConnectionState(), ConnectionState::Commission);
    EXPECT_EQ(view.restarts, 1);
}

TEST_F(MainFrameControllerTest, WatchdogDisconnectsUnlessTheDownloadDialogIsOpen)
{
    Start();
    ToCommissionMode();
    controller->SetDownloadDialogOpen(true);
    controller->SetLinkWatchdog(1);
    PumpFor(350); // several periods: only restarted
    EXPECT_TRUE(controller->IsWatchdogRunning());
    EXPECT_EQ(controller->ConnectionState(), ConnectionState::Commission);
    controller->SetLinkWatchdog(0);
    EXPECT_FALSE(controller->IsWatchdogRunning());

    controller->SetDownloadDialogOpen(false);
    controller->SetLinkWatchdog(1);
    ASSERT_TRUE(WaitState(ConnectionState::Disconnected, 3000));
    EXPECT_EQ(Count(kCannotConnect), 1);
    EXPECT_FALSE(controller->IsWatchdogRunning());
}

TEST_F(MainFrameControllerTest, CancelledConnectionThatSucceedsLaterIsClosedWithOneMessage)
{
    Start({QStringLiteral("--delay-ms"), QStringLiteral("300")});
    controller->Handler().SetSilentConnect(false);
    controller->LocalConnection();
    CConnectProgress* progress = controller->Handler().GetConnectProgress();
    ASSERT_NE(progress, nullptr);
    progress->Cancel();
    ASSERT_TRUE(PumpUntil([&] { return controller->ConnectCancelled(); }));
    ASSERT_TRUE(PumpUntil([&] { return controller->ConnectionState() == ConnectionState::Disconnected; }, 5000));
    PumpFor(100);
    EXPECT_EQ(Count(kCannotConnect), 1);
    EXPECT_EQ(controller->Handler().GetConnectionType(), ConnectionType::None);
}

TEST_F(MainFrameControllerTest, TheStartUpConnectionCommissionsFromTheWorkOrderOnce)
{
    Start({QStringLiteral("--reboot-ms"), QStringLiteral("200")},
          StartupRequest{true, QStringLiteral("/orders/site.xml"), 2});
    controller->StartupConnection();
    EXPECT_EQ(view.commParamDialogs, 1);
    EXPECT_EQ(workflow.wizardsDeleted, 1);
    // Commission mode is asked for without the command.
    ASSERT_TRUE(WaitState(ConnectionState::Commission));
    EXPECT_EQ(workflow.loaded, QStringList{QStringLiteral("/orders/site.xml#2")});
    EXPECT_EQ(workflow.commissionings, 1);
    EXPECT_TRUE(view.titles.isEmpty()) << "the start-up connection keeps the title";

    // The reset after it reconnects without commissioning again.
    controller->ResetQora();
    ASSERT_TRUE(PumpUntil([&] { return controller->SilentReconnection(); }, 5000));
    ASSERT_TRUE(WaitState(ConnectionState::Commission));
    EXPECT_EQ(workflow.commissionings, 1);
    EXPECT_GE(workflow.wizardsDeleted, 2) << "each try is a new connection";

    // A work order that cannot be read commissions nothing.
    controller->Disconnect();
    ASSERT_TRUE(WaitState(ConnectionState::Disconnected));
    workflow.loads = false;
    controller.reset();
    controller = std::make_unique<CMainFrameController>(settings, view,
                                                        StartupRequest{true, QStringLiteral("/orders/bad.xml"), -1});
    controller->SetWorkflow(&workflow);
    controller->StartupConnection();
    ASSERT_TRUE(WaitState(ConnectionState::Commission));
    EXPECT_EQ(workflow.loaded.last(), QStringLiteral("/orders/bad.xml#-1"));
    EXPECT_EQ(workflow.commissionings, 1);
}

TEST_F(MainFrameControllerTest, AnotherUnitEndsTheProgramWithItsSettingsSaved)
{
    Start({QStringLiteral("--identity"), QStringLiteral("QORHW9")});
    controller->SetAdvancedMode(false);
    controller->LocalConnection();
    ASSERT_TRUE(PumpUntil([&] { return view.destroyed; }, 8000));
    EXPECT_EQ(Count(QStringLiteral("The connected QOR unit is not compatible")), 1);
    EXPECT_EQ(controller->Handler().GetConnectionType(), ConnectionType::None);
    EXPECT_EQ(view.placementSaves, 1);
    EXPECT_EQ(sandbox.Raw(QStringLiteral("Settings"))->value(QStringLiteral("Advanced Mode")).toUInt(), 0u);
}

TEST_F(MainFrameControllerTest, ClosingWhileConnectedDisconnectsFirst)
{
    Start();
    ToCommissionMode();
    EXPECT_FALSE(controller->RequestClose());
    EXPECT_FALSE(view.destroyed);
    ASSERT_TRUE(PumpUntil([&] { return view.destroyed; }));
    EXPECT_EQ(controller->Handler().GetConnectionType(), ConnectionType::None);
    EXPECT_EQ(view.placementSaves, 1);
}

TEST_F(MainFrameControllerTest, WatchdogStartsOnceAndStopsOnAnyOtherMode)
{
    Start();
    controller->LocalConnection();
    ASSERT_TRUE(WaitState(ConnectionState::Connected));
    controller->SetLinkWatchdog(1);
    EXPECT_TRUE(controller->IsWatchdogRunning());
    controller->SetLinkWatchdog(7); // any mode other than 1 stops it
    EXPECT_FALSE(controller->IsWatchdogRunning());
}

class RemoteConnectionTest : public MainFrameControllerTest {
protected:
    void StartRemote(bool accessSwitchOn = false)
    {
        directory = dir.filePath(QStringLiteral("nodes.json"));
        Start({QStringLiteral("--directory"), directory});
        qunsetenv("QORA_RKS_GATEWAY"); // the directory's strings reach the simulator themselves
        qputenv("QORA_RKS_DIRECTORY", directory.toLocal8Bit());
        const QString switchFile = dir.filePath(QStringLiteral("2G_Managers.conf"));
        QFile file(switchFile);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(accessSwitchOn ? "Access Levels=On\n" : "Access Levels=Off\n");
        file.close();
        SetAccessControlSettingsFile(switchFile);
        // The engineer picks the first unit in the browser.
        RegisterRksBrowser([this](const CRksNodeDirectory& nodes) -> std::optional<RksNode> {
            ++browses;
            const RksNode* node = nodes.Find("QORA-131");
            return node ? std::optional<RksNode>(*node) : std::nullopt;
        });
    }
    void TearDown() override
    {
        ComponentFactory<INetworkBrowser>::Register(CLSID_NetworkBrowser, {});
        SetAccessControlSettingsFile(QString());
        qunsetenv("QORA_RKS_DIRECTORY");
        MainFrameControllerTest::TearDown();
    }

    QTemporaryDir dir;
    QString directory;
    int browses = 0;
};

TEST_F(RemoteConnectionTest, PickedInTheBrowserWithFullControlAndNoWatchdog)
{
    StartRemote();
    controller->RemoteConnection();
    EXPECT_EQ(browses, 1);
    EXPECT_EQ(view.titles.last(), QStringLiteral("Tavra QORA Manager - Remote (QORA-131)"));
    EXPECT_EQ(controller->ConnectionDescription(), QStringLiteral("Remote (QORA-131)"));
    EXPECT_EQ(controller->UnitBusAddress(), 131);
    EXPECT_EQ(view.accessText, QStringLiteral("Access Level: Full Control"));
    ASSERT_TRUE(WaitState(ConnectionState::Connected));
    EXPECT_EQ(controller->Handler().GetConnectionType(), ConnectionType::ConnectedBrowsed);
    controller->SetLinkWatchdog(1);
    EXPECT_FALSE(controller->IsWatchdogRunning());
    controller->CommissionMode();
    ASSERT_TRUE(WaitState(ConnectionState::Commission));
    EXPECT_EQ(controller->Handler().GetConnectionType(), ConnectionType::CommissionBrowsed);
    EXPECT_TRUE(prompts.shown.empty());
    EXPECT_EQ(view.connectionTexts.last(), QStringLiteral("Commission mode - Remote (QORA-131)"));
}

TEST_F(RemoteConnectionTest, ABrowserClosedWithoutAPickSaysNothingAndConnectsNothing)
{
    StartRemote();
    RegisterRksBrowser([this](const CRksNodeDirectory&) -> std::optional<RksNode> {
        ++browses;
        return std::nullopt;
    });
    controller->RemoteConnection();
    EXPECT_EQ(browses, 1);
    PumpFor(100);
    EXPECT_TRUE(prompts.shown.empty());
    EXPECT_EQ(controller->Handler().GetConnectionType(), ConnectionType::None);
    EXPECT_EQ(controller->ConnectionState(), ConnectionState::Disconnected);
    EXPECT_FALSE(controller->IsRemote());
    EXPECT_TRUE(view.titles.isEmpty());

    // The browser's own window, left with Esc.
    RegisterRksBrowser();
    {
        CModalAnswer answer([](QDialog& dialog) { QTest::keyClick(&dialog, Qt::Key_Escape); });
        controller->RemoteConnection();
        EXPECT_TRUE(answer.Answered());
        EXPECT_FALSE(answer.SafetyClosed());
    }
    PumpFor(100);
    EXPECT_TRUE(prompts.shown.empty());
    EXPECT_EQ(controller->Handler().GetConnectionType(), ConnectionType::None);
    EXPECT_EQ(view.connectionTexts.last(), QStringLiteral("Not connected"));

    // Nothing of the cancelled browses stays in the way of the next pick.
    RegisterRksBrowser([](const CRksNodeDirectory& nodes) { return std::optional<RksNode>(*nodes.Find("QORA-131")); });
    controller->RemoteConnection();
    ASSERT_TRUE(WaitState(ConnectionState::Connected));
    EXPECT_EQ(view.titles.last(), QStringLiteral("Tavra QORA Manager - Remote (QORA-131)"));
    EXPECT_TRUE(prompts.shown.empty());
}

TEST_F(RemoteConnectionTest, ReadOnlyTakesAwayWizardResetAndDownload)
{
    StartRemote(true); // this machine's user is not in the administrators' group
    controller->SetWorkOrderValuesPresent(true);
    controller->RemoteConnection();
    EXPECT_EQ(view.accessText, QStringLiteral("Access Level: Read Only"));
    ASSERT_TRUE(WaitState(ConnectionState::Connected));
    controller->CommissionMode();
    ASSERT_TRUE(WaitState(ConnectionState::Commission));
    const FrameCommandState state = controller->CommandState(false);
    EXPECT_FALSE(IsFrameCommandEnabled(ID_COMMISSIONING_WIZARD, state));
    EXPECT_FALSE(IsFrameCommandEnabled(ID_RESET_QORA, state));
    EXPECT_FALSE(IsFrameCommandEnabled(ID_SW_DOWNLOAD, state));
    EXPECT_FALSE(AppFullControl()); // the dialogs that change unit values see it too
    EXPECT_TRUE(IsFrameCommandEnabled(ID_GPS_PARAMETERS, state));

    // A local connection afterwards gives Full Control again.
    controller->Disconnect();
    qputenv("QORA_RKS_GATEWAY", QStringLiteral("127.0.0.1:%1").arg(sim->Port()).toLatin1());
    controller->LocalConnection();
    EXPECT_TRUE(controller->FullControl());
    EXPECT_TRUE(AppFullControl());
    EXPECT_TRUE(view.accessText.isEmpty());
}

TEST_F(RemoteConnectionTest, ARemoteConnectionAfterACancelledAttemptStays)
{
    StartRemote();
    // A local attempt to a unit the gateway does not know, cancelled before it fails.
    settings.q1Address = 999;
    settings.SaveSettings();
    qputenv("QORA_RKS_GATEWAY", QStringLiteral("127.0.0.1:%1").arg(sim->Port()).toLatin1());
    controller->LocalConnection();
    controller->Handler().GetConnectProgress()->Cancel();
    ASSERT_TRUE(WaitState(ConnectionState::Failed));
    EXPECT_EQ(Count(kCannotConnect), 1);
    qunsetenv("QORA_RKS_GATEWAY");

    controller->RemoteConnection();
    ASSERT_TRUE(WaitState(ConnectionState::Connected));
    PumpFor(100);
    EXPECT_EQ(controller->ConnectionState(), ConnectionState::Connected);
    EXPECT_TRUE(IsRemote(controller->Handler().GetConnectionType()));
    EXPECT_EQ(Count(kCannotConnect), 1);
}

TEST_F(RemoteConnectionTest, AStartUpNameIsResolvedWithoutTheBrowser)
{
    StartRemote();
    settings.startupNodeName = QStringLiteral("qora-131");
    controller->RemoteConnection();
    EXPECT_EQ(browses, 0);
    EXPECT_TRUE(settings.startupNodeName.isEmpty());
    EXPECT_EQ(view.titles.last(), QStringLiteral("Tavra QORA Manager - Remote (qora-131)"));
    ASSERT_TRUE(WaitState(ConnectionState::Connected));

    // An unknown name: one message, no connection.
    controller->Disconnect();
    ASSERT_TRUE(WaitState(ConnectionState::Disconnected));
    settings.startupNodeName = QStringLiteral("BTS-404");
    controller->RemoteConnection();
    EXPECT_EQ(Count(kCannotConnect), 1);
    EXPECT_EQ(controller->Handler().GetConnectionType(), ConnectionType::None);
}

TEST_F(RemoteConnectionTest, NoReadableDirectoryMeansNoBrowser)
{
    StartRemote();
    qputenv("QORA_RKS_DIRECTORY", dir.filePath(QStringLiteral("missing.json")).toLocal8Bit());
    controller->RemoteConnection();
    EXPECT_EQ(Count(QStringLiteral("Cannot open Network Browser.")), 1);
    EXPECT_EQ(browses, 0);

    ComponentFactory<INetworkBrowser>::Register(CLSID_NetworkBrowser, {}); // the service is missing
    controller->RemoteConnection();
    EXPECT_EQ(Count(QStringLiteral("Cannot open Network Browser.")), 2);
}

} // namespace

namespace {

// What the status history hears of the connection: every break in what the
// unit reports (reset, reconnection, disconnection, failure) and the unit
// each connection reaches.
TEST_F(MainFrameControllerTest, TheStatusHistoryHearsOfEveryBreakAndOfTheUnit)
{
    Start({QStringLiteral("--reboot-ms"), QStringLiteral("200")});
    int breaks = 0;
    QStringList units;
    QObject::connect(controller.get(), &CMainFrameController::LinkInterrupted, [&] { ++breaks; });
    QObject::connect(controller.get(), &CMainFrameController::UnitConnected,
                     [&] { units << controller->LastConnection(); });
    ToCommissionMode();
    const QString local = QStringLiteral("WP=SOCKET,HOST=192.168.255.120,PORT=7000,WP=NEQ1,ADDR=131");
    EXPECT_EQ(units, QStringList{local});
    const int afterConnecting = breaks; // the attempt itself starts a new line

    controller->ResetQora();
    EXPECT_EQ(breaks, afterConnecting + 1); // the reset, before the unit goes down
    ASSERT_TRUE(PumpUntil([&] { return controller->SilentReconnection(); }, 5000));
    ASSERT_TRUE(WaitState(ConnectionState::Commission));
    EXPECT_GT(breaks, afterConnecting + 1);     // the reconnection as well
    EXPECT_EQ(units, (QStringList{local, local})); // the same unit again: its history goes on

    const int beforeDisconnecting = breaks;
    controller->Disconnect();
    ASSERT_TRUE(WaitState(ConnectionState::Disconnected));
    EXPECT_GT(breaks, beforeDisconnecting);

    settings.q1Address = 999; // nobody answers there
    settings.SaveSettings();
    const int beforeFailing = breaks;
    controller->LocalConnection();
    ASSERT_TRUE(WaitState(ConnectionState::Failed));
    EXPECT_GT(breaks, beforeFailing);
    EXPECT_EQ(units.size(), 2);
}

} // namespace
