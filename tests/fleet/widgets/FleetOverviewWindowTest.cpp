// The Fleet Overview window offscreen against the simulator's fleet, through
// the real link: the directory's units before and after a Refresh, their
// health and colours, the summary, a Stop, a window closed mid-sweep, the
// program staying responsive, and a double click that opens a remote
// connection the way the network browser does.

#include "app/ManagerSettings.h"
#include "app/SettingsSandbox.h"
#include "app/frame/widgets/MainFrame.h"
#include "app/main/FleetOverviewCommand.h"
#include "app/shell/HelpFiles.h"
#include "fleet/FleetOverviewModel.h"
#include "fleet/FleetOverviewSweep.h"
#include "fleet/FleetTable.h"
#include "fleet/widgets/FleetOverviewWindow.h"
#include "link/CommHandler.h"
#include "rks/RksComponents.h"
#include "rks/widgets/RksWidgetComponents.h"
#include "support/EventLoop.h"
#include "support/PromptRecorder.h"
#include "support/SimProcess.h"

#include <QAction>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

const QColor kGood(0, 160, 32);
const QColor kWarning(160, 32, 0);
const QColor kCaution(255, 215, 0);

// Rows in directory order: the simulator's own unit, then fleet units 1 to 4.
enum Row { MainUnit, Silent, SelfTestFailure, OldFirmware, Healthy };

class FleetOverviewWindowTest : public testing::Test {
protected:
    // The fleet: unit 1 silent, 2 failing its self-test, 3 on old firmware;
    // every reply `delayMs` late.
    void StartFleet(int delayMs = 0)
    {
        path = dir.filePath(QStringLiteral("nodes.json"));
        QStringList arguments{"--fleet", "4", "--fleet-silent", "1", "--fleet-self-test-failure", "2",
                              "--fleet-old-firmware", "3", "--directory", path};
        if (delayMs > 0)
            arguments << "--delay-ms" << QString::number(delayMs);
        sim = std::make_unique<SimProcess>(arguments);
        ASSERT_TRUE(sim->Running());
        qputenv("QORA_RKS_DIRECTORY", path.toLocal8Bit());
        qputenv("QORA_RKS_GATEWAY", QStringLiteral("127.0.0.1:%1").arg(sim->Port()).toLatin1());
        RegisterRksComponents();
        // A double click resolves the node by name; the browser's window never opens.
        RegisterRksBrowser([this](const CRksNodeDirectory&) -> std::optional<RksNode> {
            ++browserShown;
            return std::nullopt;
        });
    }
    void TearDown() override
    {
        qunsetenv("QORA_RKS_DIRECTORY");
        qunsetenv("QORA_RKS_GATEWAY");
        RegisterRksBrowser();
    }

    // A window inside a window area of its own.
    CFleetOverviewWindow& NewWindow()
    {
        area = std::make_unique<QMdiArea>();
        area->resize(1200, 600);
        auto* window = new CFleetOverviewWindow;
        area->addSubWindow(window);
        area->show();
        window->ShowAndRaise();
        return *window;
    }

    static QString Cell(const CFleetOverviewWindow& window, int row, int column, int role = Qt::DisplayRole)
    {
        return window.Model().data(window.Model().index(row, column), role).toString();
    }
    static QColor Colour(const CFleetOverviewWindow& window, int row, int column, int role)
    {
        return window.Model().data(window.Model().index(row, column), role).value<QColor>();
    }

    SettingsSandbox sandbox;
    QTemporaryDir dir;
    QString path;
    std::unique_ptr<SimProcess> sim;
    std::unique_ptr<QMdiArea> area;
    int browserShown = 0;
};

} // namespace

