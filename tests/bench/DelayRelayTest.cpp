// The delay relay of the site-link benchmark: what goes through it arrives
// whole, in order, and no earlier than the delay, over TCP and over UDP with a
// server that answers from a new port as TFTP servers do.

#include <QProcess>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstring>
#include <memory>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr milliseconds kDelay{20};
constexpr int kWaitMs = 5000;

class CFd {
public:
    explicit CFd(int fd = -1) : fd_(fd) {}
    ~CFd()
    {
        if (fd_ >= 0)
            close(fd_);
    }
    CFd(const CFd&) = delete;
    CFd& operator=(const CFd&) = delete;
    [[nodiscard]] int Get() const { return fd_; }
    void Reset(int fd)
    {
        if (fd_ >= 0)
            close(fd_);
        fd_ = fd;
    }

private:
    int fd_;
};

sockaddr_in Loopback(std::uint16_t port)
{
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(port);
    return addr;
}

std::uint16_t BindLoopback(int fd)
{
    sockaddr_in addr = Loopback(0);
    socklen_t len = sizeof addr;
    if (bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0
        || getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) != 0)
        return 0;
    return ntohs(addr.sin_port);
}

bool Readable(int fd, int timeoutMs)
{
    pollfd entry{fd, POLLIN, 0};
    return poll(&entry, 1, timeoutMs) == 1;
}

// The relay with one target; the port it listens on for it.
class CRelay {
public:
    CRelay(const char* kind, std::uint16_t targetPort)
    {
        process_.setProgram(QStringLiteral(QORA_DELAY_RELAY_PATH));
        process_.setArguments({QStringLiteral("--delay-ms"), QString::number(kDelay.count()),
                               QStringLiteral("--%1").arg(QLatin1String(kind)),
                               QStringLiteral("127.0.0.1:%1").arg(targetPort)});
        process_.start();
        if (!process_.waitForStarted(kWaitMs))
            return;
        QString output;
        while (!output.contains(QLatin1String("ready\n")) && process_.waitForReadyRead(kWaitMs))
            output += QString::fromLatin1(process_.readAllStandardOutput());
        const auto match = QRegularExpression(QStringLiteral("^%1 127\\.0\\.0\\.1:(\\d+) -> 127\\.0\\.0\\.1:%2$")
                                                  .arg(QLatin1String(kind))
                                                  .arg(targetPort),
                                              QRegularExpression::MultilineOption)
                               .match(output);
        if (match.hasMatch() && output.contains(QLatin1String("ready\n")))
            port_ = std::uint16_t(match.captured(1).toUInt());
    }
    ~CRelay()
    {
        process_.terminate();
        if (!process_.waitForFinished(kWaitMs))
            process_.kill();
    }
    [[nodiscard]] std::uint16_t Port() const { return port_; }

private:
    QProcess process_;
    std::uint16_t port_ = 0;
};

// Fixed-size messages, each stamped with its number and filled with a pattern
// that depends on it, so a lost, doubled or reordered byte shows.
constexpr std::size_t kMessageSize = 1000;

std::vector<std::uint8_t> Message(std::uint32_t number)
{
    std::vector<std::uint8_t> bytes(kMessageSize);
    std::memcpy(bytes.data(), &number, sizeof number);
    for (std::size_t i = sizeof number; i < bytes.size(); ++i)
        bytes[i] = std::uint8_t(number * 31 + i);
    return bytes;
}

bool ReadExactly(int fd, std::uint8_t* data, std::size_t size)
{
    while (size > 0) {
        if (!Readable(fd, kWaitMs))
            return false;
        const ssize_t got = recv(fd, data, size, 0);
        if (got <= 0)
            return false;
        data += got;
        size -= std::size_t(got);
    }
    return true;
}

struct STcpPair {
    CFd listener{socket(AF_INET, SOCK_STREAM, 0)};
    std::uint16_t targetPort = 0;
    std::unique_ptr<CRelay> relay;
    CFd client;
    CFd server;

