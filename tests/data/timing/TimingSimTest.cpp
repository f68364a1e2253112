// The timing groups through the real link to the simulated unit.

#include "SimLink.h"

#include "data/timing/TimingData.h"
#include "platform/MessageIds.h"

using namespace timingtest;

namespace {

TEST(TimingOverTheLink, ClockTimingReadsTheDefaultsWritesAndReadsBack)
{
    SimLink link;
    ASSERT_TRUE(link.Connected());
    MessageRecorder window;
    CClockTimingData group;
    group.AddWindow(&window);
    group.Register();

    ASSERT_TRUE(group.ReadAll());
    ASSERT_EQ(AwaitNotice(window, WM_CLOCKTIMING_READ_DONE), 1);
    EXPECT_EQ(group.GetFixLostAlarmTime(), 10);
    EXPECT_EQ(group.GetClocksOutAlarmTime(), 3540);
    EXPECT_EQ(group.GetClockDisableTime(), 60);

    group.SetClocksOutAlarmTime(900);
    group.SetClockDisableTime(15);
    ASSERT_TRUE(group.WriteAll());
    ASSERT_EQ(AwaitNotice(window, WM_CLOCKTIMING_WRITE_DONE), 1);

    CClockTimingData again;
    again.AddWindow(&window);
    again.Register();
    window.received.clear();
    ASSERT_TRUE(again.ReadAll());
    ASSERT_EQ(AwaitNotice(window, WM_CLOCKTIMING_READ_DONE), 1);
    EXPECT_EQ(again.GetClocksOutAlarmTime(), 900);
    EXPECT_EQ(again.GetClockDisableTime(), 15);

    // The unit refuses a clocks-out alarm before the fix-lost alarm.
    window.received.clear();
    group.SetClocksOutAlarmTime(5);
    ASSERT_TRUE(group.WriteAll());
    EXPECT_EQ(AwaitNotice(window, WM_CLOCKTIMING_WRITE_DONE), 0);
    group.Unregister();
    again.Unregister();
}

TEST(TimingOverTheLink, TimeCalculationReadsTheUnitsDelays)
{
    SimLink link(std::map<QString, QString>{{QStringLiteral("c003"), QStringLiteral("000004d2")}, {QStringLiteral("c004"), QStringLiteral("0190")}});
    ASSERT_TRUE(link.Connected());
    MessageRecorder window;
    CRFData group;
    group.AddWindow(&window);
    group.Register();
    ASSERT_TRUE(group.ReadAll());
    ASSERT_EQ(AwaitNotice(window, WM_TIMECALC_READ_DONE), 1);
    EXPECT_EQ(group.GetGpsAntennaDelay(), 1234u);
    EXPECT_EQ(group.GetFrameClockDelay(), 400);
    group.Unregister();
}

} // namespace
