// qora-cli download and activate against the simulated unit, in process with
// scaled timers.

#include "cli/ActivateCommand.h"
#include "cli/CliSession.h"
#include "cli/DownloadCommand.h"
#include "cli/TextProgress.h"
#include "e2e/CliCommandFixture.h"
#include "fleet/ChildProgress.h"
#include "support/EventLoop.h"
#include "support/SimProcess.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>

namespace {

using Args = std::vector<std::string>;

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A master file and its image from the sample generator; the master's path.
QString GenerateFirmware(const QTemporaryDir& dir, const QString& image, int size)
{
    QProcess gen;
    gen.start(QStringLiteral(QORA_FIRMWARE_GEN_PATH),
              {QStringLiteral("--out"), dir.path(), QStringLiteral("--image"), image, QStringLiteral("--software"),
               QStringLiteral("QSW0101"), QStringLiteral("--size"), QString::number(size)});
    if (!gen.waitForFinished(10000) || gen.exitCode() != 0)
        return {};
    return QString::fromLocal8Bit(gen.readAllStandardOutput()).split(u'\n').value(0).trimmed();
}

class CliSoftware : public CliCommandTest {};

TEST_F(CliSoftware, DownloadCopiesTheImageShowsProgressAndVerifying)
{
    QTemporaryDir fw, received;
    // Two full blocks and a third: the progress goes through several steps.
    const QString master = GenerateFirmware(fw, QStringLiteral("APP0101.bin"), 1400);
    ASSERT_FALSE(master.isEmpty());
    SimProcess sim({QStringLiteral("--firmware-dir"), received.path(), QStringLiteral("--version-result"),
                    QStringLiteral("0"), QStringLiteral("--verification-polls"), QStringLiteral("2")});
    ASSERT_TRUE(sim.Running());
    UseGateway(sim.Port());

    CapturedOutput output;
    const int status = RunDownloadCommand(kConnection, {master.toStdString(), "--chunk", "200"}, output.Output());
    EXPECT_EQ(status, kExitOk) << output.Err();
    EXPECT_EQ(output.Out(), "Software download completed successfully\n");
    const std::string err = output.Err();
    EXPECT_NE(err.find("  0 %\n"), std::string::npos) << err;
    EXPECT_NE(err.find("100 %\nverifying...\n"), std::string::npos) << err;
    EXPECT_EQ(err.find('\r'), std::string::npos); // plain lines when not on a terminal
    EXPECT_EQ(err.find("verifying...", err.find("verifying...") + 1), std::string::npos); // said once

    const QByteArray image = ReadAll(fw.filePath(QStringLiteral("APP0101.bin")));
    ASSERT_EQ(image.size(), 1400);
    EXPECT_EQ(ReadAll(received.filePath(QStringLiteral("unit-131-image.bin"))), image);
    EXPECT_EQ(ReadAll(received.filePath(QStringLiteral("unit-131-master.bin"))), ReadAll(master));

    // For the fleet rollout: the same progress as JSON lines on standard output.
    CapturedOutput json;
    ASSERT_EQ(RunDownloadCommand(kConnection, {master.toStdString(), "--json-progress"}, json.Output()), kExitOk)
        << json.Err();
    EXPECT_EQ(json.Err().find('%'), std::string::npos) << json.Err();
    std::vector<std::string> events;
    for (const QByteArray& line : QByteArray::fromStdString(json.Out()).split('\n'))
        if (const auto event = ParseChildProgressLine(line))
            events.push_back(event->kind == SChildProgress::Kind::Verifying ? "verifying"
                                                                            : std::to_string(event->percent));
    ASSERT_GE(events.size(), 3u) << json.Out();
    EXPECT_EQ(events.front(), "0");
    EXPECT_EQ(events[events.size() - 2], "100");
    EXPECT_EQ(events.back(), "verifying");
}

TEST_F(CliSoftware, VersionQuestionIsDeclinedUnlessYesIsGiven)
{
    QTemporaryDir fw, received;
    const QString master = GenerateFirmware(fw, QStringLiteral("APP0101.bin"), 600);
    ASSERT_FALSE(master.isEmpty());
    SimProcess sim({QStringLiteral("--firmware-dir"), received.path(), QStringLiteral("--version-result"),
                    QStringLiteral("1"), QStringLiteral("--verification-polls"), QStringLiteral("0")});
    ASSERT_TRUE(sim.Running());
    UseGateway(sim.Port());

    CapturedOutput declined;
    EXPECT_EQ(RunDownloadCommand(kConnection, {master.toStdString()}, declined.Output()), kExitCancelled);
    EXPECT_EQ(declined.Err(), "This software version already exists in QORA. Do you still wish to download? no\n"
                              "download cancelled (--yes downloads anyway)\n");
    EXPECT_FALSE(QFile::exists(received.filePath(QStringLiteral("unit-131-image.bin"))));

    CapturedOutput accepted;
    EXPECT_EQ(RunDownloadCommand(kConnection, {"--yes", master.toStdString()}, accepted.Output()), kExitOk)
        << accepted.Err();
    EXPECT_EQ(ReadAll(received.filePath(QStringLiteral("unit-131-image.bin"))),
              ReadAll(fw.filePath(QStringLiteral("APP0101.bin"))));
}

TEST_F(CliSoftware, DownloadFailuresEndWithTheEnginesTextOnOneLine)
{
    QTemporaryDir fw;
    const QString master = GenerateFirmware(fw, QStringLiteral("APP0101.bin"), 600);
    ASSERT_FALSE(master.isEmpty());
    SimProcess sim({QStringLiteral("--version-result"), QStringLiteral("0"), QStringLiteral("--checksum-failure"),
                    QStringLiteral("--verification-polls"), QStringLiteral("0")});
    ASSERT_TRUE(sim.Running());
    UseGateway(sim.Port());

    CapturedOutput refused; // the unit's verification refuses the image: code 3
    EXPECT_EQ(RunDownloadCommand(kConnection, {master.toStdString()}, refused.Output()), kExitRequestFailed);
    const std::string err = refused.Err();
    // The unit's code in words, not by its number alone.
    EXPECT_NE(err.find("qora-cli: The target device encountered a non-recoverable error: the unit refused the "
                       "software (code 3)\n"),
              std::string::npos)
        << err;
    EXPECT_EQ(err.find("Unknown message"), std::string::npos) << err;
    // After the progress, the reason is one line.
    const std::string reason = err.substr(err.rfind("100 %\n") + 6);
    EXPECT_EQ(std::count(reason.begin(), reason.end(), '\n'), 1) << err;

    // A master file that is not there is named before anything is sent.
    CapturedOutput missing;
    const QString none = fw.filePath(QStringLiteral("none.MFI"));
    EXPECT_EQ(RunDownloadCommand(kConnection, {none.toStdString()}, missing.Output()), kExitRequestFailed);
    EXPECT_EQ(missing.Err(), "qora-cli: cannot open " + none.toStdString() + ": No such file or directory\n");
}

TEST_F(CliSoftware, ActivateSwapsTheBanksAndRefusesWhatCannotBeActivated)
{
    SimProcess sim({QStringLiteral("--active-firmware"), QStringLiteral("QOR0300.bin"),
                    QStringLiteral("--inactive-firmware"), QStringLiteral("QOR0400.bin"), QStringLiteral("--reboot-ms"),
                    QStringLiteral("200")});
    ASSERT_TRUE(sim.Running());
    UseGateway(sim.Port());

    CapturedOutput dry;
    EXPECT_EQ(RunActivateCommand(kConnection, {"--dry-run"}, dry.Output()), kExitOk) << dry.Err();
    EXPECT_EQ(dry.Out(), "Active Firmware: QOR0300.bin\nInactive Firmware: QOR0400.bin\n");

    CapturedOutput activated;
    EXPECT_EQ(RunActivateCommand(kConnection, {}, activated.Output()), kExitOk) << activated.Err();
    EXPECT_NE(activated.Out().find("Activated QOR0400.bin; the unit restarts.\n"), std::string::npos);

    // Read again once the unit answers after its restart.
    std::string names;
    for (int attempt = 0; attempt < 100 && names.empty(); ++attempt) {
        PumpFor(50);
        CapturedOutput again;
        if (RunActivateCommand(kConnection, {"--dry-run"}, again.Output()) == kExitOk)
            names = again.Out();
    }
    EXPECT_EQ(names, "Active Firmware: QOR0400.bin\nInactive Firmware: QOR0300.bin\n");
}

TEST_F(CliSoftware, ActivateRefusesAnEmptyBankAndTheSameBuildWithoutSending)
{
    QTemporaryDir dir;
    const QString trace = dir.filePath(QStringLiteral("trace.jsonl"));
    SimProcess same({QStringLiteral("--active-firmware"), QStringLiteral("QOR0300.bin"),
                     QStringLiteral("--inactive-firmware"), QStringLiteral("QOR0300.bin"), QStringLiteral("--trace"),
                     trace});
    ASSERT_TRUE(same.Running());
    UseGateway(same.Port());
    CapturedOutput sameBuild;
    EXPECT_EQ(RunActivateCommand(kConnection, {}, sameBuild.Output()), kExitRequestFailed);
    EXPECT_EQ(sameBuild.Err(), "qora-cli: The same software build is currently active.\n");
    // Only the names were read (53 84 on the link): no activation (53 77) went out.
    const QByteArray sent = ReadAll(trace);
    EXPECT_TRUE(sent.contains("\"req\":\"53840000\"")) << sent.constData();
    EXPECT_FALSE(sent.contains("\"req\":\"5377"));

    SimProcess empty({QStringLiteral("--inactive-firmware"), QString()});
    ASSERT_TRUE(empty.Running());
    UseGateway(empty.Port());
    CapturedOutput emptyBank;
    EXPECT_EQ(RunActivateCommand(kConnection, {}, emptyBank.Output()), kExitRequestFailed);
    EXPECT_NE(emptyBank.Out().find("Inactive Firmware:\n"), std::string::npos);
    EXPECT_EQ(emptyBank.Err(), "qora-cli: The inactive firmware bank is empty: there is nothing to activate.\n");

    EXPECT_EQ(RunActivateCommand(kConnection, {"--now"}, emptyBank.Output()), kExitUsage);
}

// A unit may restart on the activation before it answers; one that refuses
// has answered.
TEST_F(CliSoftware, AnActivationTheUnitDoesNotAnswerIsNoFailure)
{
    // The third request the unit sees is the activation (after the identity
    // probe and the names); it never reaches the unit and no reply comes.
    SimProcess silent({QStringLiteral("--inactive-firmware"), QStringLiteral("QOR0400.bin"),
                       QStringLiteral("--drop-every"), QStringLiteral("3")});
    ASSERT_TRUE(silent.Running());
    UseGateway(silent.Port());
    CapturedOutput quiet;
    EXPECT_EQ(RunActivateCommand(std::string(kConnection) + ",TMO=300", {}, quiet.Output()), kExitOk) << quiet.Err();
    EXPECT_EQ(quiet.Out(), "Active Firmware: QOR0300.bin\nInactive Firmware: QOR0400.bin\n"
                           "reset requested; the unit did not answer (it may already be restarting)\n");
    EXPECT_EQ(quiet.Err(), "");

    SimProcess refusing({QStringLiteral("--inactive-firmware"), QStringLiteral("QOR0400.bin"),
                         QStringLiteral("--nak-opcode"), QStringLiteral("0x77")});
    ASSERT_TRUE(refusing.Running());
    UseGateway(refusing.Port());
    CapturedOutput refused;
    EXPECT_EQ(RunActivateCommand(kConnection, {}, refused.Output()), kExitRequestFailed);
    EXPECT_EQ(refused.Out().find("reset requested"), std::string::npos);
    EXPECT_NE(refused.Err().find("Problems encountered when sending data"), std::string::npos) << refused.Err();

    // A read of the names that is not answered is a failure like any other.
    SimProcess unread({QStringLiteral("--drop-every"), QStringLiteral("2")});
    ASSERT_TRUE(unread.Running());
    UseGateway(unread.Port());
    CapturedOutput failed;
    EXPECT_EQ(RunActivateCommand(std::string(kConnection) + ",TMO=300", {}, failed.Output()), kExitRequestFailed);
    EXPECT_EQ(failed.Out(), "");
}

TEST(CliDownloadArguments, ChunkAndAnswerAreCheckedBeforeConnecting)
{
    std::string error;
    auto options = ParseDownloadArguments({"a.MFI", "--chunk", "128", "--yes"}, error);
    ASSERT_TRUE(options);
    EXPECT_EQ(options->masterPath, QStringLiteral("a.MFI"));
    EXPECT_EQ(options->chunkSize, 128);
    EXPECT_TRUE(options->yes);
    EXPECT_FALSE(options->jsonProgress);
    EXPECT_TRUE(ParseDownloadArguments({"--json-progress", "a.MFI"}, error)->jsonProgress);
    EXPECT_FALSE(ParseDownloadArguments({"a.MFI"}, error)->yes);
    for (const Args& bad : {Args{}, Args{"--yes"}, Args{"a.MFI", "--chunk", "127"}, Args{"a.MFI", "--chunk", "258"},
                            Args{"a.MFI", "--chunk"}, Args{"a.MFI", "--chunk", "2x0"}, Args{"a.MFI", "b.MFI"},
                            Args{"a.MFI", "--yes", "--no"}, Args{"a.MFI", "--fast"}}) {
        error.clear();
        EXPECT_FALSE(ParseDownloadArguments(bad, error));
        EXPECT_FALSE(error.empty());
    }
}

TEST(CliDownloadArguments, UnitAddressComesFromTheConnectionElseTheSettings)
{
    EXPECT_EQ(DownloadUnitAddress(QStringLiteral("WP=SOCKET,HOST=h,PORT=1,WP=NEQ1,ADDR=140"), 131), 140);
    EXPECT_EQ(DownloadUnitAddress(QStringLiteral("WP=SOCKET,HOST=h,PORT=1"), 131), 131);
    EXPECT_EQ(DownloadUnitAddress(QStringLiteral("WP=SOCKET,ADDR=70000"), 131), 131);
    EXPECT_EQ(DownloadUnitAddress(QStringLiteral("WP=SOCKET,ADDR=x"), 133), 133);
}

TEST(CliTextProgress, TerminalRewritesOneLinePlainOutputPrintsEachNewPercentage)
{
    CTextProgress plain(false);
    EXPECT_EQ(plain.Update(0), "  0 %\n");
    EXPECT_EQ(plain.Update(0), "");
    EXPECT_EQ(plain.Update(150), "100 %\n");
    EXPECT_EQ(plain.Break(), "");

    CTextProgress terminal(true);
    EXPECT_EQ(terminal.Break(), "");
    const std::string half = terminal.Update(50);
    EXPECT_EQ(half, "\r[" + std::string(20, '#') + std::string(20, ' ') + "]  50 %");
    EXPECT_EQ(terminal.Update(-5).substr(0, 3), "\r[ ");
    EXPECT_EQ(terminal.Break(), "\n");
    EXPECT_EQ(terminal.Break(), "");
}

} // namespace
