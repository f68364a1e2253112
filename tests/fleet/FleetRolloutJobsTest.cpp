// The rollout's scheduling and per-unit checks in process: children stand in
// for qora-cli as a small shell script, the units' firmware names come from a
// fake link. Bounded children at once, and each way a unit can end.

#include "fleet/ChildProgress.h"
#include "fleet/FleetRollout.h"
#include "link/IRksLink.h"
#include "link/ServiceFraming.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <ranges>

namespace {

QCoreApplication& App()
{
    static int argc = 1;
    static char name[] = "fleet_tests";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    return app;
}

// A unit's names as the fake link reports them: the new software runs once
// the child's activation left its mark for that connection.
class FakeLink : public IRksLink {
public:
    explicit FakeLink(QString marks) : marks_(std::move(marks)) {}

    bool Open(const std::string& connection) override
    {
        connection_ = connection;
        const QString name = QString::fromStdString(connection);
        if (Activated()) {
            QFile reads(marks_ + QStringLiteral("/reads.") + name);
            if (reads.open(QIODevice::Append))
                reads.write("read\n");
            // A "bounce" unit goes down once after its activation and comes
            // back with its old software.
            if (connection.find("bounce") != std::string::npos) {
                QFile down(marks_ + QStringLiteral("/down.") + name);
                if (!down.exists())
                    return !down.open(QIODevice::WriteOnly);
            }
        }
        return connection.find("gone") == std::string::npos;
    }
    void Close() override {}
    bool Transfer(const std::optional<std::string>& route, std::span<const std::uint8_t>,
                  std::vector<std::uint8_t>& reply) override
    {
        if (route && *route == ServiceFraming::kIdentityRoute) {
            reply.assign(ServiceFraming::kQoraIdentity, ServiceFraming::kQoraIdentity + 6);
            return true;
        }
        const bool activated = Activated() && connection_.find("bounce") == std::string::npos;
        std::string active = "QOR0300.bin", inactive = "QOR0310.bin";
        if (connection_.find("new") != std::string::npos || activated)
            std::swap(active, inactive);
        if (connection_.find("wrong") != std::string::npos)
            inactive = "QOR0290.bin";
        // A unit that names what it received in its own way.
        if (connection_.find("renamed") != std::string::npos) {
            const bool downloaded =
                QFile::exists(marks_ + QStringLiteral("/downloaded.") + QString::fromStdString(connection_));
            active = activated ? "SWDL-0310" : "QOR0300.bin";
            inactive = activated ? "QOR0300.bin" : downloaded ? "SWDL-0310" : "QOR0290.bin";
        }
        reply = {0x54, 0x85, 0, 0};
        for (const std::string& name : {active, inactive}) {
            std::vector<std::uint8_t> field(16, 0);
            std::copy(name.begin(), name.end(), field.begin());
            reply.insert(reply.end(), field.begin(), field.end());
        }
        return true;
    }

private:
    bool Activated() const
    {
        return QFile::exists(marks_ + QStringLiteral("/activated.") + QString::fromStdString(connection_));
    }

    QString marks_;
    std::string connection_;
};

// $2 is the connection, $3 the command. Records how many children run at
// once; "fail" units refuse the download, "stuck" units never run the new
// software after their activation.
const char* const kChild = R"(d="$ROLLOUT_DIR"
mkdir "$d/run.$$"
ls -d "$d"/run.* | wc -l >> "$d/running"
sleep 0.2
rmdir "$d/run.$$"
echo "$2 $3" >> "$d/commands"
case "$2:$3" in
  *fail*:download) echo '{"event":"progress","percent":40}'; echo "the unit refused the transfer" >&2; exit 1 ;;
  *slow*:download) echo '{"event":"progress","percent":40}'; echo " 70 %" >&2; sleep 0.6
                   echo '{"event":"verifying"}'; sleep 0.6 ;;
  *stuck*:activate) ;;
  *:activate) touch "$d/activated.$2" ;;
  *:download) touch "$d/downloaded.$2" ;;
esac
exit 0
)";

class RolloutJobs : public testing::Test {
protected:
    std::vector<SRolloutRow> Run(const QStringList& connections, int jobs, bool activate)
    {
        App();
        qputenv("ROLLOUT_DIR", dir.path().toLocal8Bit());
        std::vector<SRolloutRow> rows;
        for (const QString& connection : connections)
            rows.push_back({connection, connection, {}, {}});
        SRolloutOptions options;
        options.masterPath = QStringLiteral("NEW.MFI");
        options.software = {QStringLiteral("QOR0310.bin"), QStringLiteral("QORSW310")};
        options.jobs = jobs;
        options.activate = activate;
        options.restartTimeoutMs = 400;
        options.restartPollMs = 50;
        options.program = QStringLiteral("/bin/sh");
        options.childArguments = {QStringLiteral("-c"), QString::fromLatin1(kChild), QStringLiteral("child")};
        const QString marks = dir.path();
        options.makeLink = [marks] { return std::make_unique<FakeLink>(marks); };
        CFleetRollout rollout(std::move(rows), options);
        QEventLoop loop;
        QObject::connect(&rollout, &CFleetRollout::Finished, &loop, &QEventLoop::quit);
        QTimer::singleShot(20000, &loop, &QEventLoop::quit);
        rollout.Start();
        loop.exec();
        EXPECT_EQ(rollout.FinishedUnits(), connections.size());
        return rollout.Rows();
    }

