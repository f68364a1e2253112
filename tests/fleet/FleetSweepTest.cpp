// Fleet sweeps against the simulator's fleet: several units read at once, each
// through its own link, the silent one reported with its reason, and the
// results in the order asked whatever the number of jobs.

#include "fleet/FleetIdentity.h"
#include "fleet/FleetStatusDecoder.h"
#include "fleet/FleetSweep.h"
#include "link/ComponentFactory.h"
#include "rks/RksComponents.h"
#include "rks/RksNodeDirectory.h"
#include "status/constellation/ConstellationStatisticsView.h"
#include "support/SimProcess.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>

namespace {

// The simulator with four fleet units: 1 silent, 2 failing its self-test,
// 3 on old firmware, 4 healthy; QORA_RKS_GATEWAY names it while the test runs.
class FleetOnSim : public testing::Test {
protected:
    void SetUp() override
    {
        path = dir.filePath(QStringLiteral("nodes.json"));
        sim = std::make_unique<SimProcess>(QStringList{
            "--fleet", "4", "--fleet-silent", "1", "--fleet-self-test-failure", "2", "--fleet-old-firmware", "3",
            "--directory", path});
        ASSERT_TRUE(sim->Running());
        const QByteArray gateway = "127.0.0.1:" + QByteArray::number(sim->Port());
        setenv("QORA_RKS_GATEWAY", gateway.constData(), 1);
        RegisterRksComponents();
        QString error;
        ASSERT_TRUE(directory.Load(path, error)) << error.toStdString();
        for (const RksNode& node : directory.Root().groups.at(0).groups.at(0).nodes)
            connections.push_back(node.connection);
        ASSERT_EQ(connections.size(), 5u);
    }
    void TearDown() override { unsetenv("QORA_RKS_GATEWAY"); }

    std::vector<SFleetUnitReplies> Sweep(int jobs, std::atomic<std::size_t>* done = nullptr)
    {
        SFleetSweepOptions options;
        options.jobs = jobs;
        options.done = done;
        options.makeLink = [] { return ComponentFactory<IRksLink>::Create(CLSID_RksLink); };
        return SweepFleet(connections, {VersionBlockRequest(), FirmwareNamesRequest()}, options);
    }

    QTemporaryDir dir;
    QString path;
    std::unique_ptr<SimProcess> sim;
    CRksNodeDirectory directory;
    std::vector<std::string> connections;
};

} // namespace

TEST_F(FleetOnSim, EveryUnitReadInOrderWhateverTheJobs)
{
    for (const int jobs : {1, 3, 64}) {
        std::atomic<std::size_t> done{0};
        const auto results = Sweep(jobs, &done);
        ASSERT_EQ(results.size(), 5u);
        EXPECT_EQ(done.load(), 5u);

        // The simulator's first unit and the fleet's units, each its own serial.
        const char* serials[] = {"QSIM131", nullptr, "QSIMF00002", "QSIMF00003", "QSIMF00004"};
        for (std::size_t i = 0; i < results.size(); ++i) {
            SCOPED_TRACE(testing::Message() << "jobs " << jobs << ", unit " << i);
            if (!serials[i])
                continue;
            ASSERT_TRUE(results[i].reachable) << results[i].error;
            EXPECT_EQ(results[i].error, "");
            ASSERT_EQ(results[i].replies.size(), 2u);
            ASSERT_TRUE(results[i].replies[0] && results[i].replies[1]);
            EXPECT_EQ(SerialNumberOf(*results[i].replies[0]), QString::fromLatin1(serials[i]));
        }

        const auto old = FirmwareNamesOf(*results[3].replies[1]);
        const auto current = FirmwareNamesOf(*results[4].replies[1]);
        ASSERT_TRUE(old && current);
        EXPECT_EQ(old->active, QStringLiteral("QOR0290.bin"));
        EXPECT_EQ(old->inactive, QStringLiteral("QOR0280.bin"));
        EXPECT_EQ(current->active, QStringLiteral("QOR0300.bin"));
        EXPECT_EQ(current->inactive, QStringLiteral("QOR0290.bin"));
    }
}

TEST_F(FleetOnSim, ASilentUnitIsUnreachableWithItsReason)
{
    const auto results = Sweep(4);
    EXPECT_FALSE(results[1].reachable);
    EXPECT_FALSE(results[1].error.empty());
    EXPECT_EQ(results[1].replies.size(), 0u) << "nothing is asked of a unit that does not answer";

    // A unit no gateway knows of, and one whose connection string cannot be used.
    connections = {"WP=SOCKET,HOST=10.9.9.9,PORT=1,WP=NEQ1,ADDR=131", "HOST=,ADDR=x"};
    for (const auto& result : Sweep(2)) {
        EXPECT_FALSE(result.reachable);
        EXPECT_FALSE(result.error.empty());
    }
}

