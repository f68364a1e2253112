// The whole link over real TCP: handler -> driver -> TCP link -> simulated unit.

#include "link/CommHandler.h"
#include "link/RksDriver.h"
#include "platform/MainWindow.h"
#include "rks/RksComponents.h"
#include "support/EventLoop.h"
#include "support/MessageRecorder.h"
#include "support/SimProcess.h"

#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using Bytes = std::vector<std::uint8_t>;

namespace {

const char kLocal[] = "WP=SOCKET,HOST=192.168.255.120,PORT=7000,WP=NEQ1,ADDR=131";

std::unique_ptr<CDeviceMessage> ReadRequest(std::uint8_t address, std::uint16_t id)
{
    auto m = std::make_unique<CDeviceMessage>();
    for (std::uint8_t b : {std::uint8_t{0x84}, address, std::uint8_t{0x17}, std::uint8_t{0x01}, std::uint8_t{0x00}})
        m->AppendByte(b);
    m->AppendUInt16(id);
    return m;
}

void AppendField(Bytes& out, const std::string& text, std::size_t width)
{
    Bytes field(width, 0);
    std::copy_n(text.begin(), std::min(width, text.size()), field.begin());
    out.insert(out.end(), field.begin(), field.end());
}

// The version block of the simulated unit's factory state, laid out field by field.
Bytes ExpectedVersionReply()
{
    Bytes reply{0x84, 0x09, 0x18, 0x01, 0x00, 0x90, 0x04, 4 + 164, 0x00};
    AppendField(reply, "QORA-2 R1A", 16);
    AppendField(reply, "HW2 R3B", 12);
    AppendField(reply, "QSIM131", 16);
    // Each bank's versions name its firmware: QOR0300.bin active, QOR0290.bin inactive.
    for (const char* text :
         {"FPGA QOR0300", "FPGA QOR0290", "GPS QOR0300", "GPS QOR0290", "QOR0300.bin", "QOR0290.bin"})
        AppendField(reply, text, 20);
    return reply;
}

class LinkEndToEnd : public testing::Test {
protected:
    void SetUp() override
    {
        RegisterRksComponents();
        SetMainWindowTarget(&frame);
    }
    void TearDown() override
    {
        handler.reset();
        SetMainWindowTarget(nullptr);
        qunsetenv("QORA_RKS_GATEWAY");
    }
    void Start(QStringList simArguments = {})
    {
        sim = std::make_unique<SimProcess>(simArguments);
        ASSERT_TRUE(sim->Running());
        qputenv("QORA_RKS_GATEWAY", QStringLiteral("127.0.0.1:%1").arg(sim->Port()).toLatin1());
        handler = std::make_unique<CCommHandler>();
        handler->SetSilentConnect(true);
        handler->AddListener(&listener);
    }
    bool Connect(const std::string& connection, ConnectionNotice notice = NOTICE_CONNECTED)
    {
        handler->Connect(ConnectionRoute::Direct, connection);
        return PumpUntil([&] { return frame.HasNotice(notice); }, 10000);
    }
    bool WaitReplies(std::size_t count, int ms = 10000)
    {
        return PumpUntil([&] { return listener.DeviceMessages().size() >= count; }, ms);
    }

