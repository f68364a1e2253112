#include "link/ServiceFraming.h"

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

using namespace ServiceFraming;
using Bytes = std::vector<std::uint8_t>;

namespace {
CDeviceMessage Message(const Bytes& bytes)
{
    CDeviceMessage m;
    m.AppendBytes(bytes.data(), static_cast<std::int32_t>(bytes.size()));
    return m;
}
Bytes Of(const std::unique_ptr<CDeviceMessage>& m)
{
    return m ? Bytes(m->GetData(), m->GetData() + m->GetLength()) : Bytes{0xDE, 0xAD};
}

// class, internal opcode, service opcode: every pair the unit's service knows.
const std::vector<std::tuple<int, int, int>> kPairs = {
    {0x84, 0x12, 0x01}, {0x84, 0x13, 0x02}, {0x84, 0x05, 0x53}, {0x84, 0x06, 0x56}, {0x84, 0x17, 0x54},
    {0x84, 0x18, 0x57}, {0x84, 0x1B, 0x58}, {0x84, 0x1C, 0x59}, {0x83, 0x12, 0x66}, {0x83, 0x13, 0x67},
    {0x83, 0x23, 0x65}, {0x83, 0x24, 0x69}, {0x83, 0x27, 0x80}, {0x83, 0x28, 0x81}, {0x83, 0x25, 0x82},
    {0x83, 0x26, 0x83}, {0x85, 0x95, 0x95}, {0x85, 0x96, 0x96}, {0x85, 0x97, 0x97}, {0x86, 0x36, 0x77},
    {0x86, 0x37, 0x78}, {0x86, 0x38, 0x84}, {0x86, 0x39, 0x85},
};
} // namespace

TEST(ServiceFraming, EveryOpcodePairTranslatesBothWays)
{
    for (const auto& [cls, internal, service] : kPairs) {
        SCOPED_TRACE(testing::Message() << std::hex << cls << " " << internal);
        EXPECT_EQ(ToServiceOpcode(cls, internal), service);
        EXPECT_EQ(FromServiceOpcode(cls, service), internal);
    }
    // Pairs belong to their class; unknown opcodes and classes pass unchanged.
    EXPECT_EQ(ToServiceOpcode(0x83, 0x17), 0x17);
    EXPECT_EQ(FromServiceOpcode(0x84, 0x66), 0x66);
    EXPECT_EQ(FromServiceOpcode(0x84, 0xF0), 0xF0);
    EXPECT_EQ(ToServiceOpcode(0x42, 0x12), 0x12);
}

TEST(ServiceFraming, RequestsOfTheCommandClassesGoOnTheNullRoute)
{
    const auto read = FrameRequest(Message({0x84, 0x09, 0x17, 0x01, 0x00, 0x90, 0x04}), std::nullopt);
    ASSERT_TRUE(read);
    EXPECT_FALSE(read->route);
    EXPECT_EQ(read->bytes, (Bytes{0x53, 0x54, 0x01, 0x00, 0x90, 0x04}));

    const auto status = FrameRequest(Message({0x83, 0x12, 0x25}), std::string("ignored"));
    ASSERT_TRUE(status);
    EXPECT_FALSE(status->route);
    EXPECT_EQ(status->bytes, (Bytes{0x53, 0x82}));

    const auto reset = FrameRequest(Message({0x86, 0x0D, 0x38, 0xAA}), std::nullopt);
    ASSERT_TRUE(reset);
    EXPECT_EQ(reset->bytes, (Bytes{0x53, 0x84, 0xAA}));
}

