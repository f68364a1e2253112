// The unit's user information and bus options: a block write that the four
// text parameters then answer, and a one-byte write of a four-byte value.

#include "sim/ParameterTable.h"
#include "sim/UnitModel.h"
#include "sim/WriteEffects.h"

#include <gtest/gtest.h>

#include <string>

namespace sim {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes WriteRequest(std::uint16_t id, const Bytes& value)
{
    Bytes request{kServiceRequest, kOpWrite, std::uint8_t(id >> 8), std::uint8_t(id), std::uint8_t(value.size())};
    request.insert(request.end(), value.begin(), value.end());
    return request;
}

// The value a read answers, or the status byte alone when it is not 0.
Bytes ReadValue(CUnitModel& unit, std::uint16_t id)
{
    const Bytes request{kServiceRequest, kOpRead, 0x01, 0x00, std::uint8_t(id >> 8), std::uint8_t(id)};
    Bytes reply;
    unit.Handle({}, request, reply);
    if (reply.size() < 8 || reply[7] != 0)
        return {0xEE};
    return Bytes(reply.begin() + 8, reply.end());
}

std::uint8_t WriteStatus(CUnitModel& unit, std::uint16_t id, const Bytes& value)
{
    Bytes reply;
    unit.Handle({}, WriteRequest(id, value), reply);
    return reply.size() == 5 ? reply[4] : 0xEE;
}

Bytes Text(const std::string& text)
{
    Bytes bytes(text.begin(), text.end());
    bytes.push_back(0);
    return bytes;
}

TEST(UserInformation, BlockWriteIsAnsweredTextByText)
{
    CUnitModel unit(DefaultCatalog(), {"192.168.255.120", 131});
    EXPECT_EQ(ReadValue(unit, kUserNameId), Text(""));
    EXPECT_EQ(ReadValue(unit, kUserDateId), Text("2009/01/01"));

    const std::vector<Bytes> texts{{'J', 'o'}, Text("2010/02/03"), {}, {'x'}};
    Bytes block{3, 11, 1, 2};
    for (const std::string& t : {std::string("Jo"), std::string("2010/02/03"), std::string(), std::string("x")}) {
        const Bytes b = Text(t);
        block.insert(block.end(), b.begin(), b.end());
    }
    ASSERT_EQ(WriteStatus(unit, kUserBlockId, block), 0);
    EXPECT_EQ(ReadValue(unit, kUserNameId), Text("Jo"));
    EXPECT_EQ(ReadValue(unit, kUserDateId), Text("2010/02/03"));
    EXPECT_EQ(ReadValue(unit, kUserCommentsId), Text(""));
    EXPECT_EQ(ReadValue(unit, kUserActionsId), Text("x"));
    EXPECT_EQ(ReadValue(unit, kUserBlockId), block);

    // Blocks whose lengths and NULs disagree, or with a name beyond 31
    // characters, are refused and change nothing.
    Bytes badLength = block;
    badLength[0] = 4;
    Bytes innerNul = block;
    innerNul[5] = 0;
    Bytes longName{33, 1, 1, 1};
    longName.insert(longName.end(), 32, 'n');
    longName.insert(longName.end(), {0, 0, 0, 0});
    for (const Bytes& bad : {badLength, innerNul, longName})
        EXPECT_NE(WriteStatus(unit, kUserBlockId, bad), 0);
    EXPECT_EQ(ReadValue(unit, kUserNameId), Text("Jo"));
    // The texts themselves are not written one by one.
    EXPECT_EQ(WriteStatus(unit, kUserNameId, Text("Al")), kStatusReadOnly);

    // Restoring the kept block sets the texts again.
    CUnitModel restarted(DefaultCatalog(), {"192.168.255.120", 131});
    ASSERT_TRUE(restarted.Restore(kUserBlockId, block));
    EXPECT_EQ(ReadValue(restarted, kUserActionsId), Text("x"));
}

TEST(BusOptions, OneByteWriteKeepsTheOtherOptions)
{
    CUnitModel unit(DefaultCatalog(), {"192.168.255.120", 131});
    ASSERT_TRUE(unit.Restore(kBusOptionsId, Bytes{1, 1, 0, 0}));
    ASSERT_EQ(WriteStatus(unit, kBusOptionsId, {0}), 0);
    EXPECT_EQ(ReadValue(unit, kBusOptionsId), (Bytes{0, 1, 0, 0}));
    EXPECT_NE(WriteStatus(unit, kBusOptionsId, {2}), 0);
    EXPECT_EQ(ReadValue(unit, kBusOptionsId), (Bytes{0, 1, 0, 0}));
}

} // namespace
} // namespace sim
