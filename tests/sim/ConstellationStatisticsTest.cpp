// The simulated sky and the statistics a unit collects from it: whole days add
// up, the antenna fault and the empty history, fixed records, and the exact
// replies of the position and statistics queries.

#include "sim/ConstellationStatistics.h"
#include "sim/SimOptions.h"
#include "sim/UnitModel.h"

#include <QTemporaryDir>
#include <QFile>

#include <gtest/gtest.h>

#include <array>
#include <numeric>
#include <set>

using namespace sim;
using Bytes = std::vector<std::uint8_t>;

namespace {

// 2009-05-07 15:00:00 UTC.
constexpr std::int64_t kNow = 1241708400;
constexpr std::int64_t kToday = kNow / 86400 * 86400;

std::uint32_t Sum(const DayRecord& record)
{
    return std::accumulate(record.seconds.begin(), record.seconds.end(), 0u);
}

} // namespace

TEST(SimSky, TheSameSeedGivesTheSameSkyAndSatellitesComeAndGo)
{
    CSkyModel a(7, kToday), b(7, kToday), c(8, kToday);
    bool differs = false;
    int lowest = 12, highest = 0;
    for (std::int64_t t = kToday; t < kToday + 86400; t += 600) {
        const int visible = a.VisibleAt(t);
        EXPECT_EQ(visible, b.VisibleAt(t));
        differs = differs || visible != c.VisibleAt(t);
        lowest = std::min(lowest, visible);
        highest = std::max(highest, visible);
        int tracking = 0;
        for (const SkyChannel& channel : a.ChannelsAt(t)) {
            if (!channel.tracking)
                continue;
            ++tracking;
            EXPECT_GE(channel.elevation, 0.0);
            EXPECT_GE(channel.prn, 1);
            EXPECT_LE(channel.prn, 32);
        }
        EXPECT_EQ(tracking, visible);
    }
    EXPECT_TRUE(differs);
    EXPECT_LT(lowest, highest);
    EXPECT_GE(lowest, 3);
    EXPECT_EQ(a.VisibleAt(kToday - 1), 0); // nothing before the sky begins
}

TEST(SimSky, NoSatelliteIsTrackedOnTwoChannelsAtOnce)
{
    // Many skies over a week each, looked at every few minutes: at no moment
    // does one satellite number appear on two tracking channels.
    int duplicates = 0;
    int looks = 0;
    for (std::uint64_t seed = 1; seed <= 60; ++seed) {
        CSkyModel sky(seed, kToday);
        for (std::int64_t t = kToday; t < kToday + 7 * 86400; t += 397) {
            std::set<int> seen;
            for (const SkyChannel& channel : sky.ChannelsAt(t)) {
                if (!channel.tracking)
                    continue;
                duplicates += !seen.insert(channel.prn).second;
            }
            ++looks;
            if (t % 7 == 0)
                sky.ForgetBefore(t); // as the unit does while it runs
        }
    }
    EXPECT_EQ(duplicates, 0) << "in " << looks << " looks";
}

TEST(SimSky, TheSkyAtATimeDoesNotDependOnWhatWasAskedBefore)
{
    // One sky asked hour by hour, one asked straight for the end of the week
    // and then backwards through what it still knows.
    CSkyModel stepped(11, kToday), jumped(11, kToday);
    const std::int64_t end = kToday + 7 * 86400;
    std::vector<std::array<SkyChannel, CSkyModel::kChannels>> steps;
    for (std::int64_t t = kToday; t <= end; t += 3600)
        steps.push_back(stepped.ChannelsAt(t));
    (void)jumped.ChannelsAt(end);
    std::size_t i = 0;
    for (std::int64_t t = kToday; t <= end; t += 3600, ++i) {
        const auto channels = jumped.ChannelsAt(t);
        for (std::size_t c = 0; c < channels.size(); ++c) {
            EXPECT_EQ(channels[c].tracking, steps[i][c].tracking) << t << " channel " << c;
            EXPECT_EQ(channels[c].prn, steps[i][c].prn) << t << " channel " << c;
        }
    }
}

