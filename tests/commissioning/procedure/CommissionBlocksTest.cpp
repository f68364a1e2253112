// The byte layouts of the commissioning block (0x9001) and the user block (0x9002).

#include "commissioning/procedure/CommissionBlocks.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

namespace {

std::int32_t Int32At(const QByteArray& block, int offset)
{
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i)
        value = value << 8 | std::uint8_t(block[offset + i]);
    return static_cast<std::int32_t>(value);
}

int UInt16At(const QByteArray& block, int offset)
{
    return std::uint8_t(block[offset]) << 8 | std::uint8_t(block[offset + 1]);
}

QByteArray Field(const char* text)
{
    QByteArray field(text);
    field.append(16 - field.size(), '\0');
    return field;
}

TEST(CommissioningBlock, DefaultsGiveTheFactoryAddressesAndBus)
{
    const QByteArray block = BuildCommissioningBlock({});
    ASSERT_EQ(block.size(), 88);
    EXPECT_EQ(block.mid(0, 16), Field("192.168.255.120"));
    EXPECT_EQ(block.mid(16, 16), Field("255.255.255.0"));
    EXPECT_EQ(block.mid(32, 16), Field("192.168.255.32"));
    EXPECT_EQ(block[48], 1); // last Q1 device
    EXPECT_EQ(block[49], 0);
    EXPECT_EQ(block[64], 2); // neither survey nor locked position
    EXPECT_EQ(UInt16At(block, 76), 7);
    EXPECT_EQ(UInt16At(block, 80), 131);
    EXPECT_EQ(block.right(4), QByteArray(4, '\0'));
    // Every gap is zero.
    for (int offset : {50, 51, 65, 66, 67, 78, 79, 82, 83})
        EXPECT_EQ(block[offset], 0) << offset;
}

TEST(CommissioningBlock, NumbersLandAtTheirOffsetsMostSignificantFirst)
{
    SCommissioningBlockValues v;
    v.latitude = 60.5;
    v.longitude = -0.25;
    v.altitudeCm = -1234;
    v.gpsAntennaDelayNs = 0x01020304;
    v.frameClockDelayNs = 0x0A0B;
    v.onePps = 1;
    v.q1Relay = 0;
    v.q1SpeedCode = 12;
    v.q1Address = 0x1FF;
    v.remote = true;
    const QByteArray block = BuildCommissioningBlock(v);
    ASSERT_EQ(block.size(), 88);
    EXPECT_EQ(block[48], 0);
    EXPECT_EQ(block[49], 1);
    EXPECT_EQ(Int32At(block, 52), 605000000);
    EXPECT_EQ(Int32At(block, 56), -2500000);
    EXPECT_EQ(Int32At(block, 60), -1234);
    EXPECT_EQ(Int32At(block, 68), 0x01020304);
    EXPECT_EQ(UInt16At(block, 72), 0x0A0B);
    EXPECT_EQ(UInt16At(block, 74), 0x0A0B);
    EXPECT_EQ(UInt16At(block, 76), 12);
    EXPECT_EQ(UInt16At(block, 80), 0x1FF);
    EXPECT_EQ(Int32At(block, 84), 1);
}

TEST(CommissioningBlock, DegreesAreTruncatedTowardZeroAndHeldInRange)
{
    EXPECT_EQ(ScaledDegrees(60.5), 605000000);
    EXPECT_EQ(ScaledDegrees(-0.25), -2500000);
    EXPECT_EQ(ScaledDegrees(0.00000009), 0);
    EXPECT_EQ(ScaledDegrees(-0.00000009), 0);
    EXPECT_EQ(ScaledDegrees(-179.99999999), -1799999999);
    // Beyond the 32-bit range (no position, but no wrap-around either).
    EXPECT_EQ(ScaledDegrees(215.0), std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(ScaledDegrees(-215.0), std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(ScaledDegrees(1e300), std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(ScaledDegrees(-std::numeric_limits<double>::infinity()), std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(ScaledDegrees(std::nan("")), 0);
}

TEST(CommissioningBlock, GpsModeFollowsLockedThenSurvey)
{
    EXPECT_EQ(GpsModeByte(0, 1), 0);
    EXPECT_EQ(GpsModeByte(0, 0), 2);
    EXPECT_EQ(GpsModeByte(1, 0), 1);
    EXPECT_EQ(GpsModeByte(1, 1), 1);
    SCommissioningBlockValues v;
    v.selfSurvey = 1;
    EXPECT_EQ(BuildCommissioningBlock(v)[64], 0);
}

TEST(CommissioningBlock, LongAddressTextNeverShiftsTheBlock)
{
    SCommissioningBlockValues v;
    v.ipAddress = QStringLiteral("1234567890123456789"); // 19 characters
    v.subnetMask = QStringLiteral("255.255.255.2551");   // exactly 16
    v.gatewayAddress = QString();
    const QByteArray block = BuildCommissioningBlock(v);
    ASSERT_EQ(block.size(), 88);
    EXPECT_EQ(block.mid(0, 16), QByteArray("123456789012345") + '\0');
    EXPECT_EQ(block.mid(16, 16), QByteArray("255.255.255.255") + '\0');
    EXPECT_EQ(block.mid(32, 16), QByteArray(16, '\0'));
    EXPECT_EQ(block[48], 1);
    EXPECT_EQ(UInt16At(block, 80), 131);
}

TEST(UserBlock, EmptyTextsWithADateGiveEighteenBytes)
{
    SUserBlockValues v;
    v.year = 2009;
    v.month = 3;
    v.day = 7;
    const QByteArray block = BuildUserBlock(v);
    const QByteArray expected = QByteArray("\x01\x0B\x01\x01\x00", 5) + "2009/03/07" + QByteArray("\0\0\0", 3);
    EXPECT_EQ(block.size(), 18);
    EXPECT_EQ(block, expected);
}

TEST(UserBlock, TextsInOrderNameDateCommentsActions)
{
    SUserBlockValues v;
    v.userName = QStringLiteral("Jo");
    v.comments = QStringLiteral("a\nb");
    v.actions = QStringLiteral("xyz");
    v.year = 12;
    v.month = 1;
    v.day = 2;
    const QByteArray block = BuildUserBlock(v);
    // Line breaks go to the unit as CR LF, as the User Information dialog writes them.
    const QByteArray expected = QByteArray("\x03\x0B\x05\x04", 4) + QByteArray("Jo\0", 3) +
                                QByteArray("0012/01/02\0", 11) + QByteArray("a\r\nb\0", 5) + QByteArray("xyz\0", 4);
    EXPECT_EQ(block, expected);
}

TEST(UserBlock, OverlongTextsAreCutSoTheLengthsStayTrue)
{
    SUserBlockValues v;
    v.userName = QString(300, u'n');
    v.comments = QString(300, u'c');
    v.actions = QString(300, u'a');
    const QByteArray block = BuildUserBlock(v);
    EXPECT_EQ(std::uint8_t(block[0]), 32);
    EXPECT_EQ(std::uint8_t(block[2]), 100);
    EXPECT_EQ(std::uint8_t(block[3]), 100);
    const int total = 4 + 32 + std::uint8_t(block[1]) + 100 + 100;
    EXPECT_EQ(block.size(), total);
    EXPECT_LE(block.size(), 255);
    EXPECT_EQ(block.back(), '\0');
}

} // namespace