TEST_F(FleetOverviewWindowTest, RefreshReadsEveryUnitInTheBackgroundAndColoursItsHealth)
{
    StartFleet(20);
    CFleetOverviewWindow& window = NewWindow();

    // Listed from the directory before anything is read.
    ASSERT_EQ(window.Model().rowCount(), 5);
    EXPECT_EQ(Cell(window, Silent, CFleetOverviewModel::NameColumn), QStringLiteral("QORA-131 (10.0.0.1)"));
    EXPECT_EQ(Cell(window, Silent, CFleetOverviewModel::HealthColumn), QStringLiteral("Not read"));
    EXPECT_TRUE(window.DirectoryLine()->text().contains(QStringLiteral("nodes.json")));
    EXPECT_EQ(window.SummaryLine()->text(), QStringLiteral("5 units, not read yet"));
    EXPECT_EQ(window.JobsBox()->value(), 16);

    // The event loop keeps turning while the units are read; the rows fill
    // in as units finish.
    window.JobsBox()->setValue(1);
    int ticks = 0;
    bool partly = false;
    bool progressed = false;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        ++ticks;
        const std::size_t read = window.Model().ReadCount();
        partly = partly || (read > 0 && read < 5);
        progressed = progressed || (window.Sweep().Running() && window.Progress()->value() > 0);
    });
    ticker.start(10);
    QElapsedTimer clock;
    clock.start();
    window.RefreshButton()->click();
    EXPECT_LT(clock.elapsed(), 500) << "Refresh returns at once";
    EXPECT_TRUE(window.Sweep().Running());
    EXPECT_FALSE(window.RefreshButton()->isEnabled());
    EXPECT_TRUE(window.StopButton()->isEnabled());
    EXPECT_FALSE(window.JobsBox()->isEnabled());
    EXPECT_TRUE(window.SummaryLine()->text().startsWith(QStringLiteral("Reading...")));
    ASSERT_TRUE(PumpUntil([&] { return !window.Sweep().Running(); }, 30000));
    ticker.stop();
    EXPECT_GE(ticks, 10);
    EXPECT_TRUE(partly);
    EXPECT_TRUE(progressed);

    EXPECT_EQ(window.Model().ReadCount(), 5u);
    EXPECT_EQ(window.Progress()->value(), 5);
    EXPECT_EQ(window.Progress()->maximum(), 5);
    EXPECT_TRUE(window.RefreshButton()->isEnabled());
    EXPECT_FALSE(window.StopButton()->isEnabled());
    EXPECT_EQ(window.SummaryLine()->text(),
              QStringLiteral("5 units: 4 reachable, 1 unreachable, 1 not reporting self-test OK"));

    EXPECT_EQ(Cell(window, Silent, CFleetOverviewModel::HealthColumn), QStringLiteral("Unreachable"));
    EXPECT_EQ(Colour(window, Silent, CFleetOverviewModel::HealthColumn, Qt::BackgroundRole), kWarning);
    EXPECT_EQ(Cell(window, Silent, CFleetOverviewModel::ReachableColumn), QStringLiteral("No"));
    EXPECT_FALSE(Cell(window, Silent, CFleetOverviewModel::ErrorColumn).isEmpty());

    EXPECT_EQ(Cell(window, SelfTestFailure, CFleetOverviewModel::HealthColumn), QStringLiteral("Fault"));
    EXPECT_EQ(Cell(window, SelfTestFailure, CFleetOverviewModel::SelfTestColumn), QStringLiteral("Not OK"));
    EXPECT_EQ(Colour(window, SelfTestFailure, CFleetOverviewModel::SelfTestColumn, Qt::ForegroundRole), kWarning);
    EXPECT_EQ(Cell(window, SelfTestFailure, CFleetOverviewModel::SerialColumn), QStringLiteral("QSIMF00002"));

    EXPECT_EQ(Cell(window, OldFirmware, CFleetOverviewModel::ActiveFirmwareColumn), QStringLiteral("QOR0290.bin"));
    EXPECT_EQ(Cell(window, Healthy, CFleetOverviewModel::ActiveFirmwareColumn), QStringLiteral("QOR0300.bin"));
    EXPECT_EQ(Cell(window, Healthy, CFleetOverviewModel::SelfTestColumn), QStringLiteral("OK"));
    EXPECT_EQ(Colour(window, Healthy, CFleetOverviewModel::SelfTestColumn, Qt::ForegroundRole), kGood);
    // The simulated units have no GPS fix yet and a free-running clock: a
    // warning, in the caution colour, with the status windows' own texts.
    EXPECT_EQ(Cell(window, Healthy, CFleetOverviewModel::GpsFixColumn), QStringLiteral("Not OK"));
    EXPECT_EQ(Cell(window, Healthy, CFleetOverviewModel::ClockStateColumn), QStringLiteral("Free Running"));
    EXPECT_EQ(Colour(window, Healthy, CFleetOverviewModel::ClockStateColumn, Qt::BackgroundRole), kCaution);
    EXPECT_EQ(Colour(window, Healthy, CFleetOverviewModel::GpsFixColumn, Qt::ForegroundRole), kWarning);
    EXPECT_EQ(Cell(window, Healthy, CFleetOverviewModel::HealthColumn), QStringLiteral("Warning"));
    EXPECT_EQ(Colour(window, Healthy, CFleetOverviewModel::HealthColumn, Qt::BackgroundRole), kCaution);
    EXPECT_EQ(Cell(window, MainUnit, CFleetOverviewModel::SerialColumn), QStringLiteral("QSIM131"));

    // Sorted by health the trouble comes first, also for a later Refresh.
    window.Table()->sortByColumn(CFleetOverviewModel::HealthColumn, Qt::AscendingOrder);
    EXPECT_EQ(Cell(window, 0, CFleetOverviewModel::HealthColumn), QStringLiteral("Unreachable"));
    EXPECT_EQ(Cell(window, 1, CFleetOverviewModel::HealthColumn), QStringLiteral("Fault"));
    window.JobsBox()->setValue(8);
    ASSERT_TRUE(window.Refresh());
    ASSERT_TRUE(PumpUntil([&] { return !window.Sweep().Running(); }, 30000));
    EXPECT_EQ(Cell(window, 0, CFleetOverviewModel::HealthColumn), QStringLiteral("Unreachable"));
    EXPECT_EQ(Cell(window, 1, CFleetOverviewModel::HealthColumn), QStringLiteral("Fault"));
    EXPECT_EQ(Cell(window, 4, CFleetOverviewModel::HealthColumn), QStringLiteral("Warning"));
    EXPECT_EQ(browserShown, 0);
}

