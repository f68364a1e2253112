#include "FakeRksServer.h"
#include "link/ComponentFactory.h"
#include "rks/RksComponents.h"
#include "rks/RksTcpLink.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include <QLoggingCategory>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using CPeer = CFakeRksServer::CPeer;

namespace {
const std::optional<std::string> kNullRoute;
const Bytes kRequest{0x53, 0x54, 0x01, 0x00, 0x90, 0x01};

// Answers the OPEN with result 0, then goes on with `then`.
std::function<void(CPeer&)> AfterOpen(std::function<void(CPeer&)> then)
{
    return [then](CPeer& peer) {
        peer.Reply(peer.ReadFrame(), 0);
        then(peer);
    };
}

std::chrono::milliseconds Since(Clock::time_point start)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
}
} // namespace

TEST(RksTcpLink, SpeaksTheContractFrameByFrame)
{
    std::vector<Bytes> frames;
    CFakeRksServer server([&](CPeer& peer) {
        for (Bytes frame = peer.ReadFrame(); !frame.empty(); frame = peer.ReadFrame()) {
            frames.push_back(frame);
            if (frame[4] == 0x01)
                peer.Reply(frame, 0, {0xEE});
            else if (frame[4] == 0x02)
                peer.Reply(frame, 0, frame[7] ? ToBytes("QORHW2") : Bytes{0x54, 0x57});
        }
    });
    const std::string connection = server.Connection(",WP=NEQ1,ADDR=131");
    RegisterRksComponents();
    {
        auto link = ComponentFactory<IRksLink>::Create(CLSID_RksLink);
        ASSERT_TRUE(link);
        ASSERT_TRUE(link->Open(" " + connection + "\t"));
        Bytes reply{1, 2, 3};
        ASSERT_TRUE(link->Transfer(kNullRoute, kRequest, reply));
        EXPECT_EQ(reply, (Bytes{0x54, 0x57}));
        ASSERT_TRUE(link->Transfer(std::string("wp=opt,pr=q1dl"), Bytes{0x03}, reply));
        EXPECT_EQ(reply, ToBytes("QORHW2"));
        link->Close();
    }
    server.Join();

    ASSERT_EQ(frames.size(), 4u);
    Bytes open{0, 0, 0, static_cast<std::uint8_t>(3 + connection.size()), 0x01, 0, 1};
    open.insert(open.end(), connection.begin(), connection.end());
    EXPECT_EQ(frames[0], open);
    EXPECT_EQ(frames[1], (Bytes{0, 0, 0, 10, 0x02, 0, 2, 0, 0x53, 0x54, 0x01, 0x00, 0x90, 0x01}));
    Bytes probe{0, 0, 0, 19, 0x02, 0, 3, 14};
    probe.insert(probe.end(), {'w', 'p', '=', 'o', 'p', 't', ',', 'p', 'r', '=', 'q', '1', 'd', 'l', 0x03});
    EXPECT_EQ(frames[2], probe);
    EXPECT_EQ(frames[3], (Bytes{0, 0, 0, 3, 0x03, 0, 4}));
}

TEST(RksTcpLink, OpenFailsUnlessTheFarEndAccepts)
{
    CFakeRksServer refusing([](CPeer& peer) { peer.Reply(peer.ReadFrame(), 1); });
    CRksTcpLink link;
    EXPECT_FALSE(link.Open(refusing.Connection()));

    std::uint16_t closedPort = 0;
    {
        CFakeRksServer gone([](CPeer&) {});
        closedPort = gone.Port();
    }
    const auto start = Clock::now();
    EXPECT_FALSE(link.Open("HOST=127.0.0.1,PORT=" + std::to_string(closedPort)));
    EXPECT_LT(Since(start), 1s);
    EXPECT_FALSE(link.Open("ADDR=131"));

    Bytes reply;
    EXPECT_FALSE(link.Transfer(kNullRoute, kRequest, reply));
}

