// The commissioning group's write sequence against a played unit.

#include "CommissionFixture.h"

#include "commissioning/procedure/CommissionData.h"
#include "platform/MessageIds.h"

#include <gtest/gtest.h>

using namespace commtest;

namespace {

class CommissionDataTest : public PlayedUnitTest {
protected:
    void SetUp() override
    {
        PlayedUnitTest::SetUp();
        group.AddWindow(&listener);
        group.Register();
    }
    void TearDown() override
    {
        group.Unregister();
        PlayedUnitTest::TearDown();
    }

    // The WM_COMMISSION_WRITE_DONE results the listener got, in order.
    std::vector<MsgWParam> Results() const
    {
        std::vector<MsgWParam> results;
        for (const auto& m : listener.received)
            if (m.message == WM_COMMISSION_WRITE_DONE) {
                EXPECT_EQ(m.lParam, reinterpret_cast<MsgLParam>(&group));
                results.push_back(m.wParam);
            }
        return results;
    }

    // Starts a run with the values and checks the opening command went out.
    void StartRun(const SCommissionValues& values)
    {
        group.SetCommissionValues(values);
        ASSERT_TRUE(group.WriteWithLeadingCommand());
        ASSERT_EQ(Sent(), std::vector<Bytes>{Command(1)});
    }

