#pragma once
// Starts the simulated unit for a test on a free loopback port and stops it
// when the test ends. Header-only: the program's path comes from the test
// executable's compile definitions.

#include <QProcess>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

class SimProcess {
public:
    explicit SimProcess(QStringList extraArguments = {})
    {
        QStringList arguments{QStringLiteral("--listen"), QStringLiteral("127.0.0.1:0")};
        arguments += extraArguments;
        process_.setProgram(QStringLiteral(QORA_UNIT_SIM_PATH));
        process_.setArguments(arguments);
        process_.setProcessChannelMode(QProcess::SeparateChannels);
        process_.start();
        if (!process_.waitForStarted(5000))
            return;
        QByteArray line;
        while (!line.endsWith('\n') && process_.waitForReadyRead(5000))
            line += process_.readLine();
        const QByteArray prefix = "listening on ";
        if (!line.startsWith(prefix))
            return;
        const QByteArray endpoint = line.mid(prefix.size()).trimmed();
        endpoint_ = QString::fromLatin1(endpoint);
        port_ = endpoint.mid(endpoint.lastIndexOf(':') + 1).toUShort();
    }
    ~SimProcess() { Kill(); }
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    [[nodiscard]] bool Running() const { return port_ != 0 && process_.state() == QProcess::Running; }
    [[nodiscard]] quint16 Port() const { return port_; }
    [[nodiscard]] QString Endpoint() const { return endpoint_; }

    void Kill()
    {
        if (process_.state() != QProcess::NotRunning) {
            process_.kill();
            process_.waitForFinished(5000);
        }
    }

private:
    QProcess process_;
    QString endpoint_;
    quint16 port_ = 0;
};