TEST(RksTcpLink, ConnectGivesUpAtItsTimeout)
{
    // A listener whose queue is full lets new connection attempts hang.
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    const int listener = socket(AF_INET, SOCK_STREAM, 0);
    const int filler = socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), size), 0);
    listen(listener, 0);
    getsockname(listener, reinterpret_cast<sockaddr*>(&address), &size);
    ASSERT_EQ(connect(filler, reinterpret_cast<sockaddr*>(&address), size), 0);

    CRksTcpLink link(300ms);
    const auto start = Clock::now();
    EXPECT_FALSE(link.Open("HOST=127.0.0.1,PORT=" + std::to_string(ntohs(address.sin_port))));
    EXPECT_GE(Since(start), 290ms);
    EXPECT_LT(Since(start), 1s);
    close(filler);
    close(listener);
}

TEST(RksTcpLink, FailedReplyKeepsTheConnection)
{
    CFakeRksServer server(AfterOpen([](CPeer& peer) {
        peer.Reply(peer.ReadFrame(), 2, {0x01});
        peer.Reply(peer.ReadFrame(), 0, {0x54});
    }));
    CRksTcpLink link;
    ASSERT_TRUE(link.Open(server.Connection()));
    Bytes reply{9};
    EXPECT_FALSE(link.Transfer(kNullRoute, kRequest, reply));
    EXPECT_TRUE(reply.empty());
    EXPECT_TRUE(link.Transfer(kNullRoute, kRequest, reply));
    EXPECT_EQ(reply, Bytes{0x54});
}

TEST(RksTcpLink, LateAndStrayRepliesArePassedOver)
{
    CFakeRksServer server(AfterOpen([](CPeer& peer) {
        Bytes given_up = peer.ReadFrame(); // never answered in time
        const Bytes request = peer.ReadFrame();
        peer.Reply(given_up, 0, {0xA2});
        Bytes other_kind = request;
        other_kind[4] = 0x01;
        peer.Reply(other_kind, 0, {0xA1});
        peer.Reply(request, 0, {0xA3});
    }));
    CRksTcpLink link;
    ASSERT_TRUE(link.Open(server.Connection(",TMO=200")));
    Bytes reply;
    const auto start = Clock::now();
    EXPECT_FALSE(link.Transfer(kNullRoute, kRequest, reply));
    EXPECT_GE(Since(start), 190ms);
    EXPECT_LT(Since(start), 600ms);
    EXPECT_TRUE(link.Transfer(kNullRoute, kRequest, reply));
    EXPECT_EQ(reply, Bytes{0xA3});
}

TEST(RksTcpLink, BrokenStreamFailsAtOnce)
{
    // The far end closing, lengths out of range, a body too short to be a reply.
    for (const Bytes& bad : {Bytes{}, Bytes{0, 1, 0, 1, 0x82}, Bytes{0, 0, 0, 0}, Bytes{0, 0, 0, 2, 0x82, 0}}) {
        auto server = std::make_unique<CFakeRksServer>(AfterOpen([&](CPeer& peer) {
            peer.ReadFrame();
            if (!bad.empty()) {
                peer.Write(bad);
                peer.ReadFrame(); // until the link hangs up
            }
        }));
        CRksTcpLink link;
        ASSERT_TRUE(link.Open(server->Connection(",TMO=3000")));
        Bytes reply;
        const auto start = Clock::now();
        EXPECT_FALSE(link.Transfer(kNullRoute, kRequest, reply));
        // With the far end gone for good, the attempt to open again fails as fast.
        server.reset();
        EXPECT_FALSE(link.Transfer(kNullRoute, kRequest, reply));
        EXPECT_LT(Since(start), 1s) << bad.size();
        link.Close();
    }
}

