#include "status/install/InstallStatus.h"

#include "app/LocalConnection.h"
#include "app/SettingsSandbox.h"
#include "link/AppHandler.h"
#include "link/CommHandler.h"
#include "platform/MainWindow.h"
#include "rks/RksComponents.h"
#include "support/EventLoop.h"
#include "support/FakeStatusFrame.h"
#include "support/MessageRecorder.h"
#include "support/SimProcess.h"

#include <QCloseEvent>
#include <QDir>
#include <QHeaderView>
#include <QTableWidget>

#include <gtest/gtest.h>

namespace {

class InstallStatusWindowTest : public testing::Test {
protected:
    void SetUp() override
    {
        RegisterRksComponents();
        SetMainWindowTarget(&mainWindow);
        window = std::make_unique<CInstallStatus>(frame, [this] { return UnitAddressText(connection); });
    }
    void TearDown() override
    {
        window.reset();
        if (handler)
            handler->Disconnect();
        handler.reset();
        SetAppCommHandler(nullptr);
        SetMainWindowTarget(nullptr);
        qunsetenv("QORA_RKS_GATEWAY");
    }
    void ConnectToSimulator()
    {
        sim = std::make_unique<SimProcess>();
        ASSERT_TRUE(sim->Running());
        qputenv("QORA_RKS_GATEWAY", QStringLiteral("127.0.0.1:%1").arg(sim->Port()).toLatin1());
        handler = std::make_unique<CCommHandler>();
        handler->SetSilentConnect(true);
        SetAppCommHandler(handler.get());
        connection = BuildLocalConnectionString(LocalConnectionSettings{});
        handler->Connect(ConnectionRoute::Direct, connection.toStdString());
        ASSERT_TRUE(PumpUntil([&] { return IsConnected(handler->GetConnectionType()); }, 8000));
        handler->EnterCommissionMode();
        ASSERT_TRUE(PumpUntil([&] { return InCommissionMode(handler->GetConnectionType()); }, 8000));
    }
    QString Shown(int row) const { return window->Table().item(row, 1)->text(); }

    SettingsSandbox sandbox;
    MessageRecorder mainWindow;
    FakeStatusFrame frame;
    QString connection;
    std::unique_ptr<SimProcess> sim;
    std::unique_ptr<CCommHandler> handler;
    std::unique_ptr<CInstallStatus> window;
};

TEST_F(InstallStatusWindowTest, ShowsTheSimulatedUnitsInstallation)
{
    ConnectToSimulator();
    window->ClearStatus();
    window->StartRefresh();
    window->ShowAndRequest();
    ASSERT_TRUE(window->IsVisible());
    ASSERT_TRUE(PumpUntil([&] { return Shown(CInstallStatusView::Transmission) == "OK (131)"; }, 8000));
    EXPECT_EQ(Shown(CInstallStatusView::SelfTests), "OK");
    EXPECT_EQ(Shown(CInstallStatusView::ClockOutput), "On");
    EXPECT_NE(Shown(CInstallStatusView::ClockState), "?");
    // The simulator's bus time is today's date.
    EXPECT_TRUE(Shown(CInstallStatusView::BusTime)
                    .startsWith(QDateTime::currentDateTimeUtc().toString(QStringLiteral("dd.MM.yyyy"))));
    EXPECT_EQ(window->Table().item(0, 0)->text(), "QORA internal self-tests:");

    InstallationSummary summary;
    window->GetInstallationSummary(summary);
    EXPECT_EQ(summary.selfTests, 1u);
    EXPECT_EQ(summary.transmission, "OK (131)");

    PumpFor(100);
    QDir().mkpath(QStringLiteral("/tmp/status-shots"));
    EXPECT_TRUE(window->grab().save(QStringLiteral("/tmp/status-shots/install-status.png")));

    window->StopRefresh();
    EXPECT_FALSE(window->View().IsRefreshing());
}

TEST_F(InstallStatusWindowTest, NotConnectedShowsQuestionMarks)
{
    window->show();
    window->RequestStatus(); // no handler: cleared instead of asking
    for (int row = 0; row < CInstallStatusView::kRowCount; ++row)
        EXPECT_EQ(Shown(row), "?");
}

TEST_F(InstallStatusWindowTest, ClosingHidesAndLayoutComesBack)
{
    window->show();
    ASSERT_TRUE(window->View().IsVisible());
    EXPECT_FALSE(window->close()); // refused: hidden instead
    EXPECT_FALSE(window->IsVisible());
    EXPECT_FALSE(window->View().IsVisible());

    window->Table().setColumnWidth(1, 222);
    window->SaveLayout();
    auto raw = sandbox.Raw(QStringLiteral("Settings/Coordinates"));
    EXPECT_TRUE(raw->contains(QStringLiteral("InstallStatusWnd columns")));

    CInstallStatus other(frame, [] { return QString(); });
    other.LoadLayout();
    EXPECT_EQ(other.Table().columnWidth(1), 222);
    EXPECT_FALSE(other.IsVisible()); // saved hidden, stays hidden
}

} // namespace
