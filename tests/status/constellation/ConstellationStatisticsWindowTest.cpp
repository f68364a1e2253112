#include "status/constellation/ConstellationStatistics.h"

#include "app/LocalConnection.h"
#include "app/SettingsSandbox.h"
#include "app/shell/MMStatusBar.h"
#include "link/AppHandler.h"
#include "link/CommHandler.h"
#include "platform/MainWindow.h"
#include "platform/MessageIds.h"
#include "platform/PostMessage.h"
#include "rks/RksComponents.h"
#include "support/EventLoop.h"
#include "support/MessageRecorder.h"
#include "support/SimProcess.h"

#include <QDir>
#include <QMdiArea>
#include <QTableWidget>

#include <gtest/gtest.h>

namespace {

struct FakeFrame : IStatusFrame {
    bool resetPending = false;
    bool ResetPending() const override { return resetPending; }
    bool CommissioningRunning() const override { return false; }
    bool DownloadDialogOpen() const override { return false; }
    void SetLinkWatchdog(int) override {}
};

class SilentDriver : public CCommDriver {
public:
    std::string GetConnectionString() const override { return {}; }
};

class ConstellationWindowTest : public testing::Test {
protected:
    void SetUp() override { SetMainWindowTarget(&mainWindow); }
    void TearDown() override
    {
        if (window)
            window->StopRefresh();
        area.reset();
        handler.reset();
        SetAppCommHandler(nullptr);
        CCommHandler::SetDriverFactory({});
        SetMainWindowTarget(nullptr);
        qunsetenv("QORA_RKS_GATEWAY");
    }
    void Open()
    {
        area = std::make_unique<QMdiArea>();
        area->resize(520, 520);
        window = new CConstellationStatistics(frame);
        area->addSubWindow(window);
        area->show();
        window->ClearStatus();
    }
    bool InCommissionMode()
    {
        if (!PumpUntil([&] { return handler->GetConnectionType() == 1; }, 8000))
            return false;
        handler->EnterCommissionMode();
        return PumpUntil([&] { return handler->GetConnectionType() == 3; }, 8000);
    }
    // A reply as if from the unit: status 0, the verdict, durations n * 10 s.
    void Deliver(int verdict, std::uint32_t zeroSatellites)
    {
        auto reply = std::make_unique<CDeviceMessage>();
        for (int b : {0x83, 0x13, 0x28, 0, verdict})
            reply->AppendByte(std::uint8_t(b));
        reply->AppendUInt32(zeroSatellites);
        for (std::uint32_t n = 1; n < 13; ++n)
            reply->AppendUInt32(n == 2 ? 0 : n * 10);
        reply->AppendUInt32(777);
        handler->PushReceiveQueue(std::move(reply));
        PostMessageTo(handler.get(), WM_DEVICE_MESSAGE, 1, 1);
        PumpFor(5);
    }
    QString Cell(int row) const { return window->Table()->item(row, 1)->text(); }
    QColor CellColour(int row) const { return window->Table()->item(row, 1)->foreground().color(); }

