#include "status/plots/ConstellationCharts.h"
#include "status/plots/InstallTimeline.h"
#include "status/plots/SignalSeries.h"
#include "status/plots/SkyPlotModel.h"
#include "status/plots/SurveyOffsets.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <set>

namespace {

constexpr std::int64_t kT0 = 1'700'000'000'000; // ms
constexpr std::int64_t kStep = 5000;

// A GPS sample at step `i` with satellites given as {number, cno, az, el}.
SGpsSample Gps(int i, std::initializer_list<std::array<double, 4>> sats, bool afterGap = false)
{
    SGpsSample s;
    s.timeMs = kT0 + i * kStep;
    s.afterGap = afterGap;
    std::size_t ch = 0;
    for (const auto& sat : sats) {
        s.channels[ch].satellite = int(sat[0]);
        s.channels[ch].cno = int(sat[1]);
        s.channels[ch].azimuthDeg = sat[2];
        s.channels[ch].elevationDeg = sat[3];
        ++ch;
    }
    return s;
}

std::size_t PointCount(const SignalLine& line)
{
    std::size_t n = 0;
    for (const auto& stretch : line)
        n += stretch.size();
    return n;
}

} // namespace

TEST(SkyPlotModel, AzimuthClockwiseFromNorthAndElevationInward)
{
    const SkyGeometry g = SkyGeometry::ForSize(400, 300, 20);
    EXPECT_DOUBLE_EQ(g.radius, 130.0);
    const auto near = [](QPointF a, QPointF b) { return std::hypot(a.x() - b.x(), a.y() - b.y()) < 1e-9; };
    EXPECT_TRUE(near(g.PointAt(0, 0), {200, 20}));   // north at the top
    EXPECT_TRUE(near(g.PointAt(90, 0), {330, 150})); // east at the right edge
    EXPECT_TRUE(near(g.PointAt(180, 0), {200, 280}));
    EXPECT_TRUE(near(g.PointAt(270, 0), {70, 150}));
    EXPECT_TRUE(near(g.PointAt(123, 90), {200, 150})); // zenith in the centre
    EXPECT_TRUE(near(g.PointAt(90, 30), {200 + 130 * 2 / 3.0, 150}));
    // Out-of-range elevations stay on the plot; nonsense does not escape it.
    EXPECT_TRUE(near(g.PointAt(90, -5), g.PointAt(90, 0)));
    EXPECT_TRUE(near(g.PointAt(90, 95), g.centre));
    EXPECT_TRUE(near(g.PointAt(NAN, NAN), g.PointAt(0, 0)));
    // A window too small for the margin gives an empty circle, not a negative one.
    EXPECT_EQ(SkyGeometry::ForSize(10, 10, 20).radius, 0.0);
}

TEST(SkyPlotModel, CnoColoursAreTheGpsStatusWindowsBarColours)
{
    // Before channel states: weak under 27 dBHz. After: as the unit marks the
    // channel, whatever its C/No. Warning RGB(160,32,0), good RGB(0,160,32).
    EXPECT_EQ(CnoColour(0), 0xA02000u);
    EXPECT_EQ(CnoColour(26), 0xA02000u);
    EXPECT_EQ(CnoColour(27), 0x00A020u);
    EXPECT_EQ(CnoColour(60), 0x00A020u);
    EXPECT_EQ(ChannelColour(45, true), 0xA02000u);
    EXPECT_EQ(ChannelColour(20, false), 0x00A020u);
    EXPECT_EQ(CnoBands().size(), 2u);
}