TEST_F(FleetOverviewWindowTest, StopLeavesTheRestUnreadAndClosingMidSweepWaitsOnlyForTheUnitsBeingRead)
{
    StartFleet(100);
    CFleetOverviewWindow& window = NewWindow();
    window.JobsBox()->setValue(1);
    ASSERT_TRUE(window.Refresh());
    EXPECT_FALSE(window.Refresh()) << "one sweep at a time";
    ASSERT_TRUE(PumpUntil([&] { return window.Model().ReadCount() >= 1; }, 10000));
    window.StopButton()->click();
    EXPECT_FALSE(window.StopButton()->isEnabled());
    EXPECT_TRUE(window.SummaryLine()->text().startsWith(QStringLiteral("Stopping")));
    ASSERT_TRUE(PumpUntil([&] { return !window.Sweep().Running(); }, 10000));
    EXPECT_LT(window.Model().ReadCount(), 5u);
    EXPECT_EQ(Cell(window, Healthy, CFleetOverviewModel::HealthColumn), QStringLiteral("Not read"));
    EXPECT_TRUE(window.SummaryLine()->text().contains(QStringLiteral("units not read)")))
        << window.SummaryLine()->text().toStdString();
    EXPECT_TRUE(window.RefreshButton()->isEnabled());

    // Gone in the middle of a sweep: nothing is left running and nothing
    // arrives for the window afterwards.
    ASSERT_TRUE(window.Refresh());
    ASSERT_TRUE(PumpUntil([&] { return window.Model().ReadCount() >= 1; }, 10000));
    QElapsedTimer clock;
    clock.start();
    delete &window;
    EXPECT_LT(clock.elapsed(), 3000);
    PumpFor(200);
}

// Two thousand units at 64 connections: the window takes every unit as it
// comes without holding up the event loop.
TEST_F(FleetOverviewWindowTest, AThousandsOfUnitsSweepLeavesTheEventLoopTurning)
{
    path = dir.filePath(QStringLiteral("nodes.json"));
    sim = std::make_unique<SimProcess>(QStringList{"--fleet", "2000", "--directory", path});
    ASSERT_TRUE(sim->Running());
    qputenv("QORA_RKS_DIRECTORY", path.toLocal8Bit());
    qputenv("QORA_RKS_GATEWAY", QStringLiteral("127.0.0.1:%1").arg(sim->Port()).toLatin1());
    RegisterRksComponents();
    CFleetOverviewWindow& window = NewWindow();
    ASSERT_EQ(window.Model().rowCount(), 2001);
    window.JobsBox()->setValue(64);

    QElapsedTimer sinceTick;
    qint64 longestGap = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        longestGap = std::max(longestGap, sinceTick.restart());
    });
    ASSERT_TRUE(window.Refresh());
    sinceTick.start();
    ticker.start(10);
    ASSERT_TRUE(PumpUntil([&] { return !window.Sweep().Running(); }, 60000));
    ticker.stop();
    EXPECT_EQ(window.Model().ReadCount(), 2001u);
    EXPECT_EQ(window.Progress()->value(), 2001);
    EXPECT_EQ(window.SummaryLine()->text(),
              QStringLiteral("2001 units: 2001 reachable, 0 unreachable, 0 not reporting self-test OK"));
    RecordProperty("longest_gap_ms", int(longestGap));
    EXPECT_LT(longestGap, 1000) << "the event loop stood still for " << longestGap << " ms";
    std::fprintf(stderr, "longest gap between ticks: %lld ms\n", static_cast<long long>(longestGap));
}

