#include "data/DataClass.h"
#include "data/ProgressPane.h"
#include "link/AppHandler.h"
#include "link/CommHandler.h"
#include "platform/MainWindow.h"
#include "platform/PostMessage.h"
#include "support/EventLoop.h"
#include "support/MessageRecorder.h"

#include <gtest/gtest.h>

using Bytes = std::vector<std::uint8_t>;

namespace {

constexpr std::uint16_t kA = 0xA001, kB = 0xA002, kC = 0xA003;

class SilentDriver : public CCommDriver {
public:
    std::string GetConnectionString() const override { return {}; }
};

struct ProgressLog {
    int created = 0, alive = 0, range = -1, steps = 0;
};

class RecordingBar : public IProgressBar {
public:
    explicit RecordingBar(ProgressLog& log) : log_(log) { ++log_.created, ++log_.alive; }
    ~RecordingBar() override { --log_.alive; }
    void SetRange(int upper) override { log_.range = upper; }
    void Step() override { ++log_.steps; }
    void SetVisible(bool visible) override { visible_ = visible; }
    bool IsVisible() const override { return visible_; }

private:
    ProgressLog& log_;
    bool visible_ = false;
};

// A group of three two-byte parameters; the value of a write is the
// identifier's low byte repeated `valueSize` times.
class TestGroup : public CDataClass {
public:
    explicit TestGroup(std::uint8_t address = 0x07) : CDataClass(address, {WM_SYSTEM_READ_DONE, WM_SYSTEM_WRITE_DONE})
    {
        const std::uint16_t reads[] = {kA, kB, kC};
        const std::uint16_t writes[] = {kA, kB};
        AddReadIds(reads);
        AddWriteIds(writes);
    }
    std::vector<std::pair<std::uint16_t, Bytes>> stored;
    int valueSize = 1;
    bool acceptStatus = false;

protected:
    bool StoreValue(std::uint16_t id, const Value& value) override
    {
        if (value.length != 2)
            return false;
        stored.emplace_back(id, Bytes(value.message.GetData() + value.offset,
                                      value.message.GetData() + value.offset + value.length));
        return true;
    }
    bool EncodeValue(std::uint16_t id, CDeviceMessage& value) override
    {
        for (int i = 0; i < valueSize; ++i)
            value.AppendByte(static_cast<std::uint8_t>(id));
        return true;
    }
    bool SendPendingWrite(std::uint16_t id) override
    {
        if (id == kLeadingCommand) {
            SendCommand(1);
            return true;
        }
        return CDataClass::SendPendingWrite(id);
    }
    bool AcceptReadStatus(std::uint16_t, int) override { return acceptStatus; }
};

class DataClassTest : public testing::Test {
protected:
    void SetUp() override
    {
        SetMainWindowTarget(&frame);
        CCommHandler::SetDriverFactory([] { return std::make_unique<SilentDriver>(); });
        SetProgressBarFactory([this] { return std::make_unique<RecordingBar>(progress); });
        handler = std::make_unique<CCommHandler>();
        handler->SetSilentConnect(true);
        SetAppCommHandler(handler.get());
        handler->Connect(1, "ADDR=1");
        PostMessageTo(handler.get(), WM_CONNECTION_EVENT, DRIVER_OPEN_QORA, 0);
        PumpFor(5);
        group.AddWindow(&window);
        group.AddWindow(&window);
        group.Register();
    }
    void TearDown() override
    {
        group.Unregister();
        handler.reset();
        SetAppCommHandler(nullptr);
        CCommHandler::SetDriverFactory({});
        SetProgressBarFactory({});
        SetMainWindowTarget(nullptr);
    }

    // The requests the handler holds for the unit, oldest first.
    std::vector<Bytes> Sent()
    {
        std::vector<Bytes> requests;
        while (const std::unique_ptr<CDeviceMessage> m = handler->PopSendQueue())
            requests.emplace_back(m->GetData(), m->GetData() + m->GetLength());
        return requests;
    }
    void Reply(const Bytes& bytes)
    {
        auto m = std::make_unique<CDeviceMessage>();
        m->AppendBytes(bytes.data(), static_cast<std::int32_t>(bytes.size()));
        handler->PushReceiveQueue(std::move(m));
        PostMessageTo(handler.get(), WM_DEVICE_MESSAGE, 1, 1);
        PumpFor(5);
    }
    static Bytes ReadReply(std::uint16_t id, Bytes value, std::uint8_t status = 0, std::uint8_t address = 0x07)
    {
        Bytes reply{0x84, address, 0x18, 0x01, 0x00, static_cast<std::uint8_t>(id >> 8),
                    static_cast<std::uint8_t>(id), static_cast<std::uint8_t>(value.size() + 4), status};
        reply.insert(reply.end(), value.begin(), value.end());
        return reply;
    }
    static Bytes WriteReply(std::uint16_t id, std::uint8_t status = 0)
    {
        return {0x84, 0x07, 0x06, static_cast<std::uint8_t>(id >> 8), static_cast<std::uint8_t>(id), status};
    }
    std::vector<RecordedMessage> Notices(unsigned message) const
    {
        std::vector<RecordedMessage> found;
        for (const auto& m : window.received)
            if (m.message == message)
                found.push_back(m);
        return found;
    }

