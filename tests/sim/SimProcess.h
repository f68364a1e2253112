#pragma once
// Runs the built qora-unit-sim and talks to it with raw frames over TCP,
// blocking with short timeouts (no event loop needed).

#include "sim/LinkFrames.h"

#include <QProcess>
#include <QRegularExpression>
#include <QStringList>
#include <QTcpSocket>

#include <gtest/gtest.h>

#include <optional>

namespace simtest {

inline constexpr int kWaitMs = 3000;

class CSimProcess {
public:
    // Starts the program with --listen 127.0.0.1:0 and `extra`, and reads its
    // first line for the port.
    explicit CSimProcess(const QStringList& extra = {})
    {
        process_.setProgram(QStringLiteral(QORA_UNIT_SIM_PATH));
        process_.setArguments(QStringList{QStringLiteral("--listen"), QStringLiteral("127.0.0.1:0")} + extra);
        process_.start();
        if (!process_.waitForStarted(kWaitMs))
            return;
        while (!process_.canReadLine() && process_.waitForReadyRead(kWaitMs)) {
        }
        firstLine_ = QString::fromLatin1(process_.readLine()).trimmed();
        const auto match = QRegularExpression(QStringLiteral("^listening on 127\\.0\\.0\\.1:(\\d+)$")).match(firstLine_);
        if (match.hasMatch())
            port_ = quint16(match.captured(1).toUInt());
    }

    ~CSimProcess()
    {
        if (process_.state() != QProcess::NotRunning) {
            process_.kill();
            process_.waitForFinished(kWaitMs);
        }
    }

    [[nodiscard]] quint16 Port() const { return port_; }
    [[nodiscard]] const QString& FirstLine() const { return firstLine_; }
    QProcess& Process() { return process_; }

    // Sends SIGTERM and waits; the exit code, or -1 if it did not end normally.
    int Terminate()
    {
        process_.terminate();
        if (!process_.waitForFinished(kWaitMs) || process_.exitStatus() != QProcess::NormalExit)
            return -1;
        return process_.exitCode();
    }

private:
    QProcess process_;
    QString firstLine_;
    quint16 port_ = 0;
};

class CLinkClient {
public:
    bool Connect(quint16 port)
    {
        socket_.connectToHost(QStringLiteral("127.0.0.1"), port);
        return socket_.waitForConnected(kWaitMs);
    }

    void SendRaw(const Bytes& bytes)
    {
        socket_.write(reinterpret_cast<const char*>(bytes.data()), qint64(bytes.size()));
        socket_.waitForBytesWritten(kWaitMs);
    }

    void Send(const Bytes& body) { SendRaw(Framed(body)); }

    // The next reply frame, or nullopt when none comes within `waitMs`.
    std::optional<Reply> Receive(int waitMs = kWaitMs)
    {
        for (;;) {
            if (auto reply = TakeReply(buffer_))
                return reply;
            if (socket_.bytesAvailable() == 0 && !socket_.waitForReadyRead(waitMs))
                return std::nullopt;
            const QByteArray more = socket_.readAll();
            buffer_.insert(buffer_.end(), more.begin(), more.end());
        }
    }

    Reply Exchange(const Bytes& body)
    {
        Send(body);
        auto reply = Receive();
        EXPECT_TRUE(reply.has_value()) << "no reply";
        return reply.value_or(Reply{});
    }

    // True when the peer closes the connection within the time.
    bool WaitClosed(int waitMs = kWaitMs)
    {
        while (socket_.state() == QAbstractSocket::ConnectedState) {
            if (!socket_.waitForReadyRead(waitMs))
                break;
            socket_.readAll();
        }
        return socket_.state() != QAbstractSocket::ConnectedState;
    }

    QTcpSocket& Socket() { return socket_; }

private:
    QTcpSocket socket_;
    Bytes buffer_;
};

} // namespace simtest