TEST_F(FleetOverviewWindowTest, WithoutADirectoryTheWindowSaysSoAndKeepsWhatItListed)
{
    StartFleet();
    CFleetOverviewWindow& window = NewWindow();
    ASSERT_EQ(window.Model().rowCount(), 5);

    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("{\"version\":1,\"nodes\":[{\"name\":");
    file.close();
    EXPECT_FALSE(window.Refresh());
    EXPECT_FALSE(window.Sweep().Running());
    EXPECT_TRUE(window.SummaryLine()->text().startsWith(QStringLiteral("The node directory could not be read")));
    EXPECT_EQ(window.Model().rowCount(), 5);

    qputenv("QORA_RKS_DIRECTORY", "");
    EXPECT_FALSE(window.LoadDirectory());
    EXPECT_TRUE(window.SummaryLine()->text().startsWith(QStringLiteral("No node directory")));

    const QString empty = dir.filePath(QStringLiteral("empty.json"));
    QFile none(empty);
    ASSERT_TRUE(none.open(QIODevice::WriteOnly));
    none.write("{\"version\":1,\"nodes\":[]}");
    none.close();
    qputenv("QORA_RKS_DIRECTORY", empty.toLocal8Bit());
    EXPECT_FALSE(window.Refresh());
    EXPECT_EQ(window.Model().rowCount(), 0);
    EXPECT_TRUE(window.SummaryLine()->text().startsWith(QStringLiteral("The node directory lists no units.")));
}

TEST_F(FleetOverviewWindowTest, ARefreshKeepsEachRowUntilItsUnitIsReadAgainAndStatesAreNotCut)
{
    StartFleet(40);
    CFleetOverviewWindow& window = NewWindow();
    window.SetClock([] { return std::int64_t{1'700'000'000'000}; }); // 22:13:20 UTC
    // Widths saved too narrow for what a sweep writes.
    window.Table()->setColumnWidth(CFleetOverviewModel::HealthColumn, 12);
    window.Table()->setColumnWidth(CFleetOverviewModel::ErrorColumn, 12);
    ASSERT_TRUE(window.SaveLayout());
    window.LoadLayout();
    ASSERT_TRUE(window.Refresh());
    ASSERT_TRUE(PumpUntil([&] { return !window.Sweep().Running(); }, 30000));
    for (const int column : {int(CFleetOverviewModel::HealthColumn), int(CFleetOverviewModel::ErrorColumn)})
        EXPECT_GE(window.Table()->columnWidth(column), static_cast<QAbstractItemView*>(window.Table())->sizeHintForColumn(column))
            << column;

    // The older release is amber beside the newest one read.
    EXPECT_EQ(Colour(window, OldFirmware, CFleetOverviewModel::ActiveFirmwareColumn, Qt::BackgroundRole), kCaution);
    EXPECT_EQ(Cell(window, OldFirmware, CFleetOverviewModel::ActiveFirmwareColumn, Qt::ToolTipRole),
              QStringLiteral("Older than QOR0300.bin, the newest firmware read"));
    EXPECT_FALSE(Colour(window, Healthy, CFleetOverviewModel::ActiveFirmwareColumn, Qt::BackgroundRole).isValid());
    // A release the user expects makes every unit on an older one amber.
    window.ExpectedFirmwareBox()->setText(QStringLiteral("QOR0310.bin"));
    emit window.ExpectedFirmwareBox()->editingFinished();
    EXPECT_EQ(Colour(window, Healthy, CFleetOverviewModel::ActiveFirmwareColumn, Qt::BackgroundRole), kCaution);

    // The next Refresh: every row keeps what was read until its unit is read again.
    window.JobsBox()->setValue(1);
    ASSERT_TRUE(window.Refresh());
    EXPECT_EQ(window.Model().ReadCount(), 0u);
    EXPECT_EQ(Cell(window, Silent, CFleetOverviewModel::HealthColumn), QStringLiteral("Unreachable"));
    EXPECT_EQ(Cell(window, SelfTestFailure, CFleetOverviewModel::SerialColumn), QStringLiteral("QSIMF00002"));
    EXPECT_TRUE(window.Model().IsFromEarlierRefresh(Healthy));
    EXPECT_TRUE(Cell(window, Healthy, CFleetOverviewModel::HealthColumn, Qt::ToolTipRole)
                    .startsWith(QStringLiteral("As read at 22:13:20 UTC, by an earlier refresh")));
    EXPECT_TRUE(window.SummaryLine()->text().contains(QStringLiteral("5 of 5 units as an earlier refresh read them")))
        << window.SummaryLine()->text().toStdString();
    ASSERT_TRUE(PumpUntil([&] { return !window.Sweep().Running(); }, 30000));
    EXPECT_EQ(window.Model().EarlierCount(), 0u);
    EXPECT_EQ(window.SummaryLine()->text(),
              QStringLiteral("5 units: 4 reachable, 1 unreachable, 1 not reporting self-test OK"));
}