    SettingsSandbox sandbox;
    MessageRecorder mainWindow;
    FakeFrame frame;
    std::unique_ptr<CCommHandler> handler;
    std::unique_ptr<QMdiArea> area;
    CConstellationStatistics* window = nullptr;
};

TEST_F(ConstellationWindowTest, ShowsTheSimulatedUnitsStatistics)
{
    RegisterRksComponents();
    SimProcess sim;
    ASSERT_TRUE(sim.Running());
    qputenv("QORA_RKS_GATEWAY", QStringLiteral("127.0.0.1:%1").arg(sim.Port()).toLatin1());
    handler = std::make_unique<CCommHandler>();
    handler->SetSilentConnect(true);
    SetAppCommHandler(handler.get());
    handler->Connect(1, BuildLocalConnectionString(LocalConnectionSettings{}).toStdString());
    ASSERT_TRUE(InCommissionMode());

    Open();
    window->StartRefresh();
    EXPECT_FALSE(window->IsVisible());
    window->ShowAndRequest();
    EXPECT_TRUE(window->IsVisible());
    ASSERT_TRUE(PumpUntil([&] { return window->View().IsValid(); }, 8000));

    // Seven whole days of history, summed up by the unit.
    const ConstellationStatisticsData& stats = SharedConstellationStatistics();
    EXPECT_EQ(stats.total, 7u * 86400u);
    EXPECT_EQ(window->StatusBar()->PaneText(CConstellationStatistics::kTotalPane), "604800 sec");
    for (int row = 0; row < 13; ++row)
        EXPECT_EQ(Cell(row), QString::number(stats.durations[row])) << row;
    EXPECT_EQ(window->StatusBar()->PaneText(CConstellationStatistics::kVerdictPane),
              CConstellationStatistics::GetVerdictText());
    EXPECT_NE(CConstellationStatistics::GetVerdictText(), "Undefined");
    const MMStatusBar::PaneRecord* verdict = window->StatusBar()->FindPaneRecord(CConstellationStatistics::kVerdictPane);
    ASSERT_NE(verdict, nullptr);
    EXPECT_TRUE(verdict->background.isValid()); // good, sufficient or bad all have a colour

    QDir().mkpath(QStringLiteral("/tmp/status-shots"));
    PumpFor(50);
    EXPECT_TRUE(area->grab().save(QStringLiteral("/tmp/status-shots/constellation-statistics.png")));

    // Closing hides; the statistics stay for the report.
    window->close();
    EXPECT_FALSE(window->isVisible());
    EXPECT_FALSE(window->IsVisible());
    EXPECT_EQ(stats.total, 7u * 86400u);
}

TEST_F(ConstellationWindowTest, DrawsTheStatesOfTheStatistics)
{
    CCommHandler::SetDriverFactory([] { return std::make_unique<SilentDriver>(); });
    handler = std::make_unique<CCommHandler>();
    handler->SetSilentConnect(true);
    SetAppCommHandler(handler.get());
    handler->Connect(1, "ADDR=1");
    PostMessageTo(handler.get(), WM_CONNECTION_EVENT, DRIVER_OPEN_QORA, 0);
    Open();
    window->StartRefresh();
    EXPECT_EQ(Cell(3), "?");
    EXPECT_EQ(window->StatusBar()->PaneText(CConstellationStatistics::kTotalPane), "?");

    const QColor windowText = window->palette().color(QPalette::WindowText);
    Deliver(0, 0);
    EXPECT_EQ(Cell(0), "0");
    EXPECT_EQ(CellColour(0), windowText); // zero duration, even in the warning row
    EXPECT_EQ(CellColour(2), windowText);
    EXPECT_EQ(CellColour(1), QColor(255, 215, 0));
    EXPECT_EQ(CellColour(5), QColor(0, 160, 32));
    EXPECT_EQ(window->StatusBar()->PaneText(CConstellationStatistics::kVerdictPane), "    Good        ");
    EXPECT_EQ(window->StatusBar()->FindPaneRecord(CConstellationStatistics::kVerdictPane)->background,
              QColor(0, 160, 32));

    Deliver(2, 30);
    EXPECT_EQ(CellColour(0), QColor(160, 32, 0));
    EXPECT_EQ(window->StatusBar()->FindPaneRecord(CConstellationStatistics::kVerdictPane)->background,
              QColor(160, 32, 0));

    Deliver(255, 30);
    EXPECT_EQ(Cell(4), "--");
    EXPECT_EQ(window->StatusBar()->PaneText(CConstellationStatistics::kVerdictPane), "Initializing     ");
    EXPECT_FALSE(window->StatusBar()->FindPaneRecord(CConstellationStatistics::kVerdictPane)->background.isValid());

    // A reset pending: question marks everywhere, drawn plainly.
    frame.resetPending = true;
    window->View().Redraw();
    for (int row = 0; row < 13; ++row) {
        EXPECT_EQ(Cell(row), "?") << row;
        EXPECT_EQ(CellColour(row), windowText) << row;
    }
    EXPECT_EQ(window->StatusBar()->PaneText(CConstellationStatistics::kTotalPane), "?");
    EXPECT_EQ(window->StatusBar()->PaneText(CConstellationStatistics::kVerdictPane), "?");

    // Cleared for the next connection after good figures: zeros until the
    // unit answers, and no verdict yet.
    frame.resetPending = false;
    Deliver(0, 30);
    window->ClearStatus();
    for (int row = 0; row < 13; ++row)
        EXPECT_EQ(Cell(row), "0") << row;
    EXPECT_EQ(window->StatusBar()->PaneText(CConstellationStatistics::kTotalPane), "0 sec");
    EXPECT_EQ(window->StatusBar()->PaneText(CConstellationStatistics::kVerdictPane), "?");
}

TEST_F(ConstellationWindowTest, LayoutKeepsPlacementAndColumnWidths)
{
    Open();
    window->Table()->setColumnWidth(0, 123);
    window->Table()->setColumnWidth(1, 0);
    window->SaveLayout();
    window->Table()->setColumnWidth(0, 40);
    window->Table()->setColumnWidth(1, 40);
    window->LoadLayout();
    EXPECT_EQ(window->Table()->columnWidth(0), 123);
    EXPECT_EQ(window->Table()->columnWidth(1), 70); // a stored 0 gets the default

    EXPECT_EQ(CConstellationStatistics::StoredColumnWidths({0x10050, 0, 9, 9}), (std::vector<int>{0x50, 70}));
    EXPECT_TRUE(CConstellationStatistics::StoredColumnWidths({}).empty());
}

} // namespace
