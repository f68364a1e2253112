// The log file of --log: what it says about failures that really happen on the
// TCP link to the simulated unit, and how the programs take the option.

#include "cli/CliArguments.h"
#include "link/CommHandler.h"
#include "platform/LogFile.h"
#include "platform/MainWindow.h"
#include "rks/RksComponents.h"
#include "support/CliRun.h"
#include "support/EventLoop.h"
#include "support/MessageRecorder.h"
#include "support/SimProcess.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <iostream>
#include <tuple>

namespace {

const char kLocal[] = "WP=SOCKET,HOST=192.168.255.120,PORT=7000,WP=NEQ1,ADDR=131";

QStringList LogLines(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QString text = QString::fromUtf8(file.readAll());
    // Shown with the test's output, so that a reader sees what the office gets.
    std::cout << "--- " << qPrintable(path) << "\n" << qPrintable(text) << std::flush;
    return text.split(u'\n', Qt::SkipEmptyParts);
}

// The lines of one level and category, with the time taken off.
QStringList Entries(const QStringList& lines, const QString& levelAndCategory)
{
    static const QRegularExpression time(QStringLiteral("^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\\.\\d{3}Z "));
    QStringList entries;
    for (const QString& line : lines) {
        const auto match = time.match(line);
        if (!match.hasMatch())
            continue;
        const QString rest = line.mid(match.capturedLength());
        if (rest.startsWith(levelAndCategory + QLatin1String(": ")))
            entries << rest.mid(levelAndCategory.size() + 2);
    }
    return entries;
}

class LogFileEndToEnd : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(folder.isValid()); }
    void TearDown() override { StopLogFile(); }

    [[nodiscard]] QString LogPath() const { return folder.filePath(QStringLiteral("qora.log")); }
    [[nodiscard]] std::vector<std::pair<QString, QString>> Gateway(const QString& rules = QString()) const
    {
        return {{QStringLiteral("QORA_RKS_GATEWAY"), QStringLiteral("127.0.0.1:%1").arg(sim->Port())},
                {QStringLiteral("QT_LOGGING_RULES"), rules}};
    }
    void StartUnit(const QStringList& faults)
    {
        sim = std::make_unique<SimProcess>(faults);
        ASSERT_TRUE(sim->Running());
    }

    QTemporaryDir folder;
    std::unique_ptr<SimProcess> sim;
};

// The unit goes away while a request waits for its reply: the handler's view
// (which request, to which unit) and the link's (which endpoint, what broke).
TEST_F(LogFileEndToEnd, TheUnitGoneDuringARequestIsLoggedWithTheRequestAndTheReason)
{
    ASSERT_EQ(StartLogFile(LogPath()), std::nullopt);
    StartUnit({QStringLiteral("--delay-ms"), QStringLiteral("1500")});
    RegisterRksComponents();
    MessageRecorder frame, listener;
    SetMainWindowTarget(&frame);
    qputenv("QORA_RKS_GATEWAY", QStringLiteral("127.0.0.1:%1").arg(sim->Port()).toLatin1());
    {
        CCommHandler handler;
        handler.SetSilentConnect(true);
        handler.AddListener(&listener);
        handler.Connect(ConnectionRoute::Direct, kLocal);
        ASSERT_TRUE(PumpUntil([&] { return frame.HasNotice(NOTICE_CONNECTED); }, 10000));

        auto read = std::make_unique<CDeviceMessage>();
        for (std::uint8_t b : {0x84, 0x09, 0x17, 0x01, 0x00, 0x90, 0x04})
            read->AppendByte(b);
        SendToHandler(&handler, std::move(read));
        PumpFor(400); // the request is out; its reply is 1.5 s away
        sim->Kill();
        ASSERT_TRUE(PumpUntil([&] { return !listener.DeviceMessages().empty(); }, 10000));
        EXPECT_EQ(listener.DeviceMessages()[0].wParam, 0u);
    }
    SetMainWindowTarget(nullptr);
    qunsetenv("QORA_RKS_GATEWAY");
    StopLogFile();

    const QStringList lines = LogLines(LogPath());
    const QString endpoint = QStringLiteral("gateway 127.0.0.1:%1").arg(sim->Port());
    EXPECT_EQ(Entries(lines, QStringLiteral("info qora.link")),
              (QStringList{QStringLiteral("connecting to \"%1\" (direct)").arg(QLatin1String(kLocal)),
                           QStringLiteral("connected to a QORA unit")}));
    EXPECT_EQ(Entries(lines, QStringLiteral("warning qora.rks")),
              QStringList{QStringLiteral("request 53 54 01 00 90 04 to %1: the connection was closed before the "
                                         "reply came")
                              .arg(endpoint)});
    EXPECT_EQ(Entries(lines, QStringLiteral("warning qora.link")),
              QStringList{QStringLiteral("request 84 09 17 to \"%1\" failed: the connection was closed before the "
                                         "reply came")
                              .arg(QLatin1String(kLocal))});
}