TEST(SkyPlotModel, NoTrackAcrossAStretchWithoutAnswers)
{
    // Answers every 5 s, then none for five minutes (a commissioning: no
    // request, no failure, so no gap marked), then every 5 s again.
    std::deque<SGpsSample> h;
    for (int i = 0; i < 20; ++i)
        h.push_back(Gps(i, {{7, 40, double(i), 30}}));
    for (int i = 80; i < 100; ++i)
        h.push_back(Gps(i, {{7, 40, double(i), 30}}));
    const SkyScene scene = BuildSkyScene(h, 3600 * 1000, 0);
    ASSERT_EQ(scene.satellites.size(), 1u);
    ASSERT_EQ(scene.satellites[0].track.size(), 2u);
    EXPECT_EQ(scene.satellites[0].track[1].front().azimuthDeg, 80.0);
    const SignalSeries lines = BuildSignalSeries(h, 3600 * 1000, 0);
    EXPECT_EQ(lines.cnoBySatellite.at(7).size(), 2u);
    EXPECT_EQ(lines.trackedCount.size(), 2u);
    // A download's 20 s rate still joins.
    std::deque<SGpsSample> slow;
    for (int i = 0; i < 40; i += 4)
        slow.push_back(Gps(i, {{7, 40, double(i), 30}}));
    EXPECT_EQ(BuildSkyScene(slow, 3600 * 1000, 0).satellites[0].track.size(), 1u);
}

TEST(SkyPlotModel, OnlyTrackedSatellitesWithTheirLastHour)
{
    std::deque<SGpsSample> h;
    // Satellite 7 throughout; 9 only long ago; 3 breaks off once and a gap follows.
    for (int i = 0; i < 1000; ++i) {
        if (i < 100)
            h.push_back(Gps(i, {{7, 40, double(i % 360), 30}, {9, 35, 10, 10}}));
        else if (i == 950)
            h.push_back(Gps(i, {{7, 40, 1, 31}}));
        else
            h.push_back(Gps(i, {{7, 41, double(i % 360), 30}, {3, 20, 200, 5}}, i == 980));
    }
    const SkyScene scene = BuildSkyScene(h, 3600 * 1000, 0);
    ASSERT_EQ(scene.satellites.size(), 2u);
    EXPECT_EQ(scene.satellites[0].number, 3); // ordered by number
    EXPECT_EQ(scene.satellites[1].number, 7);
    EXPECT_EQ(scene.timeMs, kT0 + 999 * kStep);
    // The hour ends 720 steps back: samples 279..999.
    const SkySatellite& sat7 = scene.satellites[1];
    std::size_t points7 = 0;
    for (const auto& stretch : sat7.track)
        points7 += stretch.size();
    EXPECT_EQ(points7, 721u);
    ASSERT_EQ(sat7.track.size(), 2u); // the gap at 980 breaks the track
    EXPECT_EQ(sat7.track[1].size(), 20u);
    // Satellite 3 was off the channels at 950 and the gap came at 980.
    EXPECT_EQ(scene.satellites[0].track.size(), 3u);
    EXPECT_TRUE(BuildSkyScene({}).satellites.empty());
    // Thinned for drawing: fewer points, the same breaks, the newest kept.
    const SkyScene thin = BuildSkyScene(h, 3600 * 1000, 100);
    std::size_t thinPoints = 0;
    for (const auto& stretch : thin.satellites[1].track)
        thinPoints += stretch.size();
    EXPECT_LE(thinPoints, 102u);
    EXPECT_EQ(thin.satellites[1].track.size(), 2u);
    EXPECT_EQ(thin.satellites[1].track.back().back().azimuthDeg, 999 % 360);
}

