#include "sim/ConstellationStatusReply.h"
#include "sim/UnitModel.h"

#include <gtest/gtest.h>

#include <numeric>

namespace {

using namespace sim;

DayRecord Day(std::uint32_t blind, std::uint32_t few, std::uint32_t many)
{
    DayRecord record;
    record.seconds[0] = blind;
    record.seconds[2] = few;
    record.seconds[8] = many;
    return record;
}

TEST(ConstellationSummary, VerdictFollowsTheShareOfTimeWithFewSatellites)
{
    // Under a day collected: still initialising, whatever was seen.
    EXPECT_EQ(SummariseConstellation(std::vector{Day(0, 0, 86399)}).verdict, kVerdictInitialising);
    EXPECT_EQ(SummariseConstellation({}).verdict, kVerdictInitialising);

    const std::vector good{Day(0, 864, 85536)}; // exactly 1 %
    const ConstellationStatus status = SummariseConstellation(good);
    EXPECT_EQ(status.verdict, kVerdictGood);
    EXPECT_EQ(status.total, 86400u);
    EXPECT_EQ(status.seconds[2], 864u);
    EXPECT_EQ(SummariseConstellation(std::vector{Day(865, 0, 85535)}).verdict, kVerdictSufficient);
    EXPECT_EQ(SummariseConstellation(std::vector{Day(0, 8640, 77760)}).verdict, kVerdictSufficient);
    // One whole day without satellites in a week is bad.
    std::vector<DayRecord> week(6, Day(0, 0, 86400));
    week.push_back(Day(86400, 0, 0));
    const ConstellationStatus faulty = SummariseConstellation(week);
    EXPECT_EQ(faulty.verdict, kVerdictBad);
    EXPECT_EQ(faulty.seconds[0], 86400u);
    EXPECT_EQ(faulty.total, 7u * 86400u);
}

class ConstellationReplyTest : public testing::Test {
protected:
    void SetUp() override
    {
        SetConstellationClock([] { return std::int64_t(1'750'000'000); });
        ConstellationOptions options;
        options.antennaFault = false;
        SetConstellationOptions(options);
    }
    void TearDown() override
    {
        SetConstellationVerdictOverride(std::nullopt);
        SetConstellationClock({});
        SetConstellationOptions(ConstellationOptions{});
    }
    std::vector<std::uint8_t> Ask(std::vector<std::uint8_t> request = {kServiceRequest, kOpConstellationStatusQuery, 0, 0})
    {
        std::vector<std::uint8_t> reply;
        AnswerConstellationStatusQuery(unit, request, reply);
        return reply;
    }
    static std::uint32_t Word(const std::vector<std::uint8_t>& b, std::size_t at)
    {
        return std::uint32_t(b[at]) << 24 | std::uint32_t(b[at + 1]) << 16 | std::uint32_t(b[at + 2]) << 8 | b[at + 3];
    }
    // Only the key of the unit's statistics.
    const CUnitModel* unit = reinterpret_cast<const CUnitModel*>(this);
};

TEST_F(ConstellationReplyTest, AnswersTheWeekCollectedAsFiftyEightBytes)
{
    const std::vector<std::uint8_t> reply = Ask();
    ASSERT_EQ(reply.size(), 60u); // 0x54 0x81 and the 58 bytes after the opcode
    EXPECT_EQ(reply[0], kServiceReply);
    EXPECT_EQ(reply[1], kOpConstellationStatusReply);
    EXPECT_EQ(reply[2], 0);
    std::uint64_t sum = 0;
    for (int n = 0; n < kSatelliteCounts; ++n)
        sum += Word(reply, 4 + 4 * std::size_t(n));
    EXPECT_EQ(Word(reply, 56), sum);
    EXPECT_EQ(sum, 7u * 86400u); // seven whole days of history
    EXPECT_NE(reply[3], kVerdictInitialising);

    SetConstellationVerdictOverride(kVerdictBad);
    EXPECT_EQ(Ask()[3], kVerdictBad);
}

TEST_F(ConstellationReplyTest, AntennaFaultIsBadAndNoHistoryIsInitialising)
{
    ConstellationOptions options;
    options.antennaFault = true;
    SetConstellationOptions(options);
    std::vector<std::uint8_t> reply = Ask();
    EXPECT_EQ(reply[3], kVerdictBad);
    EXPECT_GE(Word(reply, 4), 86400u);

    options = {};
    options.historyDays = 0;
    SetConstellationOptions(options);
    reply = Ask();
    EXPECT_EQ(reply[3], kVerdictInitialising);
}

TEST_F(ConstellationReplyTest, MalformedQueryIsRefused)
{
    const std::vector<std::uint8_t> nak{kServiceReply, kNegativeAck};
    EXPECT_EQ(Ask({kServiceRequest, kOpConstellationStatusQuery, 0}), nak);
    EXPECT_EQ(Ask({kServiceRequest, kOpConstellationStatusQuery, 0, 1}), nak);
}

} // namespace
