#include "link/DeviceMessage.h"

#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <vector>

namespace {
std::vector<std::uint8_t> Bytes(const CDeviceMessage& m)
{
    return {m.GetData(), m.GetData() + m.GetLength()};
}

CDeviceMessage Of(std::initializer_list<std::uint8_t> bytes)
{
    CDeviceMessage m;
    for (auto b : bytes)
        m.AppendByte(b);
    return m;
}
} // namespace

TEST(DeviceMessage, GrowsByFixedStepsNotGeometrically)
{
    CDeviceMessage m;
    EXPECT_EQ(m.GetLength(), 0);
    EXPECT_EQ(m.GetCapacity(), 500);
    for (int i = 0; i < 500; ++i)
        m.AppendByte(static_cast<std::uint8_t>(i));
    EXPECT_EQ(m.GetCapacity(), 500);
    m.AppendByte(0xAA);
    EXPECT_EQ(m.GetCapacity(), 1000);
    EXPECT_EQ(m.GetLength(), 501);
    EXPECT_EQ(m.GetData()[499], 499 % 256);
    EXPECT_EQ(m.GetData()[500], 0xAA);

    CDeviceMessage big;
    std::vector<std::uint8_t> block(600, 7);
    big.AppendBytes(block.data(), 600);
    EXPECT_EQ(big.GetCapacity(), 1600);

    CDeviceMessage text;
    text.AppendBytes(block.data(), 498);
    text.AppendString("M:17"); // 5 bytes do not fit in the 2 left
    EXPECT_EQ(text.GetCapacity(), 500 + 5 + 500);
    EXPECT_EQ(text.GetLength(), 503);
    EXPECT_EQ(text.GetData()[502], 0);
    EXPECT_EQ(std::memcmp(text.GetPointer(498), "M:17", 4), 0);
}

TEST(DeviceMessage, AppendsAreBigEndian)
{
    CDeviceMessage m;
    m.AppendUInt16(0x1234);
    m.AppendUInt32(0x01020304);
    m.AppendBytes(nullptr, 0);
    m.AppendString("");
    EXPECT_EQ(Bytes(m), (std::vector<std::uint8_t>{0x12, 0x34, 1, 2, 3, 4, 0}));
    CDeviceMessage other = Of({9, 8});
    m.AppendMessage(other);
    m.AppendMessage(m); // appending to itself doubles it
    EXPECT_EQ(m.GetLength(), 18);
    EXPECT_EQ(m.GetData()[17], 8);
}

TEST(DeviceMessage, ReadsStayInsideTheBytesInUse)
{
    const CDeviceMessage m = Of({0x12, 0x34});
    std::int32_t v = -7;
    EXPECT_TRUE(m.GetUInt16(0, v));
    EXPECT_EQ(v, 0x1234);
    v = -7;
    EXPECT_FALSE(m.GetUInt16(1, v));
    EXPECT_FALSE(m.GetByte(2, v));
    EXPECT_FALSE(m.GetByte(-1, v));
    EXPECT_FALSE(m.GetUInt16(0x7FFFFFFF, v)); // offset + size must not wrap
    EXPECT_EQ(v, -7);                         // failed reads leave the output alone
    EXPECT_TRUE(m.GetByte(1, v));
    EXPECT_EQ(v, 0x34);

    CDeviceMessage bytes; // spare capacity is not readable
    bytes.Reserve(10);
    std::uint32_t u = 0;
    EXPECT_FALSE(bytes.GetUInt32(0, u));
}

TEST(DeviceMessage, WideReadsAndTheRawLittleEndianRead)
{
    const CDeviceMessage m = Of({0x01, 0x02, 0x03, 0xF4});
    std::uint32_t u = 0;
    ASSERT_TRUE(m.GetUInt32(0, u));
    EXPECT_EQ(u, 0x010203F4u);
    std::int32_t raw = 0;
    ASSERT_TRUE(m.GetRawUInt32(0, raw));
    EXPECT_EQ(static_cast<std::uint32_t>(raw), 0xF4030201u);
    std::int32_t s = 0;
    const CDeviceMessage negative = Of({0xFF, 0xFF, 0xFF, 0xFE});
    ASSERT_TRUE(negative.GetUInt32(0, s));
    EXPECT_EQ(s, -2);
    EXPECT_FALSE(m.GetRawUInt32(1, raw));

    const CDeviceMessage wide = Of({0, 0, 0, 1, 0, 0, 0, 2});
    std::uint64_t w = 0;
    ASSERT_TRUE(wide.GetUInt64(0, w));
    EXPECT_EQ(w, (1ull << 32) + 2);
    EXPECT_FALSE(wide.GetUInt64(1, w));
}

TEST(DeviceMessage, AssignmentResetsAndSelfAssignmentKeepsAll)
{
    CDeviceMessage m = Of({1, 2, 3});
    std::vector<std::uint8_t> block(700, 5);
    m.AppendBytes(block.data(), 700);
    const int capacity = m.GetCapacity();
    CDeviceMessage& self = m;
    m = self;
    EXPECT_EQ(m.GetLength(), 703);
    EXPECT_EQ(m.GetCapacity(), capacity);
    EXPECT_EQ(m.GetData()[2], 3);

    CDeviceMessage small = Of({4, 5});
    m = small;
    EXPECT_EQ(Bytes(m), (std::vector<std::uint8_t>{4, 5}));
    EXPECT_EQ(m.GetCapacity(), 500);
    const CDeviceMessage copy(small);
    EXPECT_EQ(Bytes(copy), Bytes(small));
}

