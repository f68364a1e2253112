// The history fed by the status windows' own answers through the handler:
// what a whole answer becomes, what adds nothing, failed requests as gaps,
// and windows kept asking while hidden because their answers are wanted.

#include "status/constellation/ConstellationStatisticsView.h"
#include "status/gps/GPSStatusView.h"
#include "status/history/StatusHistoryFeed.h"
#include "status/install/InstallStatusView.h"
#include "support/FakeStatusFrame.h"
#include "support/PlayedUnit.h"

#include <gtest/gtest.h>

namespace {

using Bytes = std::vector<std::uint8_t>;

void Put(Bytes& b, std::uint64_t v, int bytes)
{
    for (int shift = 8 * (bytes - 1); shift >= 0; shift -= 8)
        b.push_back(std::uint8_t(v >> shift));
}

// A GPS status reply: one satellite on channel 3, the rest empty.
Bytes GpsReply(std::int32_t latitude, std::int32_t longitude, std::int32_t altitudeCm, std::uint8_t cno)
{
    Bytes b{0x83, 0x01, 0x13, 0x00, 12, 30, 45, 0, 0};
    Put(b, std::uint32_t(altitudeCm), 4);
    Put(b, std::uint32_t(latitude), 4);
    Put(b, std::uint32_t(longitude), 4);
    for (int c = 0; c < 12; ++c)
        b.push_back(c == 2 ? 17 : 0);
    for (int c = 0; c < 12; ++c)
        b.push_back(c == 2 ? cno : 0);
    for (int c = 0; c < 12; ++c)
        b.push_back(c == 2 ? 1 : 0);
    for (int c = 0; c < 12; ++c)
        Put(b, c == 2 ? 450000000u : 0u, 4); // 45 degrees
    for (int c = 0; c < 12; ++c)
        Put(b, c == 2 ? 2705000000u : 0u, 4); // 270.5 degrees
    return b;
}

Bytes InstallReply(std::uint8_t fixDetail, std::uint32_t progress)
{
    Bytes b{0x84, 0x03, 0x1C, 0, 0, fixDetail, 0, 1, 1};
    Put(b, 0, 8);
    Put(b, progress, 4);
    return b;
}

Bytes ConstellationReply(std::uint8_t status, std::uint8_t verdict)
{
    Bytes b{0x83, 0x13, 0x28, status, verdict};
    for (std::uint32_t n = 0; n < 13; ++n)
        Put(b, n * 10, 4);
    Put(b, 780, 4);
    return b;
}

// The GPS status window's logic with its refresh tick in the test's hand.
class TickedGpsView : public CGPSStatusView {
public:
    using CGPSStatusView::CGPSStatusView;
    void Tick() { OnTimer(kRefreshTimerId); }
};

class StatusHistoryFeedTest : public testing::Test {
protected:
    void SetUp() override
    {
        unit.Start();
        ASSERT_TRUE(unit.EnterCommissionMode());
        feed.SetClock([this] { return now; });
        feed.Attach(gps);
        feed.Attach(install);
        feed.Attach(constellation);
        for (CStatusPoller* view : {static_cast<CStatusPoller*>(&gps), static_cast<CStatusPoller*>(&install),
                                    static_cast<CStatusPoller*>(&constellation)})
            view->StartRefresh(); // hidden: listens, asks nothing
        unit.Sent();
    }
    void TearDown() override
    {
        for (CStatusPoller* view : {static_cast<CStatusPoller*>(&gps), static_cast<CStatusPoller*>(&install),
                                    static_cast<CStatusPoller*>(&constellation)})
            view->StopRefresh();
        unit.Stop();
        SharedConstellationStatistics() = {};
    }