    STcpPair()
    {
        targetPort = BindLoopback(listener.Get());
        if (targetPort == 0 || listen(listener.Get(), 4) != 0)
            return;
        relay = std::make_unique<CRelay>("tcp", targetPort);
        if (relay->Port() == 0)
            return;
        CFd fd(socket(AF_INET, SOCK_STREAM, 0));
        const sockaddr_in addr = Loopback(relay->Port());
        if (connect(fd.Get(), reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0)
            return;
        const int one = 1;
        setsockopt(fd.Get(), IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        if (!Readable(listener.Get(), kWaitMs))
            return;
        server.Reset(accept(listener.Get(), nullptr, nullptr));
        client.Reset(dup(fd.Get()));
    }
    [[nodiscard]] bool Ready() const { return client.Get() >= 0 && server.Get() >= 0; }
};

TEST(DelayRelay, TcpMessagesArriveWholeInOrderAndNoEarlierThanTheDelayEachWay)
{
    STcpPair pair;
    ASSERT_TRUE(pair.Ready());

    // Messages sent a millisecond apart, so that several are under way at once.
    constexpr std::uint32_t kCount = 60;
    std::vector<Clock::time_point> sentAt(kCount);
    std::thread sender([&] {
        for (std::uint32_t n = 0; n < kCount; ++n) {
            const auto bytes = Message(n);
            sentAt[n] = Clock::now();
            ASSERT_EQ(send(pair.client.Get(), bytes.data(), bytes.size(), 0), ssize_t(bytes.size()));
            std::this_thread::sleep_for(milliseconds(1));
        }
    });
    std::vector<std::uint8_t> got(kMessageSize);
    std::vector<Clock::time_point> arrivedAt(kCount);
    std::uint32_t n = 0;
    for (; n < kCount && ReadExactly(pair.server.Get(), got.data(), got.size()); ++n) {
        arrivedAt[n] = Clock::now();
        ASSERT_EQ(got, Message(n)) << "message " << n;
    }
    sender.join();
    ASSERT_EQ(n, kCount);
    for (std::uint32_t k = 0; k < kCount; ++k)
        EXPECT_GE(arrivedAt[k] - sentAt[k], kDelay) << "message " << k;

    // The answer is held as long on its way back.
    const auto answer = Message(kCount);
    const auto answeredAt = Clock::now();
    ASSERT_EQ(send(pair.server.Get(), answer.data(), answer.size(), 0), ssize_t(answer.size()));
    ASSERT_TRUE(ReadExactly(pair.client.Get(), got.data(), got.size()));
    EXPECT_GE(Clock::now() - answeredAt, kDelay);
    EXPECT_EQ(got, answer);

    // The end of the stream follows the data, after the delay too.
    const auto closedAt = Clock::now();
    shutdown(pair.client.Get(), SHUT_WR);
    ASSERT_TRUE(Readable(pair.server.Get(), kWaitMs));
    EXPECT_EQ(recv(pair.server.Get(), got.data(), got.size(), 0), 0);
    EXPECT_GE(Clock::now() - closedAt, kDelay);
}

TEST(DelayRelay, TcpCarriesAStreamWholeToASlowReader)
{
    STcpPair pair;
    ASSERT_TRUE(pair.Ready());
    // More than the socket buffers and the relay hold while nobody reads: the
    // relay must keep what the reader cannot take yet and go on when it can.
    constexpr std::uint32_t kCount = 12 * 1024;
    std::thread sender([&] {
        for (std::uint32_t n = 0; n < kCount; ++n) {
            const auto bytes = Message(n);
            ASSERT_EQ(send(pair.client.Get(), bytes.data(), bytes.size(), MSG_NOSIGNAL), ssize_t(bytes.size()));
        }
        shutdown(pair.client.Get(), SHUT_WR);
    });
    std::this_thread::sleep_for(milliseconds(200));
    std::vector<std::uint8_t> got(kMessageSize);
    std::uint32_t n = 0;
    for (; n < kCount && ReadExactly(pair.server.Get(), got.data(), got.size()); ++n) {
        if (got != Message(n))
            break;
    }
    sender.join();
    EXPECT_EQ(n, kCount);
    ASSERT_TRUE(Readable(pair.server.Get(), kWaitMs));
    EXPECT_EQ(recv(pair.server.Get(), got.data(), got.size(), 0), 0);
}

// A UDP server that answers the first datagram from a port of its own, as a
// TFTP server does; the client then talks to whatever port answered it.
TEST(DelayRelay, UdpFollowsAServerThatAnswersFromANewPort)
{
    CFd listening(socket(AF_INET, SOCK_DGRAM, 0));
    const std::uint16_t targetPort = BindLoopback(listening.Get());
    ASSERT_NE(targetPort, 0);
    CRelay relay("udp", targetPort);
    ASSERT_NE(relay.Port(), 0);

    CFd client(socket(AF_INET, SOCK_DGRAM, 0));
    ASSERT_NE(BindLoopback(client.Get()), 0);
    const sockaddr_in relayAddr = Loopback(relay.Port());
    const auto first = Message(0);
    const auto firstSentAt = Clock::now();
    ASSERT_EQ(sendto(client.Get(), first.data(), first.size(), 0, reinterpret_cast<const sockaddr*>(&relayAddr),
                     sizeof relayAddr),
              ssize_t(first.size()));

    std::vector<std::uint8_t> got(kMessageSize + 1);
    sockaddr_in from{};
    socklen_t fromLen = sizeof from;
    ASSERT_TRUE(Readable(listening.Get(), kWaitMs));
    ASSERT_EQ(recvfrom(listening.Get(), got.data(), got.size(), 0, reinterpret_cast<sockaddr*>(&from), &fromLen),
              ssize_t(kMessageSize));
    EXPECT_GE(Clock::now() - firstSentAt, kDelay);
    got.resize(kMessageSize);
    EXPECT_EQ(got, first);

    // The session's own port answers, from where the server's reply is relayed.
    CFd session(socket(AF_INET, SOCK_DGRAM, 0));
    ASSERT_NE(BindLoopback(session.Get()), 0);
    const auto reply = Message(1);
    const auto repliedAt = Clock::now();
    ASSERT_EQ(sendto(session.Get(), reply.data(), reply.size(), 0, reinterpret_cast<const sockaddr*>(&from),
                     sizeof from),
              ssize_t(reply.size()));
    sockaddr_in relayAnswer{};
    socklen_t answerLen = sizeof relayAnswer;
    got.resize(kMessageSize + 1);
    ASSERT_TRUE(Readable(client.Get(), kWaitMs));
    ASSERT_EQ(recvfrom(client.Get(), got.data(), got.size(), 0, reinterpret_cast<sockaddr*>(&relayAnswer),
                       &answerLen),
              ssize_t(kMessageSize));
    EXPECT_GE(Clock::now() - repliedAt, kDelay);
    got.resize(kMessageSize);
    EXPECT_EQ(got, reply);

    // The client goes on with the port that answered; the datagrams reach the
    // server's new port, whole and in order, and none early.
    constexpr std::uint32_t kCount = 40;
    std::vector<Clock::time_point> sentAt(kCount);
    for (std::uint32_t n = 2; n < kCount; ++n) {
        const auto bytes = Message(n);
        sentAt[n] = Clock::now();
        ASSERT_EQ(sendto(client.Get(), bytes.data(), bytes.size(), 0, reinterpret_cast<const sockaddr*>(&relayAnswer),
                         sizeof relayAnswer),
                  ssize_t(bytes.size()));
        std::this_thread::sleep_for(milliseconds(1));
    }
    for (std::uint32_t n = 2; n < kCount; ++n) {
        got.resize(kMessageSize + 1);
        ASSERT_TRUE(Readable(session.Get(), kWaitMs)) << "datagram " << n;
        ASSERT_EQ(recv(session.Get(), got.data(), got.size(), 0), ssize_t(kMessageSize));
        EXPECT_GE(Clock::now() - sentAt[n], kDelay) << "datagram " << n;
        got.resize(kMessageSize);
        ASSERT_EQ(got, Message(n)) << "datagram " << n;
    }
    // Nothing went to the port the first datagram was written to.
    EXPECT_FALSE(Readable(listening.Get(), 0));
}

} // namespace