TEST(RksTcpLink, NextTransferOpensTheConnectionAgainAfterABreak)
{
    std::atomic<int> connection{0};
    std::vector<Bytes> secondConnection;
    CFakeRksServer server(
        [&](CPeer& peer) {
            if (++connection == 1) {
                peer.Reply(peer.ReadFrame(), 0);
                peer.Reply(peer.ReadFrame(), 0, {0xA1});
                peer.ReadFrame(); // the second request is left unanswered: the line breaks
                return;
            }
            for (Bytes frame = peer.ReadFrame(); !frame.empty(); frame = peer.ReadFrame()) {
                secondConnection.push_back(frame);
                if (frame[4] != 0x03)
                    peer.Reply(frame, 0, {0xA3});
            }
        },
        2);
    const std::string connection_string = server.Connection(",ADDR=131");
    CRksTcpLink link;
    ASSERT_TRUE(link.Open("  " + connection_string));
    Bytes reply;
    ASSERT_TRUE(link.Transfer(kNullRoute, kRequest, reply));
    EXPECT_EQ(reply, Bytes{0xA1});
    EXPECT_FALSE(link.Transfer(kNullRoute, kRequest, reply)) << "a request that met the break is not sent again";
    ASSERT_TRUE(link.Transfer(kNullRoute, kRequest, reply));
    EXPECT_EQ(reply, Bytes{0xA3});
    link.Close();
    EXPECT_FALSE(link.Transfer(kNullRoute, kRequest, reply)) << "after Close nothing opens by itself";
    server.Join();

    // The new connection opened with the same (trimmed) string, numbering from 1 again.
    ASSERT_EQ(secondConnection.size(), 3u); // OPEN, TRANSFER, CLOSE
    EXPECT_EQ(secondConnection[0][4], 0x01);
    EXPECT_EQ(Bytes(secondConnection[0].begin() + 7, secondConnection[0].end()), ToBytes(connection_string));
    EXPECT_EQ(secondConnection[1][4], 0x02);
    EXPECT_EQ(secondConnection[1][6], 0x02);
    EXPECT_EQ(secondConnection[2][4], 0x03);
}

TEST(RksTcpLink, InterruptFromAnotherThreadEndsTheWaitSoon)
{
    for (bool whileOpening : {true, false}) {
        CFakeRksServer server([&](CPeer& peer) {
            if (!whileOpening)
                peer.Reply(peer.ReadFrame(), 0);
            peer.ReadFrame();
            peer.ReadFrame();
        });
        CRksTcpLink link;
        ASSERT_TRUE(whileOpening || link.Open(server.Connection()));
        std::thread other([&] {
            std::this_thread::sleep_for(100ms);
            link.Interrupt();
        });
        Bytes reply;
        const auto start = Clock::now();
        EXPECT_FALSE(whileOpening ? link.Open(server.Connection()) : link.Transfer(kNullRoute, kRequest, reply));
        EXPECT_LT(Since(start), 400ms);
        other.join();
        EXPECT_FALSE(link.Transfer(kNullRoute, kRequest, reply));
        EXPECT_FALSE(link.Open(server.Connection()));
    }
}

TEST(RksTcpLink, RequestsThatDoNotFitAreNotSent)
{
    Bytes sent;
    CFakeRksServer server(AfterOpen([&](CPeer& peer) {
        sent = peer.ReadFrame();
        peer.Reply(sent, 0, Bytes(65532, 0x5A));
        peer.ReadFrame();
    }));
    CRksTcpLink link;
    ASSERT_TRUE(link.Open(server.Connection()));
    Bytes reply;
    EXPECT_FALSE(link.Transfer(std::string(256, 'r'), Bytes{0x03}, reply));
    EXPECT_FALSE(link.Transfer(kNullRoute, Bytes(65533), reply));
    ASSERT_TRUE(link.Transfer(std::string(255, 'r'), Bytes(65536 - 4 - 255, 0x11), reply));
    EXPECT_EQ(reply, Bytes(65532, 0x5A));
    link.Close();
    server.Join();
    ASSERT_EQ(sent.size(), 4u + 65536u);
    EXPECT_EQ((Bytes(sent.begin(), sent.begin() + 8)), (Bytes{0, 1, 0, 0, 0x02, 0, 2, 255}));
}