    QStringList Lines(const QString& name) const
    {
        QFile file(dir.filePath(name));
        return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll()).split(u'\n', Qt::SkipEmptyParts)
                                              : QStringList();
    }

    QTemporaryDir dir;
};

} // namespace

TEST_F(RolloutJobs, NeverMoreChildrenThanJobsAndEveryUnitEnds)
{
    const auto rows = Run({"a", "b", "c", "d", "e", "f"}, 2, false);
    for (const SRolloutRow& row : rows)
        EXPECT_EQ(row.outcome, ERolloutOutcome::Downloaded) << row.name.toStdString() << ": " << row.reason.toStdString();
    const QStringList running = Lines(QStringLiteral("running"));
    ASSERT_EQ(running.size(), 6);
    const int most = std::ranges::max(running | std::views::transform([](const QString& n) { return n.trimmed().toInt(); }));
    EXPECT_LE(most, 2);
    EXPECT_EQ(Lines(QStringLiteral("commands")).filter(QStringLiteral(" activate")).size(), 0);
}

TEST_F(RolloutJobs, EachUnitEndsWithItsOwnReason)
{
    const auto rows = Run({"ok", "new", "fail", "wrong", "stuck", "gone", "renamed", "bounce"}, 3, true);
    const auto row = [&](const char* name) {
        const auto it = std::find_if(rows.begin(), rows.end(), [&](const SRolloutRow& r) { return r.name == QLatin1String(name); });
        return it != rows.end() ? *it : SRolloutRow{};
    };
    EXPECT_EQ(row("ok").outcome, ERolloutOutcome::Activated) << row("ok").reason.toStdString();
    EXPECT_EQ(row("new").outcome, ERolloutOutcome::Skipped);
    EXPECT_EQ(row("new").reason, QStringLiteral("already running QOR0310.bin"));
    EXPECT_EQ(row("fail").outcome, ERolloutOutcome::Failed);
    EXPECT_EQ(row("fail").reason, QStringLiteral("download: the unit refused the transfer"));
    EXPECT_EQ(row("renamed").outcome, ERolloutOutcome::Activated)
        << "the bank the download renamed is the new software: " << row("renamed").reason.toStdString();
    EXPECT_EQ(row("wrong").outcome, ERolloutOutcome::Failed);
    EXPECT_EQ(row("wrong").reason, QStringLiteral("downloaded, but the inactive bank holds QOR0290.bin"));
    EXPECT_EQ(row("stuck").outcome, ERolloutOutcome::Failed);
    EXPECT_EQ(row("stuck").reason, QStringLiteral("running QOR0300.bin after the restart, not QOR0310.bin"));
    // Down and back with the old software: that is what it restarted with,
    // judged at once rather than read again until the restart time is up.
    EXPECT_EQ(row("bounce").outcome, ERolloutOutcome::Failed);
    EXPECT_EQ(row("bounce").reason, QStringLiteral("running QOR0300.bin after the restart, not QOR0310.bin"));
    EXPECT_EQ(Lines(QStringLiteral("reads.bounce")).size(), 2) << "down once, then back";
    EXPECT_EQ(row("gone").outcome, ERolloutOutcome::Failed);
    EXPECT_TRUE(row("gone").reason.startsWith(QStringLiteral("no connection: "))) << row("gone").reason.toStdString();

    // Only what passed its checks was activated; the skipped and unreachable units got nothing.
    QStringList commands = Lines(QStringLiteral("commands"));
    commands.sort();
    EXPECT_EQ(commands, (QStringList{"bounce activate", "bounce download", "fail download", "ok activate",
                                     "ok download", "renamed activate", "renamed download", "stuck activate",
                                     "stuck download", "wrong download"}));
}

TEST(RolloutChildProgress, LinesAreReadBackAsWrittenAndAnythingElseIsNoProgress)
{
    for (const SChildProgress event : {SChildProgress{SChildProgress::Kind::Progress, 0},
                                       SChildProgress{SChildProgress::Kind::Progress, 100},
                                       SChildProgress{SChildProgress::Kind::Verifying, 0}}) {
        const QByteArray line = ChildProgressLine(event);
        ASSERT_TRUE(line.endsWith('\n'));
        const auto read = ParseChildProgressLine(line.chopped(1));
        ASSERT_TRUE(read) << line.toStdString();
        EXPECT_EQ(read->kind, event.kind);
        EXPECT_EQ(read->percent, event.percent);
    }
    for (const char* other : {" 40 %", "verifying...", "", "{}", "[40]", R"({"event":"progress"})",
                              R"({"event":"progress","percent":"40"})", R"({"event":"progress","percent":101})",
                              R"({"event":"progress","percent":-1})", R"({"event":"progress","percent":4.5})",
                              R"({"event":"done"})", R"({"event":"progress","percent":40)"})
        EXPECT_FALSE(ParseChildProgressLine(QByteArrayView(other))) << other;
}

