// The built program, over real sockets: the first line, the link contract,
// clients that misbehave, the faults, exit statuses and signals.

#include "sim/SimProcess.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <chrono>
#include <csignal>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

using namespace simtest;

TEST(SimProcess, SpeaksTheLinkOverTcp)
{
    QTemporaryDir dir;
    const QString trace = dir.filePath(QStringLiteral("trace.jsonl"));
    CSimProcess sim({QStringLiteral("--trace"), trace});
    ASSERT_NE(sim.Port(), 0) << sim.FirstLine().toStdString();

    CLinkClient client;
    ASSERT_TRUE(client.Connect(sim.Port()));
    Reply r = client.Exchange(OpenBody(1));
    EXPECT_EQ(r.kind, 0x81);
    EXPECT_EQ(r.seq, 1);
    EXPECT_EQ(r.result, 0);

    r = client.Exchange(TransferBody(2, {0x03}, "wp=opt,pr=q1dl"));
    EXPECT_EQ(r.result, 0);
    EXPECT_EQ(r.bytes, (Bytes{'Q', 'O', 'R', 'H', 'W', '2', 0}));

    r = client.Exchange(TransferBody(3, kReadVersion));
    EXPECT_EQ(r.kind, 0x82);
    EXPECT_EQ(r.seq, 3);
    ASSERT_EQ(r.bytes.size(), 172u);
    EXPECT_EQ(Bytes(r.bytes.begin(), r.bytes.begin() + 8), (Bytes{0x54, 0x57, 0x01, 0x00, 0x90, 0x04, 168, 0}));

    // Malformed requests get result 3 and the connection carries on.
    r = client.Exchange({0x05, 0x00, 0x04});
    EXPECT_EQ(r.kind, 0x85);
    EXPECT_EQ(r.result, 3);
    r = client.Exchange({0x02, 0x00, 0x05, 0x20, 'w'});
    EXPECT_EQ(r.result, 3);
    EXPECT_EQ(client.Exchange(TransferBody(6, kReadVersion)).result, 0);

    // CLOSE: no reply, the gateway hangs up.
    client.Send({0x03, 0x00, 0x07});
    EXPECT_TRUE(client.WaitClosed());

    QFile file(trace);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll().count('\n'), 5) << "OPEN, three TRANSFERs, one malformed TRANSFER; not the unknown kind";
    EXPECT_EQ(sim.Terminate(), 0);
}

TEST(SimProcess, UnknownUnitAndIdentityOption)
{
    CSimProcess sim({QStringLiteral("--unit"), QStringLiteral("10.1.1.1:20"), QStringLiteral("--identity"),
                     QStringLiteral("QORHW1")});
    ASSERT_NE(sim.Port(), 0) << sim.FirstLine().toStdString();
    CLinkClient client;
    ASSERT_TRUE(client.Connect(sim.Port()));
    EXPECT_EQ(client.Exchange(OpenBody(1)).result, 1) << "the default unit is gone when --unit is given";
    EXPECT_EQ(client.Exchange(TransferBody(2, kReadVersion)).result, 1);
    EXPECT_EQ(client.Exchange(OpenBody(3, "WP=SOCKET,HOST=10.1.1.1,PORT=7000,WP=NEQ1,ADDR=20")).result, 0);
    EXPECT_EQ(client.Exchange(TransferBody(4, {0x03}, "wp=opt,pr=q1dl")).bytes,
              (Bytes{'Q', 'O', 'R', 'H', 'W', '1', 0}));
}