TEST_F(FleetOverviewWindowTest, ExportCsvWritesTheRowsReadAsTheFleetStatusFile)
{
    StartFleet();
    CFleetOverviewWindow& window = NewWindow();
    PromptRecorder prompts;
    std::vector<FileDialogRequest> asked;
    const QString file = dir.filePath(QStringLiteral("fleet.csv"));
    const FileDialogFunction previous = SetFileDialogFunction([&](const FileDialogRequest& request) {
        asked.push_back(request);
        return std::optional<QString>(file);
    });
    // Nothing read: nothing to ask for.
    EXPECT_TRUE(window.ExportCsv().isEmpty());
    EXPECT_TRUE(asked.empty());
    ASSERT_EQ(prompts.shown.size(), 1u);
    ASSERT_TRUE(window.Refresh());
    ASSERT_TRUE(PumpUntil([&] { return !window.Sweep().Running(); }, 30000));
    window.ExportButton()->click();
    SetFileDialogFunction(previous);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_TRUE(asked[0].save);
    EXPECT_FALSE(asked[0].initialPath.contains(u' '));
    EXPECT_TRUE(window.ExportButton()->text().endsWith(QStringLiteral("...")));
    QFile csv(file);
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = csv.readAll().split('\n');
    ASSERT_EQ(lines.size(), 7); // header, five units, the last line's end
    EXPECT_EQ(lines[0], QByteArray(kFleetCsvHeader));
    EXPECT_TRUE(lines[2].startsWith("QORA-131 (10.0.0.1),") && lines[2].contains(",no,")) << lines[2].toStdString();
    EXPECT_EQ(prompts.shown.size(), 1u);
}

class FleetOverviewFromMenu : public FleetOverviewWindowTest {
protected:
    void Open()
    {
        frame = std::make_unique<CMainFrame>(settings);
        command = std::make_unique<CFleetOverviewCommand>(
            *frame, QCoreApplication::applicationDirPath() + QStringLiteral("/QORAManager"));
        frame->resize(1200, 700);
        frame->show();
        frame->CommandStateChanged();
        QAction* action = frame->Action(ID_FLEET_OVERVIEW);
        ASSERT_NE(action, nullptr);
        EXPECT_TRUE(frame->Menu(QStringLiteral("Run"))->actions().contains(action));
        EXPECT_TRUE(action->isEnabled()) << "no connection needed";
        action->trigger();
        ASSERT_TRUE(command->Window().isVisible());
        EXPECT_EQ(command->Window().mdiArea(), frame->MdiArea());
    }
    void TearDown() override
    {
        if (frame && IsConnected(frame->Controller().Handler().GetConnectionType())) {
            frame->RunCommand(ID_DISCONNECT);
            PumpUntil([&] { return frame->Controller().ConnectionState() == ConnectionState::Disconnected; });
        }
        command.reset();
        frame.reset();
        FleetOverviewWindowTest::TearDown();
    }

