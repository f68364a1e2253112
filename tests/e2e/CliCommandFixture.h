#pragma once
// Runs the command-line companion's commands inside the test process against
// the simulated unit: the timers run scaled, and what a command writes lands
// in files the test reads back.

#include "cli/CliOutput.h"
#include "platform/TimerScale.h"
#include "rks/RksComponents.h"

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

// A command's standard output and error as files.
class CapturedOutput {
public:
    CapturedOutput() : out_(std::tmpfile()), err_(std::tmpfile()) {}
    ~CapturedOutput()
    {
        std::fclose(out_);
        std::fclose(err_);
    }
    CapturedOutput(const CapturedOutput&) = delete;
    CapturedOutput& operator=(const CapturedOutput&) = delete;

    [[nodiscard]] SCliOutput Output(bool terminal = false) const { return SCliOutput{out_, err_, terminal}; }
    [[nodiscard]] std::string Out() const { return Read(out_); }
    [[nodiscard]] std::string Err() const { return Read(err_); }

private:
    static std::string Read(std::FILE* file)
    {
        std::fflush(file);
        std::string text;
        std::rewind(file);
        char buffer[4096];
        std::size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0)
            text.append(buffer, n);
        return text;
    }

    std::FILE* out_;
    std::FILE* err_;
};

class CliCommandTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        RegisterRksComponents();
        // Settings of the machine must not leak in (nor ours out).
        static QTemporaryDir config;
        qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    }
    void SetUp() override { SetTimerScale(0.01); }
    void TearDown() override
    {
        SetTimerScale(1.0);
        qunsetenv("QORA_RKS_GATEWAY");
    }
    static void UseGateway(quint16 port) { qputenv("QORA_RKS_GATEWAY", QByteArray("127.0.0.1:") + QByteArray::number(port)); }

    static constexpr const char* kConnection = "WP=SOCKET,HOST=192.168.255.120,PORT=7000,WP=NEQ1,ADDR=131";
};
