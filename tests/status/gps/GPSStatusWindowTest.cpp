// The GPS Status window against the simulated unit over the real link: the
// rows and status bar after a refresh, the bar colours, closing, and the
// column widths kept with the placement.

#include "status/gps/GPSStatus.h"

#include "app/SettingsSandbox.h"
#include "link/AppHandler.h"
#include "link/CommHandler.h"
#include "platform/MainWindow.h"
#include "platform/MeasureSetting.h"
#include "platform/MessageIds.h"
#include "platform/widgets/MMStatusBar.h"
#include "status/CnoScale.h"
#include "rks/RksComponents.h"
#include "settings/Registry.h"
#include "support/EventLoop.h"
#include "support/FakeStatusFrame.h"
#include "support/MessageRecorder.h"
#include "support/SimProcess.h"

#include <QDir>
#include <QImage>
#include <QMdiArea>
#include <QTableWidget>

#include <gtest/gtest.h>

namespace {

const char kLocal[] = "WP=SOCKET,HOST=192.168.255.120,PORT=7000,WP=NEQ1,ADDR=131";

class GPSStatusWindowTest : public testing::Test {
protected:
    void SetUp() override
    {
        RegisterRksComponents();
        SetMainWindowTarget(&mainWindow);
        previousMeasure_ = SetMeasureSettingFunction([] { return std::optional<QString>(QStringLiteral("0")); });
        area.resize(640, 480);
        window = new CGPSStatus(frame);
        area.addSubWindow(window);
    }
    void TearDown() override
    {
        delete window;
        handler.reset();
        SetAppCommHandler(nullptr);
        SetMainWindowTarget(nullptr);
        qunsetenv("QORA_RKS_GATEWAY");
        SetMeasureSettingFunction(previousMeasure_);
    }
    void Connect(QStringList simArguments)
    {
        sim = std::make_unique<SimProcess>(simArguments);
        ASSERT_TRUE(sim->Running());
        qputenv("QORA_RKS_GATEWAY", QStringLiteral("127.0.0.1:%1").arg(sim->Port()).toLatin1());
        handler = std::make_unique<CCommHandler>();
        handler->SetSilentConnect(true);
        SetAppCommHandler(handler.get());
        handler->Connect(ConnectionRoute::Direct, kLocal);
        ASSERT_TRUE(PumpUntil([&] { return mainWindow.HasNotice(NOTICE_CONNECTED); }, 10000));
        handler->EnterCommissionMode();
        ASSERT_TRUE(PumpUntil([&] { return InCommissionMode(handler->GetConnectionType()); }, 10000));
    }
    QString Cell(int row, int column) const { return window->Table().item(row, column)->text(); }