    void DoubleClick(int row)
    {
        QTableView* table = command->Window().Table();
        QApplication::processEvents();
        const QRect cell = table->visualRect(table->model()->index(row, CFleetOverviewModel::NameColumn));
        // The press of the first click, then the double click, as a mouse sends them.
        QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, cell.center());
        QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, cell.center());
    }
    [[nodiscard]] ConnectionState State() const { return frame->Controller().ConnectionState(); }
    [[nodiscard]] QString Connection(int row) const { return command->Window().Model().UnitConnection(row); }

    CManagerSettings settings;
    std::unique_ptr<CMainFrame> frame;
    std::unique_ptr<CFleetOverviewCommand> command;
};

TEST_F(FleetOverviewFromMenu, DoubleClickOpensTheUnitAsARemoteConnectionAskingBeforeDroppingOne)
{
    StartFleet();
    Open();

    // Not connected: straight to the unit, resolved by its name.
    {
        PromptRecorder prompts;
        DoubleClick(Healthy);
        ASSERT_TRUE(PumpUntil([&] { return State() == ConnectionState::Connected; }, 10000));
        EXPECT_TRUE(prompts.shown.empty());
    }
    EXPECT_TRUE(frame->Controller().IsRemote());
    EXPECT_EQ(frame->Controller().RemoteNodeName(), QStringLiteral("QORA-131 (10.0.0.4)"));
    EXPECT_EQ(frame->Controller().LastConnection(), Connection(Healthy));
    EXPECT_EQ(frame->windowTitle(), QStringLiteral("Tavra QORA Manager - Remote (QORA-131 (10.0.0.4))"));

    // Connected: the engineer is asked, and No keeps the connection.
    {
        PromptRecorder prompts(MsgAnswer::No);
        DoubleClick(OldFirmware);
        ASSERT_EQ(prompts.shown.size(), 1u);
        EXPECT_EQ(prompts.shown[0].buttons, MsgButtons::YesNo);
        EXPECT_EQ(prompts.shown[0].defaultAnswer, MsgAnswer::No);
        EXPECT_TRUE(prompts.shown[0].text.contains(QStringLiteral("QORA-131 (10.0.0.3)")));
        PumpFor(200);
        EXPECT_EQ(State(), ConnectionState::Connected);
        EXPECT_EQ(frame->Controller().LastConnection(), Connection(Healthy));
    }
    // Yes: the connection closes and the new one is made.
    {
        PromptRecorder prompts(MsgAnswer::Yes);
        DoubleClick(OldFirmware);
        ASSERT_EQ(prompts.shown.size(), 1u);
        ASSERT_TRUE(PumpUntil(
            [&] { return State() == ConnectionState::Connected && frame->Controller().LastConnection() == Connection(OldFirmware); },
            10000));
        EXPECT_EQ(frame->Controller().RemoteNodeName(), QStringLiteral("QORA-131 (10.0.0.3)"));
    }
    EXPECT_EQ(browserShown, 0);
}

TEST_F(FleetOverviewFromMenu, AUnitThatDoesNotAnswerIsReportedAsTheRemoteConnectionDoes)
{
    StartFleet();
    Open();
    PromptRecorder prompts;
    DoubleClick(Silent);
    ASSERT_TRUE(PumpUntil([&] { return State() == ConnectionState::Failed; }, 15000));
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_TRUE(prompts.shown[0].text.startsWith(QStringLiteral("Can't create a connection to the target device.")));
    EXPECT_EQ(frame->windowTitle(), QStringLiteral("Tavra QORA Manager"));
    // The next Remote Connection is the browser's again, not this unit.
    EXPECT_TRUE(frame->Controller().RemoteNodeName().isEmpty());
    EXPECT_TRUE(settings.startupNodeName.isEmpty());
}

TEST_F(FleetOverviewFromMenu, AUnitTheOverviewCouldNotReachShowsItsOwnReasonFirst)
{
    StartFleet();
    Open();
    CFleetOverviewWindow& window = command->Window();
    ASSERT_TRUE(window.Refresh());
    ASSERT_TRUE(PumpUntil([&] { return !window.Sweep().Running(); }, 30000));
    const QString reason = Cell(window, Silent, CFleetOverviewModel::ErrorColumn);
    ASSERT_FALSE(reason.isEmpty());
    PromptRecorder prompts(MsgAnswer::No);
    DoubleClick(Silent);
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_TRUE(prompts.shown[0].text.contains(reason)) << prompts.shown[0].text.toStdString();
    EXPECT_TRUE(prompts.shown[0].text.contains(QStringLiteral("QORA-131 (10.0.0.1)")));
    EXPECT_EQ(prompts.shown[0].buttons, MsgButtons::YesNo);
    EXPECT_EQ(prompts.shown[0].defaultAnswer, MsgAnswer::No);
    PumpFor(100);
    EXPECT_EQ(State(), ConnectionState::Disconnected) << "No: no connection is tried";
}

