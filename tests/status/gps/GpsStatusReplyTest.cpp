// The simulated unit's answer to the GPS status query: the position in front
// as the constellation log reads it, the GPS time, and the channels of the sky.

#include "sim/ConstellationStatistics.h"
#include "sim/GpsClock.h"
#include "sim/GpsStatusReply.h"
#include "sim/SkyModel.h"
#include "sim/UnitModel.h"

#include <gtest/gtest.h>

using namespace sim;
using Bytes = std::vector<std::uint8_t>;

namespace {

constexpr std::int64_t kNow = 1241708400;

std::uint32_t Word(const Bytes& b, std::size_t at)
{
    return std::uint32_t(b[at]) << 24 | std::uint32_t(b[at + 1]) << 16 | std::uint32_t(b[at + 2]) << 8 | b[at + 3];
}

TEST(SimGpsStatusReply, ChannelsFollowTheSkyBehindThePositionAndTime)
{
    ConstellationOptions options;
    options.latitude = -123456789;
    options.longitude = 12345678;
    options.altitudeCm = 12345;
    options.skySeed = 7;
    SetConstellationOptions(options);
    SetConstellationClock([] { return kNow; });
    SetGpsStatusClock([] { return kNow; });
    GpsSetup setup;
    setup.fixedTime = GpsClockReading{2009, 5, 7, 14, 59, 58};
    SetGpsSetup(setup);
    CUnitModel unit(DefaultCatalog(), {"192.168.255.120", 131});

    Bytes reply;
    EXPECT_TRUE(unit.Handle({}, Bytes{0x53, 0x66, 0x00, 0x00}, reply).answered);
    ASSERT_EQ(reply.size(), kGpsStatusReplyBytes);
    EXPECT_EQ(Bytes(reply.begin(), reply.begin() + 8), (Bytes{0x54, 0x67, 0x00, 14, 59, 58, 0, 0}));
    EXPECT_EQ(std::int32_t(Word(reply, 8)), 12345);
    EXPECT_EQ(std::int32_t(Word(reply, 12)), -123456789);
    EXPECT_EQ(std::int32_t(Word(reply, 16)), 12345678);

    CSkyModel sky(7, kNow - 86400);
    const auto channels = sky.ChannelsAt(kNow);
    int tracking = 0, used = 0;
    for (std::size_t i = 0; i < channels.size(); ++i) {
        SCOPED_TRACE(i);
        const SkyChannel& c = channels[i];
        const std::uint8_t cno = reply[32 + i];
        EXPECT_EQ(reply[20 + i], c.tracking ? c.prn : 0);
        EXPECT_EQ(cno, c.tracking ? CNoForElevation(c.elevation) : 0);
        EXPECT_EQ(reply[44 + i], c.tracking && cno >= 30 ? 1 : 0);
        EXPECT_NEAR(Word(reply, 56 + 4 * i) / 1e7, c.tracking ? c.elevation : 0.0, 1e-6);
        EXPECT_NEAR(Word(reply, 104 + 4 * i) / 1e7, c.tracking ? c.azimuth : 0.0, 1e-6);
        tracking += c.tracking;
        used += reply[44 + i];
    }
    EXPECT_GT(tracking, 0);
    EXPECT_LE(used, tracking);

    // Higher satellites are heard better, up to 55 dBHz overhead.
    EXPECT_EQ(CNoForElevation(0.0), 25);
    EXPECT_LT(CNoForElevation(10.0), 30);
    EXPECT_GE(CNoForElevation(15.0), 30);
    EXPECT_EQ(CNoForElevation(90.0), 55);

    reply.clear();
    unit.Handle({}, Bytes{0x53, 0x66, 0x00}, reply);
    EXPECT_EQ(reply, (Bytes{0x54, 0xF0}));

    SetGpsSetup({});
    SetGpsStatusClock(nullptr);
    SetConstellationClock({});
    SetConstellationOptions({});
    ForgetConstellationStatistics();
}

} // namespace