TEST(SimConstellationStatistics, WholeDaysAddUpAndTimeGoingOnMovesTheWindow)
{
    ConstellationOptions options;
    CConstellationStatistics statistics(options, kNow);
    auto records = statistics.Records();
    for (int i = 0; i < kStatisticsDays; ++i) {
        EXPECT_EQ(Sum(records[std::size_t(i)]), 86400u) << "day " << i;
        EXPECT_LT(records[std::size_t(i)].seconds[0], 86400u);
    }
    EXPECT_EQ(records[6].day, 6); // yesterday, the last whole day
    EXPECT_EQ(records[6].month, 5);
    EXPECT_EQ(records[6].year, 2009);
    EXPECT_EQ(records[0].day, 30);
    EXPECT_EQ(records[0].month, 4);

    // Collected in steps or in one go: the same seconds.
    CConstellationStatistics stepped(options, kNow);
    for (std::int64_t t = kNow; t <= kToday + 86400 + 3600; t += 977)
        stepped.AdvanceTo(t);
    stepped.AdvanceTo(kToday + 86400 + 3600);
    statistics.AdvanceTo(kToday + 86400 + 3600);
    EXPECT_EQ(stepped.Records(), statistics.Records());
    records = statistics.Records();
    EXPECT_EQ(records[6].day, 7);
    EXPECT_EQ(Sum(records[6]), 86400u);
    EXPECT_EQ(records[5].day, 6);
}

TEST(SimConstellationStatistics, EmptyHistoryAndAntennaFault)
{
    ConstellationOptions empty;
    empty.historyDays = 0;
    CConstellationStatistics fresh(empty, kNow);
    for (const DayRecord& record : fresh.Records())
        EXPECT_EQ(record, DayRecord{});
    fresh.AdvanceTo(kToday + 86400 + 10); // past midnight: the part of a day since the start
    EXPECT_EQ(Sum(fresh.Records()[6]), std::uint32_t(kToday + 86400 - kNow));

    ConstellationOptions faulty;
    faulty.antennaFault = true;
    CConstellationStatistics fault(faulty, kNow);
    const auto records = fault.Records();
    EXPECT_EQ(records[6].seconds[0], 86400u);
    EXPECT_EQ(Sum(records[6]), 86400u);
    EXPECT_LT(records[5].seconds[0], 86400u);
}

TEST(SimConstellationStatistics, FixedRecordsFromAFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("days.txt"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("# oldest first\n31 2 2009 1 2 3 4 5 6 7 8 9 10 11 12 4000000000\n\n0 5 2009 0 0 0 0 0 0 0 0 0 0 0 0 1\n");
    file.close();
    std::vector<DayRecord> records;
    QString error;
    ASSERT_TRUE(LoadDayRecords(path, records, error)) << qPrintable(error);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].day, 31);
    EXPECT_EQ(records[0].seconds[12], 4000000000u);

    ConstellationOptions options;
    options.fixedRecords = records;
    CConstellationStatistics fixed(options, kNow);
    fixed.AdvanceTo(kNow + 5 * 86400);
    const Bytes bytes = fixed.RecordBytes();
    ASSERT_EQ(bytes.size(), 7u * 56u);
    EXPECT_EQ(Bytes(bytes.begin() + 48, bytes.begin() + 56), (Bytes{0xEE, 0x6B, 0x28, 0x00, 31, 2, 0x07, 0xD9}));
    EXPECT_EQ(Bytes(bytes.begin() + 56 + 52, bytes.begin() + 112), (Bytes{0, 5, 0x07, 0xD9}));
    EXPECT_TRUE(std::all_of(bytes.begin() + 112, bytes.end(), [](std::uint8_t b) { return b == 0; }));

    for (const char* bad : {"1 2 2009 1 2 3\n", "1 2 2009 1 2 3 4 5 6 7 8 9 10 11 12 x\n", "300 2 2009 0 0 0 0 0 0 0 0 0 0 0 0 0\n"}) {
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bad);
        file.close();
        EXPECT_FALSE(LoadDayRecords(path, records, error)) << bad;
        EXPECT_FALSE(error.isEmpty());
    }
}