TEST(SimProcess, MisbehavingClientsDoNotHurtOthers)
{
    CSimProcess sim;
    ASSERT_NE(sim.Port(), 0) << sim.FirstLine().toStdString();

    CLinkClient steady;
    ASSERT_TRUE(steady.Connect(sim.Port()));
    ASSERT_EQ(steady.Exchange(OpenBody(1)).result, 0);

    {
        // Half a frame, then gone without a goodbye.
        CLinkClient vanishing;
        ASSERT_TRUE(vanishing.Connect(sim.Port()));
        const Bytes frame = Framed(OpenBody(1));
        vanishing.SendRaw(Bytes(frame.begin(), frame.begin() + 9));
        vanishing.Socket().abort();
    }
    {
        // A length the contract forbids: that connection is closed.
        CLinkClient oversized;
        ASSERT_TRUE(oversized.Connect(sim.Port()));
        oversized.SendRaw({0x00, 0x01, 0x00, 0x01, 0x02});
        EXPECT_TRUE(oversized.WaitClosed());
    }
    {
        CLinkClient empty;
        ASSERT_TRUE(empty.Connect(sim.Port()));
        empty.SendRaw({0x00, 0x00, 0x00, 0x00});
        EXPECT_TRUE(empty.WaitClosed());
    }
    {
        // No sequence number to answer to.
        CLinkClient tiny;
        ASSERT_TRUE(tiny.Connect(sim.Port()));
        tiny.Send({0x02, 0x00});
        EXPECT_TRUE(tiny.WaitClosed());
    }

    EXPECT_EQ(steady.Exchange(TransferBody(2, kReadVersion)).result, 0);
    CLinkClient next;
    ASSERT_TRUE(next.Connect(sim.Port()));
    EXPECT_EQ(next.Exchange(OpenBody(1)).result, 0);
    EXPECT_EQ(next.Exchange(TransferBody(2, kReadVersion)).bytes.size(), 172u);
}

TEST(SimProcess, ClientThatDoesNotReadGetsEveryReplyInOrder)
{
    CSimProcess sim;
    ASSERT_NE(sim.Port(), 0) << sim.FirstLine().toStdString();

    // A plain socket with a small receive buffer, so that nothing reads the
    // replies until the burst has been sent (QTcpSocket would read while it
    // writes).
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    const int small = 4096;
    ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(sim.Port());
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);

    // Far more reply bytes than the socket buffers hold.
    constexpr int kRequests = 60000;
    Bytes burst = Framed(OpenBody(1));
    for (int i = 0; i < kRequests; ++i) {
        const Bytes frame = Framed(TransferBody(std::uint16_t(i), kReadVersion));
        burst.insert(burst.end(), frame.begin(), frame.end());
    }
    std::thread sender([&] {
        for (std::size_t sent = 0; sent < burst.size();) {
            const ssize_t n = ::send(fd, burst.data() + sent, burst.size() - sent, MSG_NOSIGNAL);
            if (n <= 0)
                return;
            sent += std::size_t(n);
        }
    });
    // Let the gateway fill its side before anything is read.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));

    Bytes stream;
    int received = -1; // the OPEN's reply comes first
    std::uint8_t chunk[65536];
    while (received < kRequests) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, kWaitMs) <= 0)
            break;
        const ssize_t n = ::recv(fd, chunk, sizeof chunk, 0);
        if (n <= 0)
            break;
        stream.insert(stream.end(), chunk, chunk + n);
        while (auto reply = TakeReply(stream)) {
            if (received >= 0) {
                ASSERT_EQ(reply->seq, std::uint16_t(received));
                ASSERT_EQ(reply->bytes.size(), 172u);
            }
            ++received;
        }
    }
    ::shutdown(fd, SHUT_RDWR);
    sender.join();
    ::close(fd);
    EXPECT_EQ(received, kRequests);
}

TEST(SimProcess, BreakAfterClosesOnceTheRepliesAreOut)
{
    CSimProcess sim({QStringLiteral("--break-after"), QStringLiteral("2")});
    ASSERT_NE(sim.Port(), 0) << sim.FirstLine().toStdString();
    CLinkClient client;
    ASSERT_TRUE(client.Connect(sim.Port()));
    ASSERT_EQ(client.Exchange(OpenBody(1)).result, 0);
    EXPECT_EQ(client.Exchange(TransferBody(2, kReadVersion)).result, 0);
    // Send two at once: the second TRANSFER is answered, the third is not.
    Bytes both = Framed(TransferBody(3, kReadVersion));
    const Bytes third = Framed(TransferBody(4, kReadVersion));
    both.insert(both.end(), third.begin(), third.end());
    client.SendRaw(both);
    const auto reply = client.Receive();
    ASSERT_TRUE(reply.has_value());
    EXPECT_EQ(reply->seq, 3);
    EXPECT_FALSE(client.Receive(500).has_value());
    EXPECT_TRUE(client.WaitClosed());

    CLinkClient again;
    ASSERT_TRUE(again.Connect(sim.Port()));
    EXPECT_EQ(again.Exchange(OpenBody(1)).result, 0);
}