// A reply too short for what was asked: the data group, the reply and its size.
TEST_F(LogFileEndToEnd, AMalformedReplyIsLoggedByTheGroupThatReadIt)
{
    StartUnit({QStringLiteral("--short-reply-opcode"), QStringLiteral("0x54")});
    const CliRun run = RunCli({QStringLiteral("--log"), LogPath(), QStringLiteral("--connection"),
                               QString::fromLatin1(kLocal), QStringLiteral("version")},
                              Gateway());
    EXPECT_EQ(run.status, 1) << qPrintable(run.err);
    EXPECT_FALSE(run.err.contains(QLatin1String("qora."))) << "the log goes to the file only";
    const QStringList lines = LogLines(LogPath());
    EXPECT_EQ(Entries(lines, QStringLiteral("warning qora.data")),
              QStringList{QStringLiteral("CVersionData: malformed read reply 84 09 18: 3 bytes, length byte 0")});
    EXPECT_EQ(Entries(lines, QStringLiteral("warning qora.rks")), QStringList{});
}

// An OPEN the gateway refuses: the result code from the wire, then the
// handler's word. The engineer's own rules still decide what the file takes.
TEST_F(LogFileEndToEnd, ARefusedOpenIsLoggedWithItsResultCode)
{
    StartUnit({QStringLiteral("--refuse-open")});
    const CliRun run = RunCli({QStringLiteral("--connection"), QString::fromLatin1(kLocal), QStringLiteral("version"),
                               QStringLiteral("--log=") + LogPath()},
                              Gateway(QStringLiteral("qora.link.info=false")));
    EXPECT_EQ(run.status, 2) << qPrintable(run.err);
    const QStringList lines = LogLines(LogPath());
    const QString endpoint = QStringLiteral("gateway 127.0.0.1:%1").arg(sim->Port());
    const QString refusal =
        QStringLiteral("the unit was refused: %1 answered result 1 (no such unit)").arg(endpoint);
    EXPECT_EQ(Entries(lines, QStringLiteral("warning qora.rks")),
              QStringList{QStringLiteral("OPEN \"%1\" to %2: %3").arg(QLatin1String(kLocal), endpoint, refusal)});
    EXPECT_EQ(Entries(lines, QStringLiteral("warning qora.link")),
              QStringList{QStringLiteral("connection failed: ") + refusal});
    EXPECT_EQ(Entries(lines, QStringLiteral("info qora.link")), QStringList{});
}

TEST_F(LogFileEndToEnd, TheCommandLineCompanionRefusesALogFileItCannotOpen)
{
    const QString unwritable = folder.filePath(QStringLiteral("no-such-folder/qora.log"));
    const CliRun run = RunCli({QStringLiteral("--log"), unwritable, QStringLiteral("settings")});
    EXPECT_EQ(run.status, 64);
    EXPECT_EQ(run.err, QStringLiteral("qora-cli: cannot open %1: No such file or directory\n").arg(unwritable));
    EXPECT_EQ(run.out, QString());

    const CliRun missing = RunCli({QStringLiteral("version"), QStringLiteral("--log")});
    EXPECT_EQ(missing.status, 64);
    EXPECT_EQ(missing.err, QStringLiteral("qora-cli: --log needs a value\n"));

    const CliRun twice = RunCli({QStringLiteral("--log=a.log"), QStringLiteral("version"), QStringLiteral("--log"),
                                 QStringLiteral("b.log")});
    EXPECT_EQ(twice.status, 64);
    EXPECT_EQ(twice.err, QStringLiteral("qora-cli: --log given twice\n"));
}