TEST(SignalSeries, GapsAndLostSatellitesBreakEveryLine)
{
    std::deque<SGpsSample> h;
    for (int i = 0; i < 10; ++i)
        h.push_back(Gps(i, {{5, 40, 0, 0}, {6, 30, 0, 0}}));
    // Reconnected: satellite 5 only.
    for (int i = 20; i < 25; ++i)
        h.push_back(Gps(i, {{5, 44, 0, 0}}, i == 20));
    for (int i = 25; i < 30; ++i)
        h.push_back(Gps(i, {{5, 44, 0, 0}, {6, 32, 0, 0}}));

    const SignalSeries s = BuildSignalSeries(h, 3600 * 1000, 0);
    ASSERT_EQ(s.cnoBySatellite.at(5).size(), 2u);
    EXPECT_EQ(s.cnoBySatellite.at(5)[0].back().x(), double(kT0 + 9 * kStep));
    EXPECT_EQ(s.cnoBySatellite.at(5)[1].front().x(), double(kT0 + 20 * kStep));
    ASSERT_EQ(s.cnoBySatellite.at(6).size(), 2u);
    EXPECT_EQ(s.cnoBySatellite.at(6)[1].front().x(), double(kT0 + 25 * kStep));
    EXPECT_EQ(s.meanCno.size(), 2u);
    EXPECT_EQ(s.trackedCount.size(), 2u);
    EXPECT_DOUBLE_EQ(s.meanCno[0][0].y(), 35.0); // the mean of the channels with a satellite
    EXPECT_DOUBLE_EQ(s.trackedCount[1][0].y(), 1.0);
    EXPECT_DOUBLE_EQ(s.trackedCount[1].back().y(), 2.0);
    EXPECT_EQ(s.toMs, kT0 + 29 * kStep);

    // A gap is kept when a day of samples is thinned: no bucket averages
    // across it and no line joins over it.
    std::deque<SGpsSample> day;
    for (int i = 0; i < 17280; ++i)
        day.push_back(Gps(i, {{1, double(20 + i % 20), 0, 0}, {2, 40, 0, 0}}, i == 9001));
    const SignalSeries thin = BuildSignalSeries(day, 24 * 3600 * 1000, 720);
    EXPECT_LE(PointCount(thin.cnoBySatellite.at(1)), 722u);
    ASSERT_EQ(thin.cnoBySatellite.at(2).size(), 2u);
    EXPECT_LT(thin.cnoBySatellite.at(2)[0].back().x(), double(kT0 + 9001 * kStep));
    EXPECT_EQ(thin.cnoBySatellite.at(2)[1].front().x(), double(kT0 + 9001 * kStep));
    EXPECT_EQ(thin.meanCno.size(), 2u);
}

TEST(SignalSeries, EverySatelliteOfAChartHasALookOfItsOwnAndKeepsIt)
{
    // Twelve on the channels at once, as many as a unit tracks.
    std::map<int, SignalLine> lines;
    for (int satellite : {2, 5, 6, 9, 12, 13, 17, 19, 21, 24, 28, 31})
        lines[satellite] = {{QPointF(0, 40)}};
    std::map<int, std::size_t> lookOf;
    AssignSignalSlots(lines, lookOf);
    std::set<std::pair<std::uint32_t, SignalDash>> looks;
    for (const auto& [satellite, slot] : lookOf)
        looks.insert({SignalLook(slot).rgb, SignalLook(slot).dash});
    EXPECT_EQ(looks.size(), 12u);
    // The palette's colours stay apart from each other and from the black mean.
    const auto distance = [](std::uint32_t a, std::uint32_t b) {
        const int dr = int(a >> 16 & 0xFF) - int(b >> 16 & 0xFF), dg = int(a >> 8 & 0xFF) - int(b >> 8 & 0xFF),
                  db = int(a & 0xFF) - int(b & 0xFF);
        return std::sqrt(double(dr * dr + dg * dg + db * db));
    };
    for (std::size_t i = 0; i < kSignalPaletteSize; ++i) {
        EXPECT_GT(distance(SignalLook(i).rgb, 0x000000), 140.0) << i;
        for (std::size_t j = i + 1; j < kSignalPaletteSize; ++j)
            EXPECT_GT(distance(SignalLook(i).rgb, SignalLook(j).rgb), 100.0) << i << " " << j;
    }
    // One leaves, another comes: the others keep their looks, the new one
    // takes the free one.
    const std::map<int, std::size_t> before = lookOf;
    lines.erase(9);
    lines[30] = {{QPointF(0, 40)}};
    AssignSignalSlots(lines, lookOf);
    EXPECT_EQ(lookOf.count(9), 0u);
    EXPECT_EQ(lookOf.at(30), before.at(9));
    for (const auto& [satellite, slot] : before)
        EXPECT_TRUE(satellite == 9 || lookOf.at(satellite) == slot) << satellite;
}