TEST(SimConstellationStatistics, TheUnitAnswersBothQueriesInTheToolsLayout)
{
    ConstellationOptions options;
    options.latitude = -601012345;
    options.longitude = 24512000;
    options.altitudeCm = 1000;
    options.fixedRecords = std::vector<DayRecord>{{7, 5, 2009, {86399, 1}}};
    SetConstellationOptions(options);
    SetConstellationClock([] { return kNow; });
    CUnitModel unit(DefaultCatalog(), {"192.168.255.120", 131});

    Bytes reply;
    EXPECT_TRUE(unit.Handle({}, Bytes{0x53, 0x66, 0x00, 0x00}, reply).answered);
    // The position query is also the GPS status query: the position comes first
    // (the time of day in bytes 3-5 is the GPS status window's), the channels follow.
    ASSERT_GE(reply.size(), 20u);
    EXPECT_EQ(Bytes(reply.begin(), reply.begin() + 3), (Bytes{0x54, 0x67, 0x00}));
    EXPECT_EQ(Bytes(reply.begin() + 6, reply.begin() + 20),
              (Bytes{0, 0, 0x00, 0x00, 0x03, 0xE8, 0xDC, 0x2D, 0x47, 0x87, 0x01, 0x76, 0x06, 0x00}));

    reply.clear();
    EXPECT_TRUE(unit.Handle({}, Bytes{0x53, 0x82, 0x00, 0x00}, reply).answered);
    ASSERT_EQ(reply.size(), 4u + 7u * 56u);
    EXPECT_EQ(Bytes(reply.begin(), reply.begin() + 12), (Bytes{0x54, 0x83, 0x00, 0x07, 0x00, 0x01, 0x51, 0x7F, 0, 0, 0, 1}));
    EXPECT_EQ(Bytes(reply.begin() + 4 + 52, reply.begin() + 4 + 56), (Bytes{7, 5, 0x07, 0xD9}));

    for (const Bytes& malformed : {Bytes{0x53, 0x66}, Bytes{0x53, 0x82, 0x00, 0x00, 0x00}, Bytes{0x53, 0x82, 0x01, 0x00}}) {
        reply.clear();
        unit.Handle({}, malformed, reply);
        EXPECT_EQ(reply, (Bytes{0x54, 0xF0}));
    }
    SetConstellationClock({});
    SetConstellationOptions({});
}

TEST(SimConstellationOptions, CommandLineSetsTheUnitsSky)
{
    SimOptions options;
    QString error;
    ASSERT_TRUE(ParseOptions({"--listen", "127.0.0.1:0", "--history-days", "3", "--antenna-fault", "--sky-seed", "9",
                              "--constellation-position", "-601012345,24512000,1000"},
                             options, error))
        << qPrintable(error);
    EXPECT_EQ(options.constellation.historyDays, 3);
    EXPECT_TRUE(options.constellation.antennaFault);
    EXPECT_EQ(options.constellation.skySeed, 9u);
    EXPECT_EQ(options.constellation.latitude, -601012345);
    EXPECT_EQ(DefaultConstellationOptions().historyDays, 3);
    for (const QStringList& bad : {QStringList{"--history-days", "8"}, QStringList{"--constellation-position", "1,2"},
                                   QStringList{"--constellation-position", "916000000,0,0"},
                                   QStringList{"--statistics-file", "/nonexistent/file"}}) {
        EXPECT_FALSE(ParseOptions(QStringList{"--listen", "127.0.0.1:0"} + bad, options, error)) << qPrintable(bad.join(' '));
        EXPECT_FALSE(error.isEmpty());
    }
    SetConstellationOptions({});
}

TEST(SimConstellationOptions, AReceiverWithoutAFixTracksNoSatellite)
{
    CUnitModel unit(DefaultCatalog(), {"192.168.255.120", 131});
    const auto tracked = [&] {
        Bytes reply;
        unit.Handle({}, Bytes{0x53, 0x66, 0x00, 0x00}, reply);
        // After the 20 bytes of the position: 12 satellite numbers, 12 C/No, 12 used flags.
        EXPECT_EQ(reply.size(), 20u + 12u * 11u);
        int channels = 0;
        for (std::size_t i = 20; i < std::min<std::size_t>(reply.size(), 56); ++i)
            channels += reply[i] != 0 ? 1 : 0;
        return channels;
    };
    SimOptions options;
    QString error;
    ASSERT_TRUE(ParseOptions({"--listen", "127.0.0.1:0"}, options, error)) << qPrintable(error);
    EXPECT_GT(tracked(), 0) << "a receiver with a sky tracks something";
    ASSERT_TRUE(ParseOptions({"--listen", "127.0.0.1:0", "--no-fix"}, options, error)) << qPrintable(error);
    EXPECT_EQ(tracked(), 0);
    ASSERT_TRUE(ParseOptions({"--listen", "127.0.0.1:0"}, options, error));
}
