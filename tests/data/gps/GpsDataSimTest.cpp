// The GPS group through the real link: handler, driver, TCP, simulated unit.

#include "data/UnitFacts.h"
#include "data/gps/GpsData.h"
#include "link/AppHandler.h"
#include "link/CommHandler.h"
#include "platform/MainWindow.h"
#include "platform/MeasureSetting.h"
#include "rks/RksComponents.h"
#include "support/EventLoop.h"
#include "support/MessageRecorder.h"
#include "support/SimProcess.h"

#include <gtest/gtest.h>

namespace {

TEST(GpsDataOverTheLink, ReadsWhatTheSimulatedUnitWasStartedWith)
{
    RegisterRksComponents();
    const MeasureSettingFunction previous = SetMeasureSettingFunction([] { return QStringLiteral("0"); });
    MessageRecorder frame, window;
    SetMainWindowTarget(&frame);
    SimProcess sim({QStringLiteral("--position"), QStringLiteral("-33.5,151.25,12345"), QStringLiteral("--gps-mode"),
                    QStringLiteral("2"), QStringLiteral("--gps-time"), QStringLiteral("2009-00-05 06:07:08")});
    ASSERT_TRUE(sim.Running());
    qputenv("QORA_RKS_GATEWAY", QStringLiteral("127.0.0.1:%1").arg(sim.Port()).toLatin1());
    {
        CCommHandler handler;
        handler.SetSilentConnect(true);
        SetAppCommHandler(&handler);
        handler.Connect(ConnectionRoute::Direct, "WP=SOCKET,HOST=192.168.255.120,PORT=7000,WP=NEQ1,ADDR=131");
        ASSERT_TRUE(PumpUntil([&] { return frame.HasNotice(NOTICE_CONNECTED); }, 10000));

        CGPSData group;
        group.AddWindow(&window);
        group.Register();
        ASSERT_TRUE(group.ReadAll());
        const auto done = [&] {
            for (const auto& m : window.received)
                if (m.message == WM_GPS_READ_DONE)
                    return true;
            return false;
        };
        ASSERT_TRUE(PumpUntil(done, 10000));
        group.Unregister();
        EXPECT_EQ(window.received.back().wParam, 1u);

        EXPECT_DOUBLE_EQ(group.GetLatitude(), -33.5);
        EXPECT_DOUBLE_EQ(group.GetLongitude(), 151.25);
        EXPECT_EQ(group.GetAltitude(), 12345);
        EXPECT_TRUE(group.GetSelfSurvey());
        EXPECT_FALSE(group.GetSurveyedPosition());
        EXPECT_EQ(GpsDateText(group.GetDateTime()), QStringLiteral("5:0:2009"));
        EXPECT_EQ(GpsTimeText(group.GetDateTime()), QStringLiteral("6:7:8"));
        EXPECT_EQ(AppUnitFacts().latitudeText, QStringLiteral("S 33") + QChar(0x00B0) + QStringLiteral("30'00.000"));
        EXPECT_EQ(AppUnitFacts().longitudeText, QStringLiteral("E 151") + QChar(0x00B0) + QStringLiteral("15'00.000"));
        EXPECT_EQ(AppUnitFacts().altitudeText, QStringLiteral("123.45 m"));

        handler.CloseConnection();
        SetAppCommHandler(nullptr);
    }
    SetMainWindowTarget(nullptr);
    SetMeasureSettingFunction(previous);
    qunsetenv("QORA_RKS_GATEWAY");
}

} // namespace