TEST(SignalSeries, SpanEndsAtTheNewestSampleAndMeanNeedsASatellite)
{
    std::deque<SGpsSample> h;
    for (int i = 0; i < 300; ++i)
        h.push_back(i >= 100 && i < 110 ? Gps(i, {}) : Gps(i, {{9, 38, 0, 0}}));
    const SignalSeries tenMinutes = BuildSignalSeries(h, 10 * 60 * 1000, 0);
    EXPECT_EQ(tenMinutes.fromMs, kT0 + 299 * kStep - 600000);
    EXPECT_EQ(tenMinutes.firstMs, kT0 + 179 * kStep);
    EXPECT_EQ(BuildSignalSeries(h, 3600 * 1000, 0).firstMs, kT0) << "less history than the span";
    EXPECT_EQ(PointCount(tenMinutes.cnoBySatellite.at(9)), 121u);
    // Ten samples without satellites: the count drops to 0, the mean is
    // not drawn as 0 but broken.
    const SignalSeries all = BuildSignalSeries(h, 3600 * 1000, 0);
    EXPECT_EQ(all.meanCno.size(), 2u);
    EXPECT_EQ(all.trackedCount.size(), 1u);
    for (const auto& stretch : all.meanCno)
        for (const QPointF& p : stretch)
            EXPECT_DOUBLE_EQ(p.y(), 38.0);
    EXPECT_TRUE(BuildSignalSeries({}, 1000).cnoBySatellite.empty());
}

namespace {

SInstallationSample Install(int i, std::uint16_t clockState, std::uint16_t fix, bool afterGap = false)
{
    SInstallationSample s;
    s.timeMs = kT0 + i * kStep;
    s.afterGap = afterGap;
    s.codes = {CInstallStatusView::Ok, fix, CInstallStatusView::On, clockState, CInstallStatusView::OkAddress,
               CInstallStatusView::BusDate};
    s.texts = {"OK", fix == CInstallStatusView::OkSurvey ? QStringLiteral("OK (Survey) [%1 %]").arg(i) : "OK  (Locked)",
               "On", clockState == CInstallStatusView::PllLocked ? "PLL Locked" : "Free Running", "OK (7)",
               QStringLiteral("01.01.2024   00:00:%1").arg(i % 60)};
    return s;
}

} // namespace

TEST(InstallTimeline, ChangesOfCodeBandsAndTheTimeToLock)
{
    using V = CInstallStatusView;
    std::deque<SInstallationSample> h;
    for (int i = 0; i < 50; ++i)
        h.push_back(Install(i, i < 30 ? V::FreeRunning : V::PllLocked, i < 40 ? V::OkSurvey : V::OkLocked));
    InstallTimeline t = BuildInstallTimeline(h);
    // The survey's percentage and the bus time move every sample but the codes
    // change only twice: six rows at the start, then clock state and fix.
    ASSERT_EQ(t.changes.size(), 8u);
    EXPECT_EQ(t.changes[6].row, V::ClockState);
    EXPECT_EQ(t.changes[6].timeMs, kT0 + 30 * kStep);
    EXPECT_EQ(t.changes[6].from, "Free Running");
    EXPECT_EQ(t.changes[6].to, "PLL Locked");
    ASSERT_EQ(t.bands[V::ClockState].size(), 2u);
    EXPECT_EQ(t.bands[V::ClockState][0].toMs, kT0 + 29 * kStep);
    EXPECT_EQ(t.bands[V::BusTime].size(), 1u);
    ASSERT_TRUE(t.lock && t.lock->lockedMs);
    EXPECT_EQ(*t.lock->lockedMs - t.lock->runStartMs, 30 * kStep);
    // Said as measured: from the first status, power-up was not seen.
    EXPECT_EQ(LockTimeText(t.lock),
              QStringLiteral("PLL locked 2 min 30 s after the first status at 22:13:20 UTC (locked at 22:15:50 UTC)"));

    // A reset: the bands end at the gap, the newest run counts from its own start.
    for (int i = 100; i < 200; ++i)
        h.push_back(Install(i, i < 190 ? V::FreeRunning : V::PllLocked, V::OkLocked, i == 100));
    t = BuildInstallTimeline(h);
    EXPECT_EQ(t.bands[V::SelfTests].size(), 2u);
    EXPECT_EQ(t.bands[V::SelfTests][0].toMs, kT0 + 49 * kStep);
    EXPECT_EQ(t.changes[8].from, QString()); // nothing known across the gap
    EXPECT_EQ(*t.lock->lockedMs - t.lock->runStartMs, 90 * kStep);

    // Locked from the first sample on, and not locked at all.
    std::deque<SInstallationSample> locked{Install(0, V::PllLocked, V::OkLocked)};
    EXPECT_TRUE(BuildInstallTimeline(locked).lock->lockedAtStart);
    std::deque<SInstallationSample> waiting{Install(0, V::Adjusting, V::OkLocked), Install(800, V::Adjusting, V::OkLocked)};
    EXPECT_TRUE(LockTimeText(BuildInstallTimeline(waiting).lock).contains("not locked yet, 1 h 06 min 40 s"));
    EXPECT_FALSE(BuildInstallTimeline({}).lock.has_value());
}