TEST(ServiceFraming, DownloadRequestsDropTheirHeaders)
{
    Bytes data(20);
    for (std::size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<std::uint8_t>(i);
    data[0] = 0x85;
    data[1] = 0x11;
    data[2] = 0x8B;
    const auto block = FrameRequest(Message(data), std::string(kLongDownloadRoute));
    ASSERT_TRUE(block);
    EXPECT_EQ(block->route, std::string(kLongDownloadRoute));
    EXPECT_EQ(block->bytes, Bytes(data.begin() + 7, data.end()));

    const auto text = FrameRequest(Message({0x85, 0x11, 0x95, 0x00, 'M', ':', '1', '7', 0}), std::string("x"));
    ASSERT_TRUE(text);
    EXPECT_FALSE(text->route);
    EXPECT_EQ(text->bytes, (Bytes{'M', ':', '1', '7', 0}));

    // Headers shorter than their cut leave an empty body, never a read past the end.
    const auto shortBlock = FrameRequest(Message({0x85, 0x11, 0x8B, 1}), std::nullopt);
    ASSERT_TRUE(shortBlock);
    EXPECT_TRUE(shortBlock->bytes.empty());
}

TEST(ServiceFraming, RequestsThatCannotGoOut)
{
    EXPECT_FALSE(FrameRequest(Message({0x84, 0x09}), std::nullopt));
    EXPECT_FALSE(FrameRequest(Message({}), std::nullopt));
    EXPECT_FALSE(FrameRequest(Message({0x85, 0x11, 0x96}), std::nullopt)); // not a download opcode we send
    EXPECT_FALSE(FrameRequest(Message({0x42, 0x01, 0x02}), std::nullopt)); // not a class of the unit
}

TEST(ServiceFraming, RepliesGetTheirClassAndAddressBack)
{
    EXPECT_EQ(Of(FrameReply(0x84, 7, 0x17, Bytes{0x54, 0x57, 0x01, 0x00, 0xB0, 0x02, 0x05, 0x00, 0x42})),
              (Bytes{0x84, 7, 0x18, 0x01, 0x00, 0xB0, 0x02, 0x05, 0x00, 0x42}));
    EXPECT_EQ(Of(FrameReply(0x84, 7, 0x17, Bytes{0x54, 0xF0})), (Bytes{0x84, 7, 0xF0}));
    EXPECT_EQ(Of(FrameReply(0x84, 7, 0x17, Bytes{0x54})), (Bytes{0x84, 7}));
    EXPECT_EQ(Of(FrameReply(0x83, 0x12, 0x25, Bytes{0x54, 0x83, 9})), (Bytes{0x83, 0x12, 0x26, 9}));

    // Download text replies, unless the unit answered in the ordinary form.
    EXPECT_EQ(Of(FrameReply(0x85, 0x11, 0x95, Bytes{0x4F, 0x4B})), (Bytes{0x85, 0x11, 0x97, 0x4F, 0x4B}));
    EXPECT_EQ(Of(FrameReply(0x85, 0x11, 0x95, Bytes{0x54, 0x97, 0x4F})), (Bytes{0x85, 0x11, 0x97, 0x4F}));
    EXPECT_EQ(Of(FrameReply(0x85, 0x11, 0x8B, Bytes{0x00, 0x04, 0x00, 0x01})),
              (Bytes{0x85, 0x11, 0x8C, 0x00, 0x04, 0x8B, 0x00, 0x04, 0x00, 0x01}));

    // Anything else fails the request.
    EXPECT_EQ(FrameReply(0x84, 7, 0x17, Bytes{0x55, 0x57}), nullptr);
    EXPECT_EQ(FrameReply(0x84, 7, 0x17, Bytes{}), nullptr);
    EXPECT_EQ(FrameReply(0x85, 0x11, 0x95, Bytes{}), nullptr);
}

TEST(ServiceFraming, DownloadRouteFollowsTheChannelItem)
{
    EXPECT_EQ(ChooseDownloadRoute("WP=SOCKET,HOST=10.0.0.1,PORT=7000,WP=NEQ1,ADDR=131"),
              std::string(kLongDownloadRoute));
    EXPECT_EQ(ChooseDownloadRoute("ADDR=5,CH=9"), std::string(kShortDownloadRoute));
    // The CH item is read like every other: whole, in any case, wherever it stands.
    EXPECT_EQ(ChooseDownloadRoute(",CH=3,ADDR=5"), std::string(kShortDownloadRoute));
    EXPECT_EQ(ChooseDownloadRoute("ADDR=5,ch=9"), std::string(kShortDownloadRoute));
    EXPECT_EQ(ChooseDownloadRoute("CH=9,ADDR=5"), std::string(kShortDownloadRoute));
    EXPECT_EQ(ChooseDownloadRoute("ADDR=5,XCH=9"), std::string(kLongDownloadRoute));
}

TEST(ServiceFraming, HeaderIdentityAndTrimming)
{
    EXPECT_EQ(PackedHeader(Message({0x84, 0x09, 0x17, 0x01})), 0x840917);
    EXPECT_EQ(PackedHeader(Message({0x84})), 0x840000);
    EXPECT_EQ(IdentityText(Bytes{'Q', 'O', 'R', 'H', 'W', '2', 0, 'x'}), "QORHW2");
    EXPECT_EQ(IdentityText(Bytes{'Q', 'O', 'R'}), "QOR");
    EXPECT_EQ(Trimmed(" \t ADDR=1 \r\n"), "ADDR=1");
    EXPECT_EQ(Trimmed("   "), "");
}