TEST(RksTcpLink, GatewayFromTheEnvironmentTakesTheConnection)
{
    Bytes open;
    CFakeRksServer gateway([&](CPeer& peer) {
        open = peer.ReadFrame();
        peer.Reply(open, 0);
        peer.ReadFrame();
    });
    const std::string connection = "HOST=127.0.0.1,PORT=1,ADDR=131";
    setenv("QORA_RKS_GATEWAY", gateway.Address().c_str(), 1);
    CRksTcpLink link;
    const bool opened = link.Open(connection);
    unsetenv("QORA_RKS_GATEWAY");
    EXPECT_TRUE(opened);
    link.Close();
    gateway.Join();
    ASSERT_GT(open.size(), 7u);
    EXPECT_EQ(std::string(open.begin() + 7, open.end()), connection);
}

TEST(RksTcpLink, AFailedOpenSaysWhy)
{
    using Kind = SLinkFailure::Kind;
    CRksTcpLink link;
    EXPECT_FALSE(link.Open("HOST=127.0.0.1,PORT=7000,TMO=soon"));
    EXPECT_EQ(link.LastFailure().kind, Kind::ConnectionString);
    EXPECT_EQ(link.LastFailure().text, "malformed connection string: TMO=soon is not a time in milliseconds of at "
                                       "least 1");

    EXPECT_FALSE(link.Open("WP=NEQ1,ADDR=131"));
    EXPECT_EQ(link.LastFailure().kind, Kind::NoEndpoint);
    EXPECT_EQ(link.LastFailure().text.rfind("no gateway setting: neither QORA_RKS_GATEWAY", 0), 0u);

    setenv("QORA_RKS_GATEWAY", "gateway-without-port", 1);
    EXPECT_FALSE(link.Open("HOST=127.0.0.1,PORT=7000"));
    unsetenv("QORA_RKS_GATEWAY");
    EXPECT_EQ(link.LastFailure().kind, Kind::GatewaySetting);
    EXPECT_NE(link.LastFailure().text.find("\"gateway-without-port\""), std::string::npos);

    std::uint16_t closedPort = 0;
    {
        CFakeRksServer gone([](CPeer&) {});
        closedPort = gone.Port();
    }
    EXPECT_FALSE(link.Open("HOST=127.0.0.1,PORT=" + std::to_string(closedPort)));
    EXPECT_EQ(link.LastFailure().kind, Kind::Unreachable);
    EXPECT_EQ(link.LastFailure().text, "127.0.0.1:" + std::to_string(closedPort) + " not reachable: connection refused");

    CFakeRksServer refusing([](CPeer& peer) { peer.Reply(peer.ReadFrame(), 1); });
    EXPECT_FALSE(link.Open(refusing.Connection()));
    EXPECT_EQ(link.LastFailure().kind, Kind::Refused);
    EXPECT_EQ(link.LastFailure().result, 1);
    EXPECT_EQ(link.LastFailure().text,
              "the unit was refused: " + refusing.Address() + " answered result 1 (no such unit)");
}

// A unit that goes down on a request (a reset) answers nothing or makes the
// gateway answer result 2; a refusal is another matter.
TEST(RksTcpLink, AFailedTransferTellsNoAnswerFromARefusal)
{
    using Kind = SLinkFailure::Kind;
    CFakeRksServer server(AfterOpen([](CPeer& peer) {
        peer.Reply(peer.ReadFrame(), 2);
        peer.Reply(peer.ReadFrame(), 3);
        peer.Reply(peer.ReadFrame(), 0, {0x54});
        peer.ReadFrame(); // and no reply
        peer.ReadFrame(); // then the connection closes
    }));
    CRksTcpLink link;
    ASSERT_TRUE(link.Open(server.Connection(",TMO=200")));
    Bytes reply;
    EXPECT_FALSE(link.Transfer(kNullRoute, kRequest, reply));
    SLinkFailure failure = link.LastFailure();
    EXPECT_EQ(failure.kind, Kind::NoAnswer);
    EXPECT_EQ(failure.result, 2);
    EXPECT_TRUE(failure.Unanswered());
    EXPECT_EQ(failure.text, server.Address() + " answered result 2 (unit did not answer)");

    EXPECT_FALSE(link.Transfer(kNullRoute, kRequest, reply));
    EXPECT_EQ(link.LastFailure().kind, Kind::Refused);
    EXPECT_FALSE(link.LastFailure().Unanswered());
    EXPECT_EQ(link.LastFailure().text, server.Address() + " answered result 3 (malformed request)");

    EXPECT_TRUE(link.Transfer(kNullRoute, kRequest, reply));
    EXPECT_EQ(link.LastFailure().kind, Kind::None);

    EXPECT_FALSE(link.Transfer(kNullRoute, kRequest, reply));
    EXPECT_EQ(link.LastFailure().kind, Kind::NoAnswer);
    EXPECT_EQ(link.LastFailure().text, "no reply within 200 ms");

    EXPECT_FALSE(link.Transfer(kNullRoute, kRequest, reply));
    EXPECT_EQ(link.LastFailure().kind, Kind::Broken);
    EXPECT_TRUE(link.LastFailure().Unanswered());
}