// A copy or an assignment holds the room a Reset and one append of the
// source's bytes would give it, whatever the target held before.
TEST(DeviceMessage, CopiesTakeTheRoomOfAResetAndOneAppend)
{
    std::vector<std::uint8_t> block(520);
    for (std::size_t i = 0; i < block.size(); ++i)
        block[i] = static_cast<std::uint8_t>(i * 7);
    CDeviceMessage source;
    source.AppendBytes(block.data(), 500);
    source.AppendBytes(block.data() + 500, 20); // grown to 500 + 20 + 500

    CDeviceMessage copy(source);
    EXPECT_EQ(Bytes(copy), block);
    EXPECT_EQ(copy.GetCapacity(), 500 + 520 + 500);
    copy.GetData()[0] = 0xFF;
    EXPECT_EQ(source.GetData()[0], 0) << "the copy has a buffer of its own";

    CDeviceMessage exactly = Of({});
    exactly.AppendBytes(block.data(), 500);
    const CDeviceMessage fullStep(exactly);
    EXPECT_EQ(fullStep.GetCapacity(), 500);
    EXPECT_EQ(Bytes(fullStep), std::vector<std::uint8_t>(block.begin(), block.begin() + 500));

    CDeviceMessage target = Of({1, 2, 3});
    target.Reserve(5000);
    target = source;
    EXPECT_EQ(target.GetCapacity(), 1520);
    EXPECT_EQ(Bytes(target), block);
    target = copy; // of the same size: the bytes are still replaced
    EXPECT_EQ(target.GetData()[0], 0xFF);
    EXPECT_EQ(target.GetLength(), 520);
    target = CDeviceMessage();
    EXPECT_EQ(target.GetLength(), 0);
    EXPECT_EQ(target.GetCapacity(), 500);
    target.AppendByte(9);
    EXPECT_EQ(Bytes(target), std::vector<std::uint8_t>{9});
}

// A move hands the bytes over; the message moved from is empty and takes
// appends, reads and a Reset like any other.
TEST(DeviceMessage, AMoveHandsTheBytesOverAndLeavesAUsableMessage)
{
    std::vector<std::uint8_t> block(600, 0x3C);
    CDeviceMessage source = Of({1, 2});
    source.AppendBytes(block.data(), 600);
    const std::uint8_t* buffer = source.GetData();
    CDeviceMessage moved(std::move(source));
    EXPECT_EQ(moved.GetData(), buffer) << "no copy of the bytes";
    EXPECT_EQ(moved.GetLength(), 602);
    EXPECT_EQ(moved.GetCapacity(), 500 + 600 + 500);

    EXPECT_EQ(source.GetLength(), 0); // NOLINT(bugprone-use-after-move): what is left must still work
    std::int32_t value = 0;
    EXPECT_FALSE(source.GetByte(0, value));
    EXPECT_TRUE(source.Commit(0));
    source.AppendUInt16(0xBEEF);
    EXPECT_EQ(Bytes(source), (std::vector<std::uint8_t>{0xBE, 0xEF}));
    EXPECT_EQ(source.GetCapacity(), 500);

    CDeviceMessage target = Of({9});
    target = std::move(moved);
    EXPECT_EQ(target.GetLength(), 602);
    EXPECT_EQ(target.GetData()[1], 2);
    moved.Reset(); // NOLINT(bugprone-use-after-move)
    EXPECT_EQ(moved.GetCapacity(), 500);
    moved.AppendString("M:17");
    EXPECT_EQ(moved.GetLength(), 5);
    CDeviceMessage& self = target;
    target = std::move(self);
    EXPECT_EQ(target.GetLength(), 602);

    std::optional<CDeviceMessage> held = Of({7, 8});
    CDeviceMessage copied(*held);
    EXPECT_EQ(Bytes(copied), Bytes(*held)) << "a copy still leaves its source alone";
}

TEST(DeviceMessage, ReserveAndCommitForDirectWrites)
{
    CDeviceMessage m = Of({1});
    EXPECT_FALSE(m.Commit(-1));
    EXPECT_TRUE(m.Commit(0));
    EXPECT_EQ(m.GetLength(), 1);
    EXPECT_TRUE(m.Reserve(1024));
    EXPECT_EQ(m.GetCapacity(), 1524);
    EXPECT_EQ(m.GetData()[0], 1);
    std::memset(m.GetWritePointer(), 0xEE, 1523);
    EXPECT_FALSE(m.Commit(1524)); // beyond the capacity: nothing changes
    EXPECT_EQ(m.GetLength(), 1);
    EXPECT_TRUE(m.Commit(1523));
    EXPECT_EQ(m.GetLength(), 1524);
    EXPECT_FALSE(m.Reserve(-100)); // would cut into the bytes in use
    EXPECT_EQ(m.GetCapacity(), 1524);
    m.Reset();
    EXPECT_EQ(m.GetLength(), 0);
    EXPECT_EQ(m.GetCapacity(), 500);
}