    CCommissionData group;
    MessageRecorder listener;
};

TEST_F(CommissionDataTest, SettersQueueTheirBlockOnceInWriteOrder)
{
    group.SetCommissionValues(SCommissionValues{});
    EXPECT_EQ(group.PendingWrites(), (std::vector<std::uint16_t>{0x9001, 0x9002}));
    group.SetComments(QStringLiteral("x"));
    group.SetLatitude(1.0);
    EXPECT_EQ(group.PendingWrites(), (std::vector<std::uint16_t>{0x9001, 0x9002}));
}

TEST_F(CommissionDataTest, FullSequenceEachItemAfterTheAcknowledgementOfThePrevious)
{
    SCommissionValues values;
    values.latitude = 60.5;
    values.ipAddress = QStringLiteral("192.168.255.120");
    values.subnetMask = QStringLiteral("255.255.255.0");
    values.gatewayAddress = QStringLiteral("192.168.255.32");
    values.userName = QStringLiteral("Jo");
    values.year = 2009;
    values.month = 3;
    values.day = 7;
    StartRun(values);

    Reply(CommandAck(1));
    std::vector<Bytes> sent = Sent();
    ASSERT_EQ(sent.size(), 1u);
    SCommissioningBlockValues expectedBlock;
    expectedBlock.latitude = 60.5;
    EXPECT_EQ(sent[0], WriteRequest(0x9001, BuildCommissioningBlock(expectedBlock)));
    EXPECT_EQ(sent[0].size(), 6u + 88u);
    EXPECT_EQ(sent[0][5], 88);

    Reply(WriteAck(0x9001));
    sent = Sent();
    ASSERT_EQ(sent.size(), 1u);
    const QByteArray user = QByteArray("\x03\x0B\x01\x01", 4) + QByteArray("Jo\0", 3) +
                            QByteArray("2009/03/07\0", 11) + QByteArray("\0\0", 2);
    EXPECT_EQ(sent[0], WriteRequest(0x9002, user));

    Reply(WriteAck(0x9002));
    EXPECT_EQ(Sent(), std::vector<Bytes>{Command(0)});
    EXPECT_TRUE(Results().empty());

    Reply(CommandAck(0));
    EXPECT_TRUE(Sent().empty());
    EXPECT_EQ(Results(), std::vector<MsgWParam>{1});
    EXPECT_TRUE(group.PendingWrites().empty());
}

TEST_F(CommissionDataTest, ARemoteRunWithoutAddressesSendsEmptyFieldsAndTheRemoteFlag)
{
    // What a wizard without a Q1 page hands over: no address texts, the
    // pages' other values.
    SCommissionValues values;
    values.latitude = 60.5;
    values.longitude = -0.25;
    values.altitudeCm = 2360;
    values.selfSurvey = true;
    values.gpsAntennaDelayNs = 130;
    values.frameClockDelayNs = 50;
    group.SetCommissionValues(values);
    group.SetRemoteConnection(true);
    ASSERT_TRUE(group.WriteWithLeadingCommand());
    Sent();
    Reply(CommandAck(1));
    const std::vector<Bytes> sent = Sent();
    ASSERT_EQ(sent.size(), 1u);
    ASSERT_EQ(sent[0].size(), 6u + 88u);
    EXPECT_EQ(Bytes(sent[0].begin(), sent[0].begin() + 6), (Bytes{0x84, kAddress, 0x05, 0x90, 0x01, 88}));

    // The block laid out by hand, offset by offset.
    Bytes block(48, 0x00); // IP address, subnet mask, gateway: empty, so all zero
    const Bytes rest = {
        0x01, 0x00, 0x00, 0x00,             // 48 relay 1, 49 1PPS 0, 50 zero
        0x24, 0x0F, 0x91, 0x40,             // 52 latitude 605000000
        0xFF, 0xD9, 0xDA, 0x60,             // 56 longitude -2500000
        0x00, 0x00, 0x09, 0x38,             // 60 altitude 2360 cm
        0x00, 0x00, 0x00, 0x00,             // 64 GPS mode 0 (self survey), 65 zero
        0x00, 0x00, 0x00, 0x82,             // 68 GPS antenna delay 130 ns
        0x00, 0x32, 0x00, 0x32,             // 72, 74 frame clock delay 50 ns twice
        0x00, 0x07, 0x00, 0x00,             // 76 speed code 7, 78 zero
        0x00, 0x83, 0x00, 0x00,             // 80 Q1 address 131, 82 zero
        0x00, 0x00, 0x00, 0x01};            // 84 remote
    block.insert(block.end(), rest.begin(), rest.end());
    ASSERT_EQ(block.size(), 88u);
    EXPECT_EQ(Bytes(sent[0].begin() + 6, sent[0].end()), block);
}

TEST_F(CommissionDataTest, RemoteConnectionMarksTheLastFourBytes)
{
    group.SetCommissionValues(SCommissionValues{});
    group.SetRemoteConnection(true);
    ASSERT_TRUE(group.WriteWithLeadingCommand());
    Sent();
    Reply(CommandAck(1));
    const std::vector<Bytes> sent = Sent();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(Bytes(sent[0].end() - 4, sent[0].end()), (Bytes{0, 0, 0, 1}));
}

TEST_F(CommissionDataTest, AcknowledgementsForOtherItemsAreIgnored)
{
    StartRun(SCommissionValues{});
    // A write reply naming the opening command's pseudo-identifier is no
    // acknowledgement of the command.
    Sent();
    Reply(WriteAck(0xFFFF));
    EXPECT_TRUE(Sent().empty());
    EXPECT_EQ(group.PendingWrites().front(), 0xFFFF);
    Reply(CommandAck(1));
    Sent();
    // 0x9001 is pending: the opening command's acknowledgement again, the
    // closing one, one for 0x9002, another group's and a foreign class.
    Reply(CommandAck(1));
    Reply(CommandAck(0));
    Reply(CommandAck(2));
    Reply(WriteAck(0x9002));
    Reply({0x84, 0x08, 0x06, 0x90, 0x01, 0x00});
    Reply({0x83, kAddress, 0x06, 0x90, 0x01, 0x00});
    Reply({0x84, kAddress, 0x18, 0x90, 0x01, 0x00});
    EXPECT_TRUE(Sent().empty());
    EXPECT_TRUE(Results().empty());
    EXPECT_EQ(group.PendingWrites(), (std::vector<std::uint16_t>{0x9001, 0x9002}));

    // The run goes on with the right one.
    Reply(WriteAck(0x9001));
    ASSERT_EQ(Sent().size(), 1u);
}

TEST_F(CommissionDataTest, EveryKindOfFailureReportsZero)
{
    struct Case {
        const char* name;
        Bytes reply; // empty: a send failure
    };
    const Case cases[] = {
        {"refusal", WriteAck(0x9001, 3)},
        {"negative acknowledgement", {0x84, kAddress, 0xF0}},
        {"negative acknowledgement of another class", {0x86, kAddress, 0xF0, 0x01}},
        {"short write acknowledgement", {0x84, kAddress, 0x06, 0x90, 0x01}},
        {"short command acknowledgement", {0x84, kAddress, 0x13, 0x00}},
        {"send failure", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        listener.received.clear();
        StartRun(SCommissionValues{});
        Reply(CommandAck(1));
        Sent();
        if (c.reply.empty()) {
            PostMessageTo(&group, WM_DEVICE_MESSAGE, 0, 0);
            PumpFor(5);
        } else {
            Reply(c.reply);
        }
        EXPECT_EQ(Results(), std::vector<MsgWParam>{0});
        EXPECT_TRUE(Sent().empty());
        // The run is over: a late acknowledgement sends nothing more.
        Reply(WriteAck(0x9001));
        EXPECT_TRUE(Sent().empty());
        EXPECT_EQ(Results().size(), 1u);
    }
}

TEST_F(CommissionDataTest, ShortOrForeignMessagesAreIgnored)
{
    StartRun(SCommissionValues{});
    Reply({0x84, kAddress});
    Reply({});
    Reply({0x84, 0x04, 0xF0});
    EXPECT_TRUE(Results().empty());
    Reply(CommandAck(1));
    EXPECT_EQ(Sent().size(), 1u);
}

TEST_F(CommissionDataTest, RefusedOpeningCommandEndsTheRun)
{
    StartRun(SCommissionValues{});
    Reply(CommandAck(1, 5));
    EXPECT_EQ(Results(), std::vector<MsgWParam>{0});
    EXPECT_TRUE(Sent().empty());
}

TEST_F(CommissionDataTest, NothingIsSentWithoutAConnection)
{
    handler->Disconnect();
    PumpFor(5);
    Sent();
    group.SetCommissionValues(SCommissionValues{});
    EXPECT_FALSE(group.WriteWithLeadingCommand());
    EXPECT_TRUE(Sent().empty());
    EXPECT_TRUE(Results().empty());
}

TEST_F(CommissionDataTest, ARunAfterAnAbortedOneStaysInsideTheBracket)
{
    // The first run stops (the user aborted) with the user block outstanding:
    // 0x9002 and the closing command are left in the queue.
    StartRun(SCommissionValues{});
    Reply(CommandAck(1));
    Reply(WriteAck(0x9001));
    ASSERT_EQ(Sent().size(), 2u);
    ASSERT_EQ(group.PendingWrites(), (std::vector<std::uint16_t>{0x9002, 0xFFFE}));

    // The next run writes both blocks between its own opening and closing.
    SCommissionValues second;
    second.q1Address = 140;
    StartRun(second);
    EXPECT_EQ(group.PendingWrites(), (std::vector<std::uint16_t>{0xFFFF, 0x9001, 0x9002}));
    std::vector<std::uint16_t> order;
    Reply(CommandAck(1));
    for (std::uint16_t id : {0x9001, 0x9002}) {
        const std::vector<Bytes> sent = Sent();
        ASSERT_EQ(sent.size(), 1u);
        order.push_back(WrittenId(sent[0]));
        Reply(WriteAck(id));
    }
    EXPECT_EQ(order, (std::vector<std::uint16_t>{0x9001, 0x9002}));
    EXPECT_EQ(Sent(), std::vector<Bytes>{Command(0)});
    Reply(CommandAck(0));
    EXPECT_EQ(Results(), std::vector<MsgWParam>{1});
    EXPECT_TRUE(Sent().empty());
}

} // namespace