TEST(FleetIdentity, ShortOrRefusedRepliesGiveNothing)
{
    CDeviceMessage empty;
    EXPECT_FALSE(SerialNumberOf(empty));
    EXPECT_FALSE(FirmwareNamesOf(empty));

    // Names: an empty bank is an empty name; a name without its zero byte, or
    // a state the tool does not know, is no answer.
    CDeviceMessage names;
    const std::uint8_t head[] = {0x86, 0x0C, 0x39, 0, 1};
    names.AppendBytes(head, 5);
    names.AppendBytes("QOR0300.bin\0\0\0\0\0", 16);
    names.AppendBytes(QByteArray(16, 'x').constData(), 16);
    const auto decoded = FirmwareNamesOf(names);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->active, QStringLiteral("QOR0300.bin"));
    EXPECT_EQ(decoded->inactive, QString());
    names.GetData()[4] = 0;
    EXPECT_FALSE(FirmwareNamesOf(names)) << "the inactive name runs past its field";
    names.GetData()[4] = 7;
    EXPECT_FALSE(FirmwareNamesOf(names));

    // A version block read refused (status 1) or cut short.
    CDeviceMessage version;
    const std::uint8_t readHead[] = {0x84, 0x09, 0x18, 0x01, 0x00, 0x90, 0x04, 169, 0};
    version.AppendBytes(readHead, 9);
    version.AppendBytes(QByteArray(164, '\0').constData(), 100);
    EXPECT_FALSE(SerialNumberOf(version));
    version.AppendBytes(QByteArray(64, '\0').constData(), 64);
    EXPECT_TRUE(SerialNumberOf(version));
    version.GetData()[8] = 1;
    EXPECT_FALSE(SerialNumberOf(version));
}

// The decoder reads every unit afresh, and leaves the statistics of the unit
// the program is connected to as they were.
TEST_F(FleetOnSim, DecodingLeavesNoTraceBetweenUnitsOrInTheProgram)
{
    SharedConstellationStatistics().verdict = CConstellationStatisticsView::kVerdictBad;
    SharedConstellationStatistics().total = 1234;

    CFleetStatusDecoder decoder;
    SFleetSweepOptions options;
    options.jobs = 5;
    options.makeLink = [] { return ComponentFactory<IRksLink>::Create(CLSID_RksLink); };
    const auto replies = SweepFleet(connections, decoder.Requests(), options);
    ASSERT_EQ(replies.size(), 5u);

    const SFleetUnitHealth healthy = decoder.Decode(replies[4], QStringLiteral("131"));
    EXPECT_TRUE(healthy.selfTestOk);
    EXPECT_EQ(healthy.selfTest, QStringLiteral("OK"));
    EXPECT_FALSE(healthy.verdict.isEmpty());
    EXPECT_FALSE(healthy.latitude.isEmpty());

    const SFleetUnitHealth failed = decoder.Decode(replies[2], QStringLiteral("131"));
    EXPECT_FALSE(failed.selfTestOk);
    EXPECT_EQ(failed.selfTest, QStringLiteral("Not OK"));

    // Nothing of the unit before shows for a unit that was not read.
    const SFleetUnitHealth silent = decoder.Decode(replies[1], QStringLiteral("131"));
    EXPECT_FALSE(silent.reachable);
    EXPECT_FALSE(silent.selfTestOk);
    EXPECT_EQ(silent.selfTest, QString());
    EXPECT_EQ(silent.verdict, QString());
    SFleetUnitReplies unanswered = replies[4];
    unanswered.replies.assign(unanswered.replies.size(), std::nullopt);
    const SFleetUnitHealth blank = decoder.Decode(unanswered, QStringLiteral("131"));
    EXPECT_FALSE(blank.selfTestOk);
    EXPECT_NE(blank.selfTest, QStringLiteral("OK"));
    EXPECT_EQ(blank.latitude, QString());

    EXPECT_EQ(SharedConstellationStatistics().verdict, CConstellationStatisticsView::kVerdictBad);
    EXPECT_EQ(SharedConstellationStatistics().total, 1234u);
}

// Units answer slowly (5 ms a reply); sixteen connections at once must not
// wait for one another anywhere on our side.
TEST(FleetSweepSpeed, SixteenJobsOverlapTheirWaits)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("nodes.json"));
    SimProcess sim({"--fleet", "47", "--delay-ms", "5", "--directory", path});
    ASSERT_TRUE(sim.Running());
    const QByteArray gateway = "127.0.0.1:" + QByteArray::number(sim.Port());
    setenv("QORA_RKS_GATEWAY", gateway.constData(), 1);
    RegisterRksComponents();
    CRksNodeDirectory directory;
    QString error;
    ASSERT_TRUE(directory.Load(path, error)) << error.toStdString();
    std::vector<std::string> connections;
    for (const RksNode& node : directory.Root().groups.at(0).groups.at(0).nodes)
        connections.push_back(node.connection);

    const auto timed = [&](int jobs) {
        SFleetSweepOptions options;
        options.jobs = jobs;
        options.makeLink = [] { return ComponentFactory<IRksLink>::Create(CLSID_RksLink); };
        const auto start = std::chrono::steady_clock::now();
        const auto results = SweepFleet(connections, {VersionBlockRequest(), FirmwareNamesRequest()}, options);
        const auto took = std::chrono::steady_clock::now() - start;
        for (const auto& result : results)
            EXPECT_TRUE(result.reachable) << result.error;
        return took;
    };
    const auto one = timed(1);
    const auto sixteen = timed(16);
    unsetenv("QORA_RKS_GATEWAY");
    // 48 units of 4 exchanges: about 1 s alone, about 0.06 s sixteen at once.
    EXPECT_LT(sixteen * 5, one) << std::chrono::duration_cast<std::chrono::milliseconds>(one).count() << " ms vs "
                                << std::chrono::duration_cast<std::chrono::milliseconds>(sixteen).count() << " ms";
}