// The running units show what the child reports on its standard output, not
// text that looks like progress on standard error.
TEST_F(RolloutJobs, TheChildsProgressLinesShowWhileItRuns)
{
    App();
    qputenv("ROLLOUT_DIR", dir.path().toLocal8Bit());
    SRolloutOptions options;
    options.software = {QStringLiteral("QOR0310.bin"), QStringLiteral("QORSW310")};
    options.program = QStringLiteral("/bin/sh");
    options.childArguments = {QStringLiteral("-c"), QString::fromLatin1(kChild), QStringLiteral("child")};
    const QString marks = dir.path();
    options.makeLink = [marks] { return std::make_unique<FakeLink>(marks); };
    CFleetRollout rollout({{QStringLiteral("slow"), QStringLiteral("slow"), {}, {}}}, options);
    QStringList seen;
    QEventLoop loop;
    QObject::connect(&rollout, &CFleetRollout::Finished, &loop, &QEventLoop::quit);
    QTimer look;
    QObject::connect(&look, &QTimer::timeout, &loop, [&] {
        for (const QString& stage : rollout.RunningUnits())
            if (!seen.contains(stage))
                seen << stage;
    });
    look.start(20);
    QTimer::singleShot(20000, &loop, &QEventLoop::quit);
    rollout.Start();
    loop.exec();
    ASSERT_EQ(rollout.FinishedUnits(), 1u);
    EXPECT_EQ(rollout.Rows()[0].outcome, ERolloutOutcome::Downloaded);
    EXPECT_TRUE(seen.contains(QStringLiteral("slow 40 %"))) << seen.join(u'|').toStdString();
    EXPECT_TRUE(seen.contains(QStringLiteral("slow verifying"))) << seen.join(u'|').toStdString();
    EXPECT_FALSE(seen.contains(QStringLiteral("slow 70 %"))) << seen.join(u'|').toStdString();
}

TEST_F(RolloutJobs, CancelStartsNoOtherUnitAndKillEndsTheChildrenAtOnce)
{
    App();
    qputenv("ROLLOUT_DIR", dir.path().toLocal8Bit());
    std::vector<SRolloutRow> rows;
    for (const char* name : {"a", "b", "c"})
        rows.push_back({QString::fromLatin1(name), QString::fromLatin1(name), {}, {}});
    SRolloutOptions options;
    options.software = {QStringLiteral("QOR0310.bin"), QStringLiteral("QORSW310")};
    options.jobs = 2;
    options.program = QStringLiteral("/bin/sh");
    // A child that ignores SIGTERM, as one stuck in its connection would.
    options.childArguments = {QStringLiteral("-c"), QStringLiteral("trap '' TERM; echo $$ >> \"$ROLLOUT_DIR/pids\"; exec sleep 30"),
                              QStringLiteral("child")};
    const QString marks = dir.path();
    options.makeLink = [marks] { return std::make_unique<FakeLink>(marks); };
    CFleetRollout rollout(std::move(rows), options);
    QEventLoop loop;
    bool finished = false;
    QObject::connect(&rollout, &CFleetRollout::Finished, &loop, [&] {
        finished = true;
        loop.quit();
    });
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (Lines(QStringLiteral("pids")).size() == 2)
            loop.quit();
    });
    poll.start(20);
    QTimer::singleShot(10000, &loop, &QEventLoop::quit);
    rollout.Start();
    loop.exec();
    poll.stop();
    ASSERT_EQ(Lines(QStringLiteral("pids")).size(), 2);

    rollout.Cancel();
    EXPECT_EQ(rollout.Rows()[2].outcome, ERolloutOutcome::Cancelled);
    EXPECT_EQ(rollout.Rows()[2].reason, QStringLiteral("not started"));
    QTimer::singleShot(300, &loop, &QEventLoop::quit);
    loop.exec();
    EXPECT_FALSE(finished) << "the children ignore the request to end";

    rollout.Kill();
    QTimer::singleShot(5000, &loop, &QEventLoop::quit);
    if (!finished)
        loop.exec();
    ASSERT_TRUE(finished);
    for (std::size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(rollout.Rows()[i].outcome, ERolloutOutcome::Cancelled);
        EXPECT_EQ(rollout.Rows()[i].reason, QStringLiteral("killed; the unit may be left mid-download"));
    }
    EXPECT_EQ(Lines(QStringLiteral("pids")).size(), 2) << "no unit started after the cancel";
}
