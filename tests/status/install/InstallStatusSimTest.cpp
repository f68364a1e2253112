#include "sim/InstallStatusReply.h"

#include <gtest/gtest.h>

namespace {

using sim::InstallStatusBytes;
using sim::InstallStatusOptions;

std::uint32_t Progress(const std::vector<std::uint8_t>& bytes)
{
    return std::uint32_t(bytes[14] << 24 | bytes[15] << 16 | bytes[16] << 8 | bytes[17]);
}

TEST(InstallStatusSimTest, UnitGetsAFixSurveysAndLocksItsClock)
{
    const InstallStatusOptions options; // fix at 3 s, survey 300 s, adjust at 10 s, lock at 30 s
    const std::uint64_t busTime = 0x0102030405060708ULL;

    std::vector<std::uint8_t> bytes = InstallStatusBytes(options, 0, busTime);
    ASSERT_EQ(bytes.size(), 18u);
    EXPECT_EQ(bytes[0], 0); // self-tests pass
    EXPECT_EQ(bytes[1], 1); // no fix yet
    EXPECT_EQ(bytes[3], 0); // clock output on
    EXPECT_EQ(bytes[4], 2); // free running
    EXPECT_EQ(bytes[5], 1); // bus transmission OK
    EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin() + 6, bytes.begin() + 14),
              (std::vector<std::uint8_t>{1, 2, 3, 4, 5, 6, 7, 8}));
    EXPECT_EQ(Progress(bytes), 0u);

    bytes = InstallStatusBytes(options, 15, busTime);
    EXPECT_EQ(bytes[1], 0); // fix, surveying
    EXPECT_EQ(bytes[2], 0);
    EXPECT_EQ(bytes[4], 3); // adjusting
    EXPECT_EQ(Progress(bytes), 4u);

    bytes = InstallStatusBytes(options, 153, busTime);
    EXPECT_EQ(bytes[4], 1); // locked
    EXPECT_EQ(Progress(bytes), 50u);

    bytes = InstallStatusBytes(options, 100000, busTime);
    EXPECT_EQ(bytes[2], 1); // position locked
    EXPECT_EQ(Progress(bytes), 100u);
}

TEST(InstallStatusSimTest, FaultOptionsStayPut)
{
    InstallStatusOptions options;
    options.selfTestFailure = true;
    options.noFix = true;
    options.freeRunning = true;
    const std::vector<std::uint8_t> bytes = InstallStatusBytes(options, 100000, 0);
    EXPECT_EQ(bytes[0], 1);
    EXPECT_EQ(bytes[1], 1);
    EXPECT_EQ(bytes[4], 2);
    EXPECT_EQ(Progress(bytes), 0u);
}

TEST(InstallStatusSimTest, QueryIsAnsweredOnlyInItsOwnLength)
{
    sim::SetInstallStatusClock([] { return std::int64_t(1000); });
    std::vector<std::uint8_t> reply;
    EXPECT_FALSE(sim::AnswerInstallStatusQuery(std::vector<std::uint8_t>{0x53, 0x58, 0x00}, reply));
    EXPECT_TRUE(reply.empty());
    ASSERT_TRUE(sim::AnswerInstallStatusQuery(std::vector<std::uint8_t>{0x53, 0x58}, reply));
    ASSERT_EQ(reply.size(), 20u);
    EXPECT_EQ(reply[0], 0x54);
    EXPECT_EQ(reply[1], 0x59);
    EXPECT_EQ(reply[6], 1); // locked after 1000 s
    sim::SetInstallStatusClock({});
}

} // namespace