TEST_F(FleetOverviewFromMenu, HelpAndPlacementAsTheOtherChildWindows)
{
    StartFleet();
    Open();
    EXPECT_EQ(HelpPageForCommand(ID_FLEET_OVERVIEW), QStringLiteral("fleet-overview.html"));
    EXPECT_TRUE(HelpPageNames().contains(QStringLiteral("fleet-overview.html")));

    // Alt+letter of the window's controls never collides with a main menu's.
    CFleetOverviewWindow& window = command->Window();
    QString menuLetters;
    for (QAction* action : frame->menuBar()->actions())
        menuLetters += action->text().at(action->text().indexOf(u'&') + 1).toUpper();
    QStringList controls{window.RefreshButton()->text(), window.StopButton()->text()};
    for (QLabel* label : window.findChildren<QLabel*>())
        if (label->buddy() == window.JobsBox())
            controls << label->text();
    ASSERT_EQ(controls.size(), 3);
    for (const QString& text : controls) {
        const qsizetype amp = text.indexOf(u'&');
        ASSERT_GE(amp, 0) << text.toStdString();
        EXPECT_FALSE(menuLetters.contains(text.at(amp + 1).toUpper())) << text.toStdString();
    }

    // F1 in the window asks for its page.
    int helpAsked = 0;
    window.SetHelp([&] { ++helpAsked; });
    frame->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(frame.get()));
    window.Table()->setFocus();
    QTest::keyClick(window.Table(), Qt::Key_F1);
    EXPECT_EQ(helpAsked, 1);

    // Closing only hides it and keeps its place for the next run.
    window.move(40, 30);
    window.resize(700, 300);
    window.Table()->setColumnWidth(CFleetOverviewModel::NameColumn, 222);
    window.close();
    EXPECT_FALSE(window.isVisible());
    EXPECT_TRUE(sandbox.Raw(QStringLiteral("Settings/Coordinates"))->childKeys().join(u' ').contains(
        QStringLiteral("FleetOverviewWnd")));
    command.reset();
    command = std::make_unique<CFleetOverviewCommand>(*frame, QString());
    frame->RunCommand(ID_FLEET_OVERVIEW);
    EXPECT_EQ(command->Window().size(), QSize(700, 300));
    EXPECT_EQ(command->Window().pos(), QPoint(40, 30));
    EXPECT_EQ(command->Window().Table()->columnWidth(CFleetOverviewModel::NameColumn), 222);
}

// For people: QORA_SCREENSHOT_DIR=folder keeps a picture of the window after
// a sweep of the simulator's fleet, sorted by health.
TEST_F(FleetOverviewWindowTest, APictureOfASweep)
{
    const QString folder = qEnvironmentVariable("QORA_SCREENSHOT_DIR");
    if (folder.isEmpty())
        GTEST_SKIP() << "QORA_SCREENSHOT_DIR not set";
    StartFleet(40);
    CFleetOverviewWindow& window = NewWindow();
    ASSERT_TRUE(window.Refresh());
    ASSERT_TRUE(PumpUntil([&] { return !window.Sweep().Running(); }, 30000));
    window.Table()->sortByColumn(CFleetOverviewModel::HealthColumn, Qt::AscendingOrder);
    window.resize(1180, 330);
    window.Table()->selectRow(2);
    QApplication::processEvents();
    EXPECT_TRUE(window.grab().save(folder + QStringLiteral("/fleet-overview.png")));
    // At its default size, as it opens on a 1024x768 screen.
    window.resize(980, 420);
    QApplication::processEvents();
    EXPECT_TRUE(window.grab().save(folder + QStringLiteral("/fleet-overview-default-size.png")));
    // The next Refresh has begun: the rows still show the last one's values.
    ASSERT_TRUE(window.Refresh());
    EXPECT_TRUE(window.grab().save(folder + QStringLiteral("/fleet-overview-refreshing.png")));
    ASSERT_TRUE(PumpUntil([&] { return !window.Sweep().Running(); }, 30000));
}
