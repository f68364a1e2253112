// qora-cli download interrupted (Ctrl+C, SIGTERM) through the real TCP link:
// the unit must not be left mid-download, so the end command goes out before
// the program ends.

#include "support/SampleFirmware.h"
#include "support/SimProcess.h"
#include "support/SimTrace.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>

namespace {

struct Interrupted {
    int status = -1;
    int ends = 0;
};

// Runs a download, sends `signal` once `sent` requests of `hex` reached the
// unit, and returns the exit status and the end commands the unit got.
Interrupted InterruptDownload(int signal, const QByteArray& hex, int sent)
{
    QTemporaryDir dir;
    const QString trace = dir.filePath(QStringLiteral("trace.jsonl"));
    // A unit that verifies for long, so the download is under way long enough.
    SimProcess sim({"--trace", trace, "--verification-polls", "20"});
    EXPECT_TRUE(sim.Running());
    const SampleFirmware firmware =
        MakeSampleFirmware(dir.path(), QStringLiteral("QOR0310.bin"), QStringLiteral("QORSW310"), 3000);
    EXPECT_TRUE(firmware.Valid());

    QProcess cli;
    auto env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QORA_RKS_GATEWAY"), QStringLiteral("127.0.0.1:%1").arg(sim.Port()));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.filePath(QStringLiteral("config")));
    cli.setProcessEnvironment(env);
    cli.start(QStringLiteral(QORA_CLI_PATH),
              {"--connection", "WP=SOCKET,HOST=127.0.0.1,PORT=1,WP=NEQ1,ADDR=131", "download", firmware.masterPath,
               "--yes"});
    EXPECT_TRUE(cli.waitForStarted(5000));
    QDeadlineTimer deadline(15000);
    while (CountTracedRequests(trace, hex) < sent && !deadline.hasExpired())
        QThread::msleep(20);
    EXPECT_EQ(CountTracedRequests(trace, hex), sent);
    ::kill(static_cast<pid_t>(cli.processId()), signal);
    EXPECT_TRUE(cli.waitForFinished(10000));
    Interrupted result;
    result.status = cli.exitStatus() == QProcess::NormalExit ? cli.exitCode() : -2;
    result.ends = CountTracedRequests(trace, kTracedDownloadEndHex);
    return result;
}

} // namespace

TEST(CliDownloadInterrupt, CtrlCWhileVerifyingSendsTheEndCommand)
{
    const Interrupted run = InterruptDownload(SIGINT, kTracedStatusQueryHex, 2);
    EXPECT_EQ(run.status, 3);
    EXPECT_EQ(run.ends, 1);
}

TEST(CliDownloadInterrupt, SigtermRightAfterTheStartSendsTheEndCommand)
{
    const Interrupted run = InterruptDownload(SIGTERM, kTracedDownloadStartHex, 1);
    EXPECT_EQ(run.status, 3);
    EXPECT_EQ(run.ends, 1);
}