TEST(SimProcess, DelayAndDropOnTheWire)
{
    CSimProcess sim({QStringLiteral("--delay-ms"), QStringLiteral("150"), QStringLiteral("--drop-every"),
                     QStringLiteral("2")});
    ASSERT_NE(sim.Port(), 0) << sim.FirstLine().toStdString();
    CLinkClient client;
    ASSERT_TRUE(client.Connect(sim.Port()));
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(client.Exchange(OpenBody(1)).result, 0);
    EXPECT_GE(clock.elapsed(), 140);

    EXPECT_EQ(client.Exchange(TransferBody(2, kReadVersion)).seq, 2);
    client.Send(TransferBody(3, kReadVersion));
    EXPECT_FALSE(client.Receive(400).has_value()) << "every second TRANSFER is lost";
    clock.restart();
    EXPECT_EQ(client.Exchange(TransferBody(4, kReadVersion)).seq, 4);
    EXPECT_GE(clock.elapsed(), 140);
}

TEST(SimProcess, RefuseOpenAndNakOpcode)
{
    {
        CSimProcess sim({QStringLiteral("--refuse-open")});
        ASSERT_NE(sim.Port(), 0);
        CLinkClient client;
        ASSERT_TRUE(client.Connect(sim.Port()));
        EXPECT_EQ(client.Exchange(OpenBody(1)).result, 1);
    }
    CSimProcess sim({QStringLiteral("--nak-opcode"), QStringLiteral("0x54")});
    ASSERT_NE(sim.Port(), 0);
    CLinkClient client;
    ASSERT_TRUE(client.Connect(sim.Port()));
    ASSERT_EQ(client.Exchange(OpenBody(1)).result, 0);
    EXPECT_EQ(client.Exchange(TransferBody(2, kReadVersion)).bytes, (Bytes{0x54, 0xF0}));
}

TEST(SimProcess, BadOptionsExitWithStatusTwo)
{
    for (const QStringList& args : {QStringList{QStringLiteral("--drop-every"), QStringLiteral("0")},
                                    QStringList{QStringLiteral("--bogus")}}) {
        QProcess p;
        p.start(QStringLiteral(QORA_UNIT_SIM_PATH), QStringList{QStringLiteral("--listen"), QStringLiteral("127.0.0.1:0")} + args);
        ASSERT_TRUE(p.waitForFinished(kWaitMs));
        EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(p.exitCode(), 2);
        EXPECT_TRUE(p.readAllStandardOutput().isEmpty());
        const QByteArray err = p.readAllStandardError();
        EXPECT_EQ(err.count('\n'), 1) << err.toStdString();
    }
}

TEST(SimProcess, SignalsEndItCleanly)
{
    CSimProcess sim;
    ASSERT_NE(sim.Port(), 0);
    EXPECT_EQ(sim.Terminate(), 0);

    CSimProcess interrupted;
    ASSERT_NE(interrupted.Port(), 0);
    ::kill(pid_t(interrupted.Process().processId()), SIGINT);
    ASSERT_TRUE(interrupted.Process().waitForFinished(kWaitMs));
    EXPECT_EQ(interrupted.Process().exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(interrupted.Process().exitCode(), 0);
}

TEST(SimProcess, CorruptStateFileIsReportedAndLeftAlone)
{
    QTemporaryDir dir;
    const QString state = dir.filePath(QStringLiteral("state.json"));
    const QByteArray garbage = R"({"format":"qora-unit-sim-state","version":1,"units":[{"unit")";
    {
        QFile file(state);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(garbage);
    }
    CSimProcess sim({QStringLiteral("--state"), state});
    ASSERT_NE(sim.Port(), 0) << sim.FirstLine().toStdString();
    CLinkClient client;
    ASSERT_TRUE(client.Connect(sim.Port()));
    ASSERT_EQ(client.Exchange(OpenBody(1)).result, 0);
    EXPECT_EQ(client.Exchange(TransferBody(2, kReadVersion)).result, 0);
    EXPECT_EQ(sim.Terminate(), 0);

    EXPECT_TRUE(sim.Process().readAllStandardError().contains("state file"));
    QFile file(state);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), garbage);
}