    MessageRecorder frame, listener;
    std::unique_ptr<SimProcess> sim;
    std::unique_ptr<CCommHandler> handler;
};

TEST_F(LinkEndToEnd, IdentifiesAndReadsTheVersionBlockExactly)
{
    Start();
    ASSERT_TRUE(Connect(kLocal));
    EXPECT_EQ(dynamic_cast<CRksDriver*>(handler->GetDriver())->GetIdentity(), "QORHW2");
    SendToHandler(handler.get(), ReadRequest(9, 0x9004));
    ASSERT_TRUE(WaitReplies(1));
    const auto reply = listener.DeviceMessages()[0];
    EXPECT_EQ(reply.wParam, 1u);
    EXPECT_EQ(reply.bytes, ExpectedVersionReply());
    EXPECT_EQ(reply.bytes.size(), reply.bytes[7] + 5u);

    // Something the unit does not know is refused, and the link goes on.
    SendToHandler(handler.get(), ReadRequest(4, 0x1234));
    ASSERT_TRUE(WaitReplies(2));
    EXPECT_EQ(listener.DeviceMessages()[1].bytes, (Bytes{0x84, 0x04, 0xF0}));
}

TEST_F(LinkEndToEnd, OtherIdentityAndMissingUnits)
{
    Start({QStringLiteral("--identity"), QStringLiteral("QORHW1")});
    ASSERT_TRUE(Connect(kLocal, NOTICE_CONNECTED_OTHER_UNIT));
    handler->Disconnect();
    frame.received.clear();
    ASSERT_TRUE(Connect("WP=SOCKET,HOST=192.168.255.120,PORT=7000,WP=NEQ1,ADDR=999", NOTICE_CONNECT_FAILED));
    EXPECT_EQ(handler->GetState(), STATE_DISCONNECTED);
}

TEST_F(LinkEndToEnd, NothingListeningFailsTheConnection)
{
    Start();
    sim->Kill();
    QElapsedTimer clock;
    clock.start();
    ASSERT_TRUE(Connect(kLocal, NOTICE_CONNECT_FAILED));
    EXPECT_LT(clock.elapsed(), 6000);
}

TEST_F(LinkEndToEnd, AnUnansweredRequestFailsWithinTheTimeoutAndTheNextOneWorks)
{
    Start({QStringLiteral("--drop-every"), QStringLiteral("3")}); // probe, read, (dropped), read
    ASSERT_TRUE(Connect(std::string(kLocal) + ",TMO=300"));
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < 3; ++i)
        SendToHandler(handler.get(), ReadRequest(9, 0x9004));
    ASSERT_TRUE(WaitReplies(3));
    const auto replies = listener.DeviceMessages();
    EXPECT_EQ(replies[0].wParam, 1u);
    EXPECT_EQ(replies[1].wParam, 0u);
    EXPECT_EQ(replies[1].lParam, 0x840917);
    EXPECT_EQ(replies[2].wParam, 1u);
    EXPECT_EQ(replies[2].bytes, ExpectedVersionReply());
    EXPECT_LT(clock.elapsed(), 3000);
    EXPECT_EQ(handler->GetState(), STATE_CONNECTED);
}

TEST_F(LinkEndToEnd, AKilledUnitFailsEveryRequestWithoutHanging)
{
    Start();
    ASSERT_TRUE(Connect(kLocal + std::string(",TMO=500")));
    sim->Kill();
    for (int i = 0; i < 3; ++i)
        SendToHandler(handler.get(), ReadRequest(9, 0x9004));
    ASSERT_TRUE(WaitReplies(3));
    for (const auto& reply : listener.DeviceMessages())
        EXPECT_EQ(reply.wParam, 0u);
    QElapsedTimer clock;
    clock.start();
    handler->Disconnect();
    EXPECT_LT(clock.elapsed(), 2000);
}

TEST_F(LinkEndToEnd, TraceRecordsWhatTheUnitReceivedAndAnswered)
{
    QTemporaryDir dir;
    const QString tracePath = dir.filePath(QStringLiteral("trace.jsonl"));
    Start({QStringLiteral("--trace"), tracePath});
    ASSERT_TRUE(Connect(kLocal));
    SendToHandler(handler.get(), ReadRequest(9, 0x9004));
    ASSERT_TRUE(WaitReplies(1));
    handler->Disconnect();

    QFile file(tracePath);
    ASSERT_TRUE(PumpUntil([&] { return file.exists() && file.size() > 0; }));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    std::vector<QJsonObject> lines;
    for (const QByteArray& line : file.readAll().split('\n'))
        if (!line.trimmed().isEmpty())
            lines.push_back(QJsonDocument::fromJson(line).object());
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0]["kind"].toString(), QStringLiteral("open"));
    EXPECT_EQ(lines[0]["conn"].toString(), QString::fromLatin1(kLocal));
    EXPECT_EQ(lines[0]["result"].toInt(), 0);

    EXPECT_EQ(lines[1]["kind"].toString(), QStringLiteral("transfer"));
    EXPECT_EQ(lines[1]["route"].toString(), QStringLiteral("wp=opt,pr=q1dl"));
    EXPECT_EQ(lines[1]["req"].toString(), QStringLiteral("03"));
    EXPECT_EQ(lines[1]["rep"].toString(), QStringLiteral("514f5248573200"));

    EXPECT_TRUE(lines[2]["route"].isNull());
    EXPECT_EQ(lines[2]["req"].toString(), QStringLiteral("535401009004"));
    EXPECT_EQ(lines[2]["result"].toInt(), 0);
    EXPECT_TRUE(lines[2]["rep"].toString().startsWith(QStringLiteral("54570100900" "4a800")));
}

} // namespace