    SettingsSandbox settings;
    MessageRecorder mainWindow;
    FakeStatusFrame frame;
    QMdiArea area;
    CGPSStatus* window = nullptr;
    std::unique_ptr<SimProcess> sim;
    std::unique_ptr<CCommHandler> handler;

private:
    MeasureSettingFunction previousMeasure_;
};

TEST_F(GPSStatusWindowTest, ShowsTheUnitsChannelsAndPositionAfterARequest)
{
    Connect({QStringLiteral("--constellation-position"), QStringLiteral("-123456789,12345678,12345")});
    EXPECT_EQ(window->StatusBar().PaneCount(), 7);
    EXPECT_EQ(window->StatusBar().PaneText(CGPSStatus::PaneLatitude), QStringLiteral("N 00\u00B000'00.000\""));
    EXPECT_EQ(window->StatusBar().PaneText(CGPSStatus::PanePositionLabel), QStringLiteral("Position:"));

    window->StartRefresh();
    area.show();
    window->ShowAndRequest();
    EXPECT_TRUE(window->IsVisible());
    const CGPSStatusView& view = window->View();
    ASSERT_TRUE(PumpUntil([&] { return view.ChannelStatesReceived(); }, 10000));
    PumpFor(50);

    EXPECT_EQ(window->StatusBar().PaneText(CGPSStatus::PaneLatitude), QStringLiteral("S 12\u00B034'56.789\""));
    EXPECT_EQ(window->StatusBar().PaneText(CGPSStatus::PaneLongitude), QStringLiteral("E 001\u00B023'45.678\""));
    EXPECT_EQ(window->StatusBar().PaneText(CGPSStatus::PaneAltitude), QStringLiteral("123.45 m "));
    EXPECT_EQ(window->StatusBar().PaneText(CGPSStatus::PaneTime).size(), 8);
    EXPECT_DOUBLE_EQ(view.GetAltitudeMetres(), 123.45);

    int tracking = 0;
    for (int row = 0; row < CGPSStatusView::kChannels; ++row) {
        SCOPED_TRACE(row);
        EXPECT_EQ(Cell(row, CGPSStatus::ColumnRow), QString::number(row + 1));
        EXPECT_EQ(Cell(row, CGPSStatus::ColumnId), view.SatelliteText(row));
        EXPECT_EQ(Cell(row, CGPSStatus::ColumnCNo), view.CNoText(row));
        EXPECT_EQ(Cell(row, CGPSStatus::ColumnElevation), view.ElevationText(row));
        EXPECT_EQ(Cell(row, CGPSStatus::ColumnAzimuth), view.AzimuthText(row));
        EXPECT_TRUE(Cell(row, CGPSStatus::ColumnBar).isEmpty());
        tracking += view.SatelliteNumber(row) != 0;
    }
    EXPECT_GT(tracking, 0);

    // The bars: the colour of the C/No scale the sky plot shows, the warning colour for a weak one.
    const QImage shot = window->grab().toImage();
    QDir().mkpath(QStringLiteral("/tmp/status-shots"));
    EXPECT_TRUE(shot.save(QStringLiteral("/tmp/status-shots/gps-status.png")));
    QTableWidget& table = window->Table();
    for (int row = 0; row < CGPSStatusView::kChannels; ++row) {
        if (view.CNo(row) == 0)
            continue;
        SCOPED_TRACE(row);
        const QRect cell = table.visualRect(table.model()->index(row, CGPSStatus::ColumnBar));
        const QPoint inBar = table.viewport()->mapTo(window, cell.topLeft() + QPoint(2, cell.height() / 2));
        EXPECT_EQ(shot.pixelColor(inBar), QColor::fromRgb(ChannelColour(view.CNo(row), view.IsWeak(row))));
        EXPECT_TRUE(!view.IsWeak(row) || shot.pixelColor(inBar) == QColor(160, 32, 0));
        EXPECT_EQ(table.item(row, CGPSStatus::ColumnCNo)->foreground().color() == QColor(160, 32, 0), view.IsWeak(row));
    }

    // Closing hides; ticks are then ignored.
    window->close();
    EXPECT_FALSE(window->IsVisible());
    EXPECT_TRUE(window->isHidden());
    window->ShowAndRequest();
    EXPECT_TRUE(window->isVisible());
    window->StopRefresh();
    EXPECT_FALSE(window->View().IsRefreshing());
}

TEST_F(GPSStatusWindowTest, ColumnWidthsAreKeptWithThePlacement)
{
    area.show();
    window->show();
    window->Table().setColumnWidth(CGPSStatus::ColumnBar, 210);
    window->Table().setColumnWidth(CGPSStatus::ColumnAzimuth, 95);
    const std::vector<std::uint32_t> saved = window->ColumnWidths();
    EXPECT_TRUE(window->SaveLayout());

    window->Table().setColumnWidth(CGPSStatus::ColumnBar, 40);
    EXPECT_TRUE(window->LoadLayout());
    EXPECT_EQ(window->ColumnWidths(), saved);

    // A stored 0 gives 70 pixels, only the low 16 bits count, extra values are
    // left alone, a missing value changes nothing.
    CRegistry registry;
    ASSERT_TRUE(registry.SaveObject(CGPSStatus::kLayoutKey, QStringLiteral("Other columns"),
                                    {0, 0x10050, 30, 30, 30, 30, 99}));
    window->LoadLayout(CGPSStatus::kLayoutKey, QStringLiteral("Other"));
    EXPECT_EQ(window->Table().columnWidth(0), 70);
    EXPECT_EQ(window->Table().columnWidth(1), 0x50);
    EXPECT_EQ(window->Table().columnWidth(5), 30);
    EXPECT_FALSE(window->LoadLayout(CGPSStatus::kLayoutKey, QStringLiteral("Missing")));
    EXPECT_EQ(window->Table().columnWidth(5), 30);
}

} // namespace
