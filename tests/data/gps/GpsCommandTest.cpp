// "qora-cli gps" against the simulated unit: the lines it prints and its exit status.

#include "cli/CliSession.h"
#include "cli/GpsCommand.h"
#include "platform/MeasureSetting.h"
#include "rks/RksComponents.h"
#include "support/SimProcess.h"

#include <gtest/gtest.h>

namespace {

const char kConnection[] = "WP=SOCKET,HOST=192.168.255.120,PORT=7000,WP=NEQ1,ADDR=131";

class GpsCommandTest : public testing::Test {
protected:
    void SetUp() override
    {
        RegisterRksComponents();
        previous_ = SetMeasureSettingFunction([] { return QStringLiteral("1"); });
    }
    void TearDown() override
    {
        SetMeasureSettingFunction(std::move(previous_));
        qunsetenv("QORA_RKS_GATEWAY");
    }
    void UseGateway(const SimProcess& sim)
    {
        qputenv("QORA_RKS_GATEWAY", QStringLiteral("127.0.0.1:%1").arg(sim.Port()).toLatin1());
    }

private:
    MeasureSettingFunction previous_;
};

TEST_F(GpsCommandTest, PrintsWhatTheDialogShows)
{
    SimProcess sim({QStringLiteral("--position"), QStringLiteral("-33.5,-70.25,12345"), QStringLiteral("--gps-mode"),
                    QStringLiteral("1"), QStringLiteral("--gps-time"), QStringLiteral("2009-05-02 12:34:56")});
    ASSERT_TRUE(sim.Running());
    UseGateway(sim);
    testing::internal::CaptureStdout();
    const int status = RunGpsCommand(kConnection);
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(status, kExitOk);
    EXPECT_EQ(out, "Latitude: S 33\u00B030'00.000\"\n"
                   "Longitude: W 070\u00B015'00.000\"\n"
                   "Altitude: 405.02 ft.\n"
                   "Date: 02.05.2009\n"
                   "Time: 12:34:56\n"
                   "Start Self Survey after next reset: no\n"
                   "Use position as surveyed position: yes\n");
}

TEST_F(GpsCommandTest, FailuresGiveAReasonAndANonZeroStatus)
{
    {
        SimProcess sim({QStringLiteral("--nak-opcode"), QStringLiteral("0x65")});
        ASSERT_TRUE(sim.Running());
        UseGateway(sim);
        testing::internal::CaptureStderr();
        EXPECT_EQ(RunGpsCommand(kConnection), kExitRequestFailed);
        EXPECT_NE(testing::internal::GetCapturedStderr().find("problems encountered"), std::string::npos);
    }
    {
        SimProcess sim({QStringLiteral("--refuse-open")});
        ASSERT_TRUE(sim.Running());
        UseGateway(sim);
        testing::internal::CaptureStderr();
        EXPECT_EQ(RunGpsCommand(kConnection), kExitNoConnection);
        EXPECT_NE(testing::internal::GetCapturedStderr().find("cannot connect"), std::string::npos);
    }
}

} // namespace
