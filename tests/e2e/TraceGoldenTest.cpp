// What the unit receives during a commissioning and a firmware load and
// activation, request by request, compared with the traces recorded when
// these paths were last known good. A change in the tool's internals must not
// change a single request byte, nor the order, nor the connection strings.
//
// To record new traces after an intended change to the bytes on the wire:
//   QORA_RECORD_TRACES=tests/e2e/golden build/default/bin/cli_command_tests
//     --gtest_filter=TraceGolden.*
// and review the difference before committing it.

#include "cli/ActivateCommand.h"
#include "cli/CliSession.h"
#include "cli/CommissionCommand.h"
#include "cli/DownloadCommand.h"
#include "e2e/CliCommandFixture.h"
#include "support/SimProcess.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>

namespace {

// The trace without what the unit decides (its replies carry its clock) and
// without the gateway's own sequence numbers: one compact JSON object a line.
QByteArray RequestsOf(const QString& tracePath)
{
    QFile trace(tracePath);
    if (!trace.open(QIODevice::ReadOnly))
        return {};
    QByteArray requests;
    while (!trace.atEnd()) {
        QJsonObject line = QJsonDocument::fromJson(trace.readLine()).object();
        line.remove(QStringLiteral("seq"));
        line.remove(QStringLiteral("rep"));
        requests += QJsonDocument(line).toJson(QJsonDocument::Compact) + '\n';
    }
    return requests;
}

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Compares with the recorded trace, or records it when asked to.
void ExpectRecordedRequests(const QString& tracePath, const QString& name)
{
    const QByteArray actual = RequestsOf(tracePath);
    ASSERT_FALSE(actual.isEmpty()) << "the unit received nothing";
    const QByteArray recordTo = qgetenv("QORA_RECORD_TRACES");
    if (!recordTo.isEmpty()) {
        QFile out(QDir(QString::fromLocal8Bit(recordTo)).filePath(name));
        ASSERT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
        out.write(actual);
        return;
    }
    const QByteArray expected = ReadAll(QStringLiteral(QORA_GOLDEN_DIR "/") + name);
    ASSERT_FALSE(expected.isEmpty()) << "no recorded trace " << name.toStdString();
    const QList<QByteArray> want = expected.split('\n');
    const QList<QByteArray> got = actual.split('\n');
    for (qsizetype i = 0; i < std::min(want.size(), got.size()); ++i)
        ASSERT_EQ(got[i].toStdString(), want[i].toStdString()) << "request " << i + 1 << " of " << name.toStdString();
    EXPECT_EQ(got.size(), want.size()) << name.toStdString();
}

class TraceGolden : public CliCommandTest {};

TEST_F(TraceGolden, ACommissioningFromAWorkOrderSendsTheRecordedRequests)
{
    // On real time: scaled down, the status snapshot's refresh period would
    // let a slow machine (a sanitizer build) read the status once more.
    SetTimerScale(1.0);
    QTemporaryDir dir;
    const QString trace = dir.filePath(QStringLiteral("trace.jsonl"));
    SimProcess sim({QStringLiteral("--trace"), trace, QStringLiteral("--reboot-ms"), QStringLiteral("200")});
    ASSERT_TRUE(sim.Running());
    UseGateway(sim.Port());

    CapturedOutput output;
    ASSERT_EQ(RunCommissionCommand(kConnection, false,
                                   {QORA_COMMISSION_ORDER, "--report", dir.filePath(QStringLiteral("r.xml")).toStdString(),
                                    "--user", "Ann", "--date", "2026-01-02", "--comments", "mast B", "--actions",
                                    "antenna cable replaced", "--advanced"},
                                   output.Output()),
              kExitOk)
        << output.Err();
    ExpectRecordedRequests(trace, QStringLiteral("commission.trace"));
}

TEST_F(TraceGolden, AFirmwareLoadAndActivationSendTheRecordedRequests)
{
    QTemporaryDir dir;
    QProcess gen;
    gen.start(QStringLiteral(QORA_FIRMWARE_GEN_PATH),
              {QStringLiteral("--out"), dir.path(), QStringLiteral("--image"), QStringLiteral("QORA2.bin"),
               QStringLiteral("--software"), QStringLiteral("QOR2SW"), QStringLiteral("--size"),
               QStringLiteral("3000"), QStringLiteral("--seed"), QStringLiteral("7")});
    ASSERT_TRUE(gen.waitForFinished(10000) && gen.exitCode() == 0);
    const QString master = dir.filePath(QStringLiteral("QORA2.MFI"));

    const QString trace = dir.filePath(QStringLiteral("trace.jsonl"));
    SimProcess sim({QStringLiteral("--trace"), trace, QStringLiteral("--reboot-ms"), QStringLiteral("200"),
                    QStringLiteral("--verification-polls"), QStringLiteral("2")});
    ASSERT_TRUE(sim.Running());
    UseGateway(sim.Port());

    CapturedOutput download;
    ASSERT_EQ(RunDownloadCommand(kConnection, {master.toStdString(), "--chunk", "256", "--yes"}, download.Output()),
              kExitOk)
        << download.Err();
    CapturedOutput activate;
    ASSERT_EQ(RunActivateCommand(kConnection, {}, activate.Output()), kExitOk) << activate.Err();
    ExpectRecordedRequests(trace, QStringLiteral("firmware.trace"));
}

} // namespace