    PlayedUnit unit;
    FakeStatusFrame frame;
    TickedGpsView gps{frame};
    CInstallStatusView install{frame, [] { return QStringLiteral("131"); }};
    CConstellationStatisticsView constellation{frame};
    CStatusHistory history;
    CStatusHistoryFeed feed{history};
    std::int64_t now = 1765000000000;
};

TEST_F(StatusHistoryFeedTest, EachWholeAnswerBecomesOneSampleWithWhatTheWindowShows)
{
    // S 12°34'56.789", W 001°23'45.678", C/No above the windows' 60 dBHz.
    unit.Reply(GpsReply(-123456789, -12345678, 12345, 75));
    ASSERT_EQ(history.Gps().size(), 1u);
    const SGpsSample& g = history.Gps().back();
    EXPECT_EQ(g.timeMs, now);
    EXPECT_NEAR(g.latitudeDeg, -(12 + 34 / 60.0 + 56.789 / 3600), 1e-9);
    EXPECT_NEAR(g.longitudeDeg, -(1 + 23 / 60.0 + 45.678 / 3600), 1e-9);
    EXPECT_DOUBLE_EQ(g.altitudeM, 123.45);
    EXPECT_EQ(g.channels[2].satellite, 17);
    EXPECT_EQ(g.channels[2].cno, 60);
    EXPECT_DOUBLE_EQ(g.channels[2].elevationDeg, 45.0);
    EXPECT_DOUBLE_EQ(g.channels[2].azimuthDeg, 270.5); // above 2^31 in 1e-7 degree: read unsigned
    EXPECT_FALSE(g.channels[2].weak);
    EXPECT_EQ(g.channels[0].satellite, 0);

    now += 5000;
    unit.Reply(InstallReply(0, 37));
    ASSERT_EQ(history.Installation().size(), 1u);
    const SInstallationSample& i = history.Installation().back();
    EXPECT_EQ(i.timeMs, now);
    EXPECT_EQ(i.texts[CInstallStatusView::GpsFix], QStringLiteral("OK (Survey) [37 %]"));
    EXPECT_EQ(i.texts[CInstallStatusView::ClockState], QStringLiteral("PLL Locked"));
    EXPECT_EQ(i.codes[CInstallStatusView::GpsFix], CInstallStatusView::OkSurvey);
    EXPECT_EQ(i.surveyPercent, 37u);

    unit.Reply(ConstellationReply(0, 1));
    ASSERT_EQ(history.Constellation().size(), 1u);
    const SConstellationSample& c = history.Constellation().back();
    EXPECT_EQ(c.verdictText, QStringLiteral("Sufficient     "));
    EXPECT_EQ(c.statistics.verdict, 1);
    EXPECT_EQ(c.statistics.durations[12], 120u);
    EXPECT_EQ(c.statistics.total, 780u);
}

TEST_F(StatusHistoryFeedTest, AnswersTheWindowsDoNotShowAddNothing)
{
    Bytes cut = GpsReply(0, 0, 0, 40);
    cut.resize(100);
    unit.Reply(cut);
    Bytes refused = GpsReply(0, 0, 0, 40);
    refused[3] = 1;
    unit.Reply(refused);
    Bytes shortInstall = InstallReply(1, 0);
    shortInstall.pop_back();
    unit.Reply(shortInstall);
    unit.Reply(ConstellationReply(1, 2)); // a verdict without statistics
    unit.Reply({0x84, 0x04, 0x18, 0x00});  // somebody else's reply
    gps.ClearStatus();
    install.ClearStatus();
    constellation.ClearStatus();
    EXPECT_TRUE(history.Gps().empty());
    EXPECT_TRUE(history.Installation().empty());
    EXPECT_TRUE(history.Constellation().empty());
}

TEST_F(StatusHistoryFeedTest, AFailedRequestIsAGapInEveryLine)
{
    unit.Reply(GpsReply(0, 0, 0, 40));
    unit.Reply(InstallReply(1, 0));
    unit.Lose(0x830112);
    unit.Reply(GpsReply(0, 0, 0, 41));
    unit.Reply(GpsReply(0, 0, 0, 42));
    unit.Reply(InstallReply(1, 0));
    ASSERT_EQ(history.Gps().size(), 3u);
    EXPECT_TRUE(history.Gps()[1].afterGap);
    EXPECT_FALSE(history.Gps()[2].afterGap);
    EXPECT_TRUE(history.Installation().back().afterGap);
}

TEST_F(StatusHistoryFeedTest, AHiddenWindowAsksWhileItsAnswersAreWanted)
{
    const Bytes request{0x83, 0x01, 0x12, 0x00, 0x00};
    gps.Tick();
    EXPECT_TRUE(unit.Sent().empty()); // hidden and not wanted

    int plot = 0, recording = 0;
    feed.SetWanted(StatusSampleKind::Gps, true, &plot);
    feed.SetWanted(StatusSampleKind::Gps, true, &recording);
    feed.SetWanted(StatusSampleKind::Gps, true, &plot); // said twice, wanted once
    gps.Tick();
    EXPECT_EQ(unit.Sent(), std::vector<Bytes>{request}); // the window's own request, nothing more
    EXPECT_FALSE(gps.IsVisible());
    EXPECT_FALSE(feed.IsWanted(StatusSampleKind::Installation));

    feed.SetWanted(StatusSampleKind::Gps, false, &plot);
    gps.Tick();
    EXPECT_EQ(unit.Sent().size(), 1u); // the recording still wants it
    feed.SetWanted(StatusSampleKind::Gps, false, &recording);
    gps.Tick();
    EXPECT_TRUE(unit.Sent().empty());

    // A window shown asks as before, wanted or not.
    gps.SetVisible(true);
    gps.Tick();
    EXPECT_EQ(unit.Sent().size(), 1u);
}

TEST(StatusHistoryFeed, WhatIsWantedBeforeTheWindowIsAttachedHolds)
{
    FakeStatusFrame frame;
    CGPSStatusView gps(frame);
    CStatusHistory history;
    CStatusHistoryFeed feed(history);
    feed.SetWanted(StatusSampleKind::Gps, true);
    feed.Attach(gps);
    EXPECT_TRUE(gps.IsWanted());
}

} // namespace
