#pragma once
// Starts the simulated unit for a test on a free loopback port and stops it
// when the test ends. Header-only: the program's path comes from the test
// executable's compile definitions.

#include <QProcess>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

#if defined(__SANITIZE_THREAD__)
#include "support/ForkedChild.h"

#include <poll.h>
#endif

class SimProcess {
public:
    explicit SimProcess(QStringList extraArguments = {})
    {
        QStringList arguments{QStringLiteral("--listen"), QStringLiteral("127.0.0.1:0")};
        arguments += extraArguments;
#if defined(__SANITIZE_THREAD__)
        StartForked(arguments);
        return;
#endif
        process_.setProgram(QStringLiteral(QORA_UNIT_SIM_PATH));
        process_.setArguments(arguments);
        process_.setProcessChannelMode(QProcess::SeparateChannels);
        process_.start();
        if (!process_.waitForStarted(5000))
            return;
        QByteArray line;
        // A large fleet takes seconds to build before the simulator listens.
        while (!line.endsWith('\n') && process_.waitForReadyRead(30000))
            line += process_.readLine();
        ReadEndpoint(line);
    }
    ~SimProcess() { Kill(); }
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    [[nodiscard]] bool Running() const
    {
#if defined(__SANITIZE_THREAD__)
        return port_ != 0 && pid_ > 0 && ::waitpid(pid_, nullptr, WNOHANG) == 0;
#endif
        return port_ != 0 && process_.state() == QProcess::Running;
    }
    [[nodiscard]] quint16 Port() const { return port_; }
    [[nodiscard]] QString Endpoint() const { return endpoint_; }

    void Kill()
    {
#if defined(__SANITIZE_THREAD__)
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
            pid_ = -1;
        }
        if (output_ >= 0)
            ::close(output_);
        output_ = -1;
        return;
#endif
        if (process_.state() != QProcess::NotRunning) {
            process_.kill();
            process_.waitForFinished(5000);
        }
    }

private:
#if defined(__SANITIZE_THREAD__)
    // Under ThreadSanitizer the unit is started with a plain fork (see ForkedChild.h).
    void StartForked(const QStringList& arguments)
    {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0)
            return;
        pid_ = ForkProgram(QORA_UNIT_SIM_PATH, arguments, fds[1]);
        ::close(fds[1]);
        output_ = fds[0];
        if (pid_ < 0)
            return;
        QByteArray line;
        pollfd readable{output_, POLLIN, 0};
        char c = 0;
        while (!line.endsWith('\n') && ::poll(&readable, 1, 5000) > 0 && ::read(output_, &c, 1) == 1)
            line += c;
        ReadEndpoint(line);
    }
    pid_t pid_ = -1;
    int output_ = -1; // kept open: the unit may write more and must not meet a closed pipe
#endif
    void ReadEndpoint(const QByteArray& line)
    {
        const QByteArray prefix = "listening on ";
        if (!line.startsWith(prefix))
            return;
        const QByteArray endpoint = line.mid(prefix.size()).trimmed();
        endpoint_ = QString::fromLatin1(endpoint);
        port_ = endpoint.mid(endpoint.lastIndexOf(':') + 1).toUShort();
    }

    QProcess process_;
    QString endpoint_;
    quint16 port_ = 0;
};