TEST(SurveyOffsets, MetresFromTheMeanAndTheirSpread)
{
    // 1e-5 degree of latitude is about 1.106 m at the equator and 1.114 m at 60°.
    EXPECT_NEAR(EastNorthOffset(0, 0, 1e-5, 0).y(), 1.1057, 1e-3);
    EXPECT_NEAR(EastNorthOffset(60, 0, 60 + 1e-5, 0).y(), 1.1141, 1e-3);
    EXPECT_NEAR(EastNorthOffset(0, 0, 0, 1e-5).x(), 1.1132, 1e-3);
    EXPECT_NEAR(EastNorthOffset(60, 25, 60, 25 + 1e-5).x(), 0.5581, 1e-3);
    // Across the 180° meridian the short way round.
    EXPECT_NEAR(EastNorthOffset(0, 179.99999, 0, -179.99999).x(), 2.2264, 1e-3);

    std::deque<SGpsSample> gps;
    SGpsSample cleared; // no position: left out
    gps.push_back(cleared);
    for (int i = 0; i < 100; ++i) {
        SGpsSample s;
        s.latitudeDeg = 60.0 + (i % 2 ? 1e-5 : -1e-5); // +-1.114 m north
        s.longitudeDeg = 25.0;
        s.altitudeM = 30.0 + (i % 2 ? 1 : -1);
        gps.push_back(s);
    }
    std::deque<SInstallationSample> install{Install(0, 0, 0)};
    install.back().surveyPercent = 42;
    const SurveyOffsets o = BuildSurveyOffsets(gps, install, 10);
    EXPECT_EQ(o.positions, 100u);
    EXPECT_NEAR(o.meanLatitudeDeg, 60.0, 1e-12);
    EXPECT_NEAR(o.horizontalSdM, 1.1141, 1e-3);
    EXPECT_NEAR(o.maxDistanceM, 1.1141, 1e-3);
    EXPECT_NEAR(o.altitudeSdM, 1.0, 1e-9);
    EXPECT_LE(o.points.size(), 11u);
    EXPECT_EQ(o.surveyProgress, 42u);

    // Positions either side of the meridian average to it, not to 0°.
    std::deque<SGpsSample> dateLine(2);
    dateLine[0].latitudeDeg = dateLine[1].latitudeDeg = -17.0;
    dateLine[0].longitudeDeg = 179.99999;
    dateLine[1].longitudeDeg = -179.99999;
    const SurveyOffsets d = BuildSurveyOffsets(dateLine, {});
    EXPECT_NEAR(std::abs(d.meanLongitudeDeg), 180.0, 1e-9);
    EXPECT_LT(d.maxDistanceM, 2.0);
    EXPECT_FALSE(d.surveyProgress.has_value());
    EXPECT_EQ(BuildSurveyOffsets({cleared}, {}).positions, 0u);
    // Values that are no position are left out rather than spoiling the rest.
    std::deque<SGpsSample> spoilt = dateLine;
    spoilt.push_back(dateLine[0]);
    spoilt.back().altitudeM = NAN;
    spoilt.push_back(dateLine[0]);
    spoilt.back().latitudeDeg = 123.0;
    const SurveyOffsets kept = BuildSurveyOffsets(spoilt, {});
    EXPECT_EQ(kept.positions, 2u);
    EXPECT_TRUE(std::isfinite(kept.altitudeSdM) && std::isfinite(kept.horizontalSdM));
}