// After the command, --log, --trace and --connection are taken where an option
// may stand and nowhere else.
TEST(CliGlobalOptions, TakenAmongTheOptionsButNeverFromAValueOrAText)
{
    using Args = std::vector<std::string>;
    const auto take = [](const std::string& command, Args arguments) {
        SGlobalOptions options;
        std::string error;
        TakeGlobalOptions(command, arguments, options, error);
        const auto shown = [](const std::optional<std::string>& value) { return value.value_or("(none)"); };
        return std::make_tuple(arguments, shown(options.logPath) + " " + shown(options.tracePath) + " " +
                                              shown(options.connection),
                               error);
    };
    EXPECT_EQ(take("download", {"m.MFI", "--log", "x.log", "--chunk", "256", "--trace=t.jsonl"}),
              std::make_tuple(Args{"m.MFI", "--chunk", "256"}, std::string("x.log t.jsonl (none)"), std::string()));
    EXPECT_EQ(take("commission", {"wo.xml", "--user", "--log", "--log=y.log", "--comments", "--trace", "--verify-report",
                                  "--connection", "--connection", "C"}),
              std::make_tuple(Args{"wo.xml", "--user", "--log", "--comments", "--trace", "--verify-report",
                                   "--connection"},
                              std::string("y.log (none) C"), std::string()));
    EXPECT_EQ(take("user", {"set", "--log", "-", "--trace=c", "a", "--log", "u.log"}),
              std::make_tuple(Args{"set", "--log", "-", "--trace=c", "a"}, std::string("u.log (none) (none)"),
                              std::string()));
    EXPECT_EQ(take("timing", {"set", "--log", "1"}),
              std::make_tuple(Args{"set", "--log", "1"}, std::string("(none) (none) (none)"), std::string()));
    // fleet's --json names a file; status's takes nothing.
    EXPECT_EQ(take("fleet", {"status", "--json", "--trace", "--trace", "t"}),
              std::make_tuple(Args{"status", "--json", "--trace"}, std::string("(none) t (none)"), std::string()));
    EXPECT_EQ(take("status", {"--json", "--trace", "t"}),
              std::make_tuple(Args{"--json"}, std::string("(none) t (none)"), std::string()));
    EXPECT_EQ(std::get<2>(take("version", {"--log="})), "--log needs a value");
    EXPECT_EQ(std::get<2>(take("version", {"--trace"})), "--trace needs a value");
    EXPECT_EQ(std::get<2>(take("version", {"--log=a", "--log", "b"})), "--log given twice");
    EXPECT_EQ(std::get<2>(take("version", {"--connection=a", "--connection", "b"})), "--connection given twice");
}

// The global options after the command do what they do before it: the
// connection is the one given, the log and the recording are written.
TEST_F(LogFileEndToEnd, GlobalOptionsAfterTheCommandWorkAsBeforeIt)
{
    StartUnit({});
    const QString trace = folder.filePath(QStringLiteral("trace.jsonl"));
    const CliRun run = RunCli({QStringLiteral("identify"), QStringLiteral("--trace"), trace, QStringLiteral("--log"),
                               LogPath(), QStringLiteral("--connection=") + QLatin1String(kLocal)},
                              Gateway());
    EXPECT_EQ(run.status, 0) << qPrintable(run.err);
    EXPECT_EQ(run.out, QStringLiteral("identity: QORHW2\n"));
    QFile recording(trace);
    ASSERT_TRUE(recording.open(QIODevice::ReadOnly));
    EXPECT_TRUE(recording.readAll().contains("\"kind\":\"transfer\"")) << "the exchanges were recorded";
    EXPECT_TRUE(QFile::exists(LogPath()));
    // A unit the gateway does not know: the connection after the command is the one used.
    const CliRun elsewhere = RunCli(
        {QStringLiteral("identify"), QStringLiteral("--connection"), QStringLiteral("WP=SOCKET,HOST=10.9.9.9,PORT=7000,ADDR=5")},
        Gateway());
    EXPECT_EQ(elsewhere.status, 2) << qPrintable(elsewhere.err);

    const CliRun twice = RunCli({QStringLiteral("--trace=a"), QStringLiteral("identify"), QStringLiteral("--trace"),
                                 QStringLiteral("b")});
    EXPECT_EQ(twice.status, 64);
    EXPECT_EQ(twice.err, QStringLiteral("qora-cli: --trace given twice\n"));
}

// Without --log the program's categories stay off: a failing command still
// leaves its one line on standard error and nothing more.
TEST_F(LogFileEndToEnd, WithoutALogFileOnlyTheReasonReachesStandardError)
{
    StartUnit({QStringLiteral("--refuse-open")});
    const CliRun run =
        RunCli({QStringLiteral("--connection"), QString::fromLatin1(kLocal), QStringLiteral("version")}, Gateway());
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err.count(u'\n'), 1) << qPrintable(run.err);
    EXPECT_FALSE(run.err.contains(QLatin1String("qora.")));
}

} // namespace