    MessageRecorder frame, window;
    ProgressLog progress;
    std::unique_ptr<CCommHandler> handler;
    TestGroup group;
};

TEST_F(DataClassTest, ReadAllAsksOneIdentifierAfterAnotherAndReportsOnce)
{
    ASSERT_TRUE(group.ReadAll());
    EXPECT_EQ(Sent(), (std::vector<Bytes>{{0x84, 0x07, 0x17, 0x01, 0x00, 0xA0, 0x01}}));
    Reply(ReadReply(kA, {1, 2}));
    EXPECT_EQ(Sent(), (std::vector<Bytes>{{0x84, 0x07, 0x17, 0x01, 0x00, 0xA0, 0x02}}));
    Reply(ReadReply(kB, {3, 4}));
    EXPECT_EQ(Sent().size(), 1u);
    EXPECT_TRUE(Notices(WM_SYSTEM_READ_DONE).empty());
    Reply(ReadReply(kC, {5, 6}));
    EXPECT_TRUE(Sent().empty());
    PumpFor(5);
    const auto done = Notices(WM_SYSTEM_READ_DONE);
    ASSERT_EQ(done.size(), 1u); // one window, added twice, one notice
    EXPECT_EQ(done[0].wParam, 1u);
    EXPECT_EQ(done[0].lParam, reinterpret_cast<MsgLParam>(&group));
    EXPECT_EQ(group.stored.size(), 3u);
    EXPECT_EQ(group.stored[2].second, (Bytes{5, 6}));
    EXPECT_EQ(group.GetOperationState(), CDataClass::kIdle);
    EXPECT_EQ(progress.range, 3);
    EXPECT_EQ(progress.steps, 3);
    EXPECT_EQ(progress.alive, 0);
}

TEST_F(DataClassTest, MalformedRepliesEndTheReadWithFailure)
{
    const std::vector<Bytes> malformed = {
        [] { auto r = ReadReply(kA, {1, 2}); r.push_back(0); return r; }(), // one byte more than announced
        {0x84, 0x07, 0x18, 0x01},                                            // no length byte at all
        {0x84, 0x07, 0x18, 0x01, 0x00, 0xA0, 0x01, 0x03},                    // announces no status byte
        ReadReply(kA, {1, 2, 3}),                                            // value of the wrong size
        {0x84, 0x07, 0xF0},                                                  // negative acknowledgement
        ReadReply(kA, {1, 2}, 1),                                            // refused by status
    };
    for (const Bytes& reply : malformed) {
        window.received.clear();
        ASSERT_TRUE(group.ReadAll());
        Sent();
        Reply(reply);
        PumpFor(5);
        const auto done = Notices(WM_SYSTEM_READ_DONE);
        ASSERT_EQ(done.size(), 1u);
        EXPECT_EQ(done[0].wParam, 0u);
        EXPECT_TRUE(group.PendingReads().empty());
        EXPECT_EQ(group.GetOperationState(), CDataClass::kIdle);
        EXPECT_TRUE(Sent().empty());
        EXPECT_EQ(progress.alive, 0);
    }
}

TEST_F(DataClassTest, RepliesNotForTheOutstandingRequestAreIgnored)
{
    ASSERT_TRUE(group.ReadAll());
    Sent();
    Reply(ReadReply(kB, {1, 2}));                // another identifier
    Reply(ReadReply(kA, {1, 2}, 0, 0x09));       // another group's addressing byte
    Reply({0x83, 0x07, 0x26, 1, 2, 3});          // another class
    Reply({0x84, 0x07});                         // too short to carry a header
    EXPECT_TRUE(Sent().empty());
    EXPECT_EQ(group.GetOperationState(), CDataClass::kReading);
    EXPECT_TRUE(group.ReadAll());               // a read runs: accepted, nothing sent
    EXPECT_TRUE(Sent().empty());
    EXPECT_FALSE(group.Write());                // no write during a read
    Reply(ReadReply(kA, {1, 2}));
    EXPECT_EQ(Sent().size(), 1u);
    EXPECT_EQ(group.PendingReads().front(), kB);
}

TEST_F(DataClassTest, StatusAcceptedByTheGroupCountsAsRead)
{
    group.acceptStatus = true;
    const std::uint16_t ids[] = {kA};
    ASSERT_TRUE(group.ReadIds(ids));
    Sent();
    Reply(ReadReply(kA, {}, 3));
    PumpFor(5);
    ASSERT_EQ(Notices(WM_SYSTEM_READ_DONE).size(), 1u);
    EXPECT_EQ(Notices(WM_SYSTEM_READ_DONE)[0].wParam, 1u);
}

TEST_F(DataClassTest, WritesGoOutOneByOneAndOnlyAnswersForTheFirstCount)
{
    group.AddPendingWrite(kB);
    group.AddPendingWrite(kB);
    group.AddPendingWrite(kC);
    ASSERT_TRUE(group.WriteWithLeadingCommand());
    EXPECT_EQ(Sent(), (std::vector<Bytes>{{0x84, 0x07, 0x12, 0x00, 0x01}}));
    EXPECT_FALSE(group.Read()); // no read during a write
    EXPECT_TRUE(group.Write()); // already writing
    EXPECT_TRUE(Sent().empty());

    // The framework's own parser knows write replies only; the leading
    // command here is answered as a write of its pseudo-identifier.
    Reply(WriteReply(CDataClass::kLeadingCommand));
    EXPECT_EQ(Sent(), (std::vector<Bytes>{{0x84, 0x07, 0x05, 0xA0, 0x02, 0x01, 0x02}}));
    Reply(WriteReply(kC)); // not the outstanding one
    EXPECT_TRUE(Sent().empty());
    Reply(WriteReply(kB));
    EXPECT_EQ(Sent(), (std::vector<Bytes>{{0x84, 0x07, 0x05, 0xA0, 0x03, 0x01, 0x03}}));
    Reply(WriteReply(kC));
    EXPECT_TRUE(Sent().empty());
    PumpFor(5);
    ASSERT_EQ(Notices(WM_SYSTEM_WRITE_DONE).size(), 1u);
    EXPECT_EQ(Notices(WM_SYSTEM_WRITE_DONE)[0].wParam, 1u);

    ASSERT_TRUE(group.WriteAll());
    Sent();
    Reply(WriteReply(kA, 2)); // refused by status
    PumpFor(5);
    EXPECT_EQ(Notices(WM_SYSTEM_WRITE_DONE).back().wParam, 0u);
    EXPECT_TRUE(group.PendingWrites().empty());
}

TEST_F(DataClassTest, AValueTooLongForItsLengthByteFailsTheWrite)
{
    group.valueSize = 256;
    ASSERT_TRUE(group.WriteAll());
    EXPECT_TRUE(Sent().empty());
    PumpFor(5);
    ASSERT_EQ(Notices(WM_SYSTEM_WRITE_DONE).size(), 1u);
    EXPECT_EQ(Notices(WM_SYSTEM_WRITE_DONE)[0].wParam, 0u);
}

TEST_F(DataClassTest, AnUndeliveredRequestAbortsEveryRunningOperation)
{
    TestGroup other(0x08);
    MessageRecorder otherWindow;
    other.AddWindow(&otherWindow);
    other.Register();
    ASSERT_TRUE(group.ReadAll());
    ASSERT_TRUE(other.WriteAll());
    Sent();
    PostMessageTo(handler.get(), WM_DEVICE_MESSAGE, 0, 0x861234); // whoever sent it
    PumpFor(10);
    EXPECT_EQ(group.GetOperationState(), CDataClass::kIdle);
    EXPECT_EQ(other.GetOperationState(), CDataClass::kIdle);
    ASSERT_EQ(Notices(WM_SYSTEM_READ_DONE).size(), 1u);
    EXPECT_EQ(Notices(WM_SYSTEM_READ_DONE)[0].wParam, 0u);
    ASSERT_EQ(otherWindow.received.size(), 1u);
    EXPECT_EQ(otherWindow.received[0].message, WM_SYSTEM_WRITE_DONE);
    EXPECT_EQ(otherWindow.received[0].wParam, 0u);
    other.Unregister();
}

TEST_F(DataClassTest, NoNoticeReachesADestroyedWindow)
{
    auto* doomed = new MessageRecorder;
    group.AddWindow(doomed);
    delete doomed;
    ASSERT_TRUE(group.ReadIds({}));
    PumpFor(5);
    EXPECT_EQ(Notices(WM_SYSTEM_READ_DONE).size(), 1u); // the living window still hears it
}

TEST_F(DataClassTest, NothingIsSentWithoutAConnection)
{
    handler->Disconnect();
    EXPECT_FALSE(group.ReadAll());
    EXPECT_FALSE(group.WriteAll());
    EXPECT_TRUE(Sent().empty());
    EXPECT_FALSE(group.IsConnected());
    SetAppCommHandler(nullptr);
    EXPECT_FALSE(group.ReadAll());
}

TEST_F(DataClassTest, AReadRunningKeepsItsListWhenAskedForOthers)
{
    ASSERT_TRUE(group.ReadAll());
    Sent();
    const std::uint16_t others[] = {kC};
    EXPECT_TRUE(group.ReadIds(others));
    Reply(ReadReply(kA, {1, 2})); // the outstanding reply still counts
    EXPECT_EQ(group.PendingReads(), (std::vector<std::uint16_t>{kB, kC}));
}

} // namespace