TEST(SurveyOffsets, ConvergenceShowsInTheRecentSpread)
{
    std::deque<SGpsSample> gps;
    for (int i = 0; i < 1000; ++i) {
        SGpsSample s;
        const double wander = 1e-4 / (1 + i); // ever closer to the true place
        s.latitudeDeg = 48.0 + (i % 2 ? wander : -wander);
        s.longitudeDeg = 11.0;
        gps.push_back(s);
    }
    const SurveyOffsets o = BuildSurveyOffsets(gps, {});
    EXPECT_LT(o.recentHorizontalSdM * 20, o.horizontalSdM);
}

TEST(ConstellationCharts, BarsOnlyForValidStatisticsColouredLikeTheTable)
{
    std::deque<SConstellationSample> h;
    EXPECT_FALSE(BuildDurationBars(h).shown);
    SConstellationSample s;
    s.statistics.verdict = 255;
    h.push_back(s);
    EXPECT_FALSE(BuildDurationBars(h).shown);
    h.back().statistics.verdict = -1;
    EXPECT_FALSE(BuildDurationBars(h).shown);
    h.back().statistics.verdict = 0;
    h.back().statistics.durations[0] = 100;
    h.back().statistics.durations[8] = 7200;
    h.back().statistics.total = 7300;
    h.back().verdictText = "    Good        ";
    const DurationBars bars = BuildDurationBars(h);
    ASSERT_TRUE(bars.shown);
    EXPECT_EQ(bars.seconds[8], 7200u);
    EXPECT_EQ(bars.rgb[0], 0xA02000u);
    EXPECT_EQ(bars.rgb[3], 0xFFD700u);
    EXPECT_EQ(bars.rgb[4], 0x00A020u);
    EXPECT_EQ(bars.scale.unit, "min");
    EXPECT_EQ(bars.title, "Total 7300 s, verdict: Good");
    EXPECT_EQ(ChooseDurationScale(3 * 3600).unit, "h");
    EXPECT_EQ(ChooseDurationScale(179).unit, "s");
}

TEST(ConstellationCharts, LogDaysAsTheFileListsThem)
{
    ConstLogStatistics log;
    for (int i = 0; i < kConstLogDays; ++i) {
        log.days[std::size_t(i)].day = i + 1;
        log.days[std::size_t(i)].month = 5;
        log.days[std::size_t(i)].year = 2009;
        log.days[std::size_t(i)].durations[7] = 86400;
        log.totals[std::size_t(i)] = 86400;
    }
    log.totals[3] = 0; // an empty day is not listed
    log.days[5].durations = {};
    log.days[5].durations[0] = 86400;
    const std::vector<LogDayBars> days = BuildLogDayBars(log);
    ASSERT_EQ(days.size(), 6u);
    EXPECT_EQ(days.front().date, "07-05-2009"); // the last received first
    EXPECT_EQ(days.back().date, "01-05-2009");
    EXPECT_TRUE(days[1].suspect);
    EXPECT_FALSE(days[0].suspect);
    EXPECT_EQ(days[0].bars.scale.unit, "h");
    EXPECT_TRUE(BuildLogDayBars(ConstLogStatistics{}).empty());

    // A day of short durations is counted in the unit of the longest day, so
    // that the seven charts compare.
    log.days[0].durations = {};
    log.days[0].durations[9] = 120;
    log.totals[0] = 120;
    for (const LogDayBars& day : BuildLogDayBars(log))
        EXPECT_EQ(day.bars.scale.unit, "h") << day.date.toStdString();
}