namespace {
// Collects what the link logs while it lives, with the link's category on.
class CLinkLog {
public:
    CLinkLog()
    {
        lines().clear();
        QLoggingCategory::setFilterRules(QStringLiteral("qora.rks.warning=true"));
        previous_ = qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString& text) {
            lines().push_back(text.toStdString());
        });
    }
    ~CLinkLog()
    {
        qInstallMessageHandler(previous_);
        QLoggingCategory::setFilterRules(QString());
    }
    CLinkLog(const CLinkLog&) = delete;
    CLinkLog& operator=(const CLinkLog&) = delete;
    static std::vector<std::string>& lines()
    {
        static std::vector<std::string> collected;
        return collected;
    }

private:
    QtMessageHandler previous_;
};
} // namespace

// A failed transfer is logged by its request's first bytes and the endpoint it
// went to, whether it failed before it went out, on its reply, on a broken
// connection, or after the connection was made again.
TEST(RksTcpLink, AFailedTransferIsLoggedWithItsRequest)
{
    CLinkLog log;
    std::atomic<int> connection{0};
    CFakeRksServer server(
        [&](CPeer& peer) {
            peer.Reply(peer.ReadFrame(), 0);
            if (++connection == 1) {
                peer.Reply(peer.ReadFrame(), 2);
                peer.Reply(peer.ReadFrame(), 3);
                peer.ReadFrame();
                return; // the connection breaks before the reply
            }
            peer.Reply(peer.ReadFrame(), 1);
            peer.ReadFrame();
        },
        2);
    Bytes reply;
    CRksTcpLink link;
    EXPECT_FALSE(link.Transfer(kNullRoute, kRequest, reply));
    ASSERT_TRUE(link.Open(server.Connection()));
    EXPECT_FALSE(link.Transfer(kNullRoute, kRequest, reply));
    Bytes block(600);
    for (std::size_t i = 0; i < block.size(); ++i)
        block[i] = static_cast<std::uint8_t>(i);
    EXPECT_FALSE(link.Transfer(std::string("wp=opt,pr=q1ad"), block, reply));
    EXPECT_FALSE(link.Transfer(kNullRoute, Bytes{0x03}, reply));
    EXPECT_FALSE(link.Transfer(kNullRoute, Bytes{0x04}, reply));
    link.Close();
    server.Join();

    const std::string at = server.Address();
    ASSERT_EQ(CLinkLog::lines().size(), 5u);
    EXPECT_EQ(CLinkLog::lines()[0], "request 53 54 01 00 90 01 to the unit: the link is not open");
    EXPECT_EQ(CLinkLog::lines()[1],
              "request 53 54 01 00 90 01 to " + at + ": " + at + " answered result 2 (unit did not answer)");
    EXPECT_EQ(CLinkLog::lines()[2], "request 00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F ... (600 bytes) to " +
                                        at + ": " + at + " answered result 3 (malformed request)");
    EXPECT_EQ(CLinkLog::lines()[3], "request 03 to " + at + ": the connection was closed before the reply came");
    EXPECT_EQ(CLinkLog::lines()[4], "request 04 to " + at + ": " + at + " answered result 1 (no such unit)");
}
