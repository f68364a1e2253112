// The simulator at fleet scale (--fleet): one gateway, many units at distinct
// IP addresses, a node directory naming each, and the few misbehaving units a
// sweep must find.

#include "sim/FleetOptions.h"
#include "sim/SimOptions.h"
#include "sim/SimProcess.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace simtest;

namespace {

constexpr std::uint8_t kNoAnswer = 2;
const Bytes kInstallStatusQuery = {0x53, 0x58};

QJsonArray DirectoryNodes(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QJsonObject top = QJsonDocument::fromJson(file.readAll()).object();
    const QJsonObject network = top.value(QStringLiteral("groups")).toArray().at(0).toObject();
    const QJsonObject site = network.value(QStringLiteral("groups")).toArray().at(0).toObject();
    return site.value(QStringLiteral("nodes")).toArray();
}

bool Contains(const Bytes& bytes, std::string_view text)
{
    return std::search(bytes.begin(), bytes.end(), text.begin(), text.end()) != bytes.end();
}

} // namespace

TEST(SimFleet, AddressesAreDistinctUsableHosts)
{
    EXPECT_EQ(sim::FleetAddress(1).ip.toString(), QStringLiteral("10.0.0.1"));
    EXPECT_EQ(sim::FleetAddress(254).ip.toString(), QStringLiteral("10.0.0.254"));
    EXPECT_EQ(sim::FleetAddress(255).ip.toString(), QStringLiteral("10.0.1.1"));
    QSet<quint32> seen;
    for (std::uint32_t n = 1; n <= sim::kMaxFleetUnits; ++n) {
        const quint32 ip = sim::FleetAddress(n).ip.toIPv4Address();
        ASSERT_NE(ip & 0xFF, 0u) << n;
        ASSERT_NE(ip & 0xFF, 255u) << n;
        ASSERT_FALSE(seen.contains(ip)) << n;
        seen.insert(ip);
    }
}

TEST(SimFleet, OptionsAreCheckedAgainstTheFleet)
{
    sim::SimOptions options;
    QString error;
    const QStringList listen{QStringLiteral("--listen"), QStringLiteral("127.0.0.1:0")};
    EXPECT_TRUE(sim::ParseOptions(listen + QStringList{"--fleet", "3", "--fleet-silent", "1,3", "--fleet-old-firmware=2"},
                                  options, error))
        << error.toStdString();
    EXPECT_EQ(options.fleet.count, 3u);
    EXPECT_EQ(options.fleet.silent, (std::set<std::uint32_t>{1, 3}));

    for (const QStringList& bad : {QStringList{"--fleet", "0"}, QStringList{"--fleet", "10001"},
                                   QStringList{"--fleet", "x"}, QStringList{"--fleet", "2", "--fleet-silent", "3"},
                                   QStringList{"--fleet", "2", "--fleet-self-test-failure", "1,,2"},
                                   QStringList{"--fleet-old-firmware", "1"}}) {
        EXPECT_FALSE(sim::ParseOptions(listen + bad, options, error)) << bad.join(u' ').toStdString();
        EXPECT_FALSE(error.isEmpty());
    }
}

TEST(SimFleet, OneGatewayServesEveryUnitWithItsOwnFaults)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("nodes.json"));
    CSimProcess sim({"--fleet", "4", "--fleet-silent", "1", "--fleet-self-test-failure", "2",
                     "--fleet-old-firmware", "3", "--directory", path});
    ASSERT_NE(sim.Port(), 0) << sim.FirstLine().toStdString();

    // The default unit and four more, each named once, each by its own IP.
    const QJsonArray nodes = DirectoryNodes(path);
    ASSERT_EQ(nodes.size(), 5);
    QSet<QString> names;
    for (const auto& node : nodes)
        names.insert(node.toObject().value(QStringLiteral("name")).toString());
    EXPECT_EQ(names.size(), 5);
    const auto connectionOf = [&](int number) {
        return nodes.at(number).toObject().value(QStringLiteral("connection")).toString().toStdString();
    };
    EXPECT_NE(connectionOf(3).find("HOST=10.0.0.3,"), std::string::npos) << connectionOf(3);

    // Each connection keeps its own unit, however they interleave.
    CLinkClient silent, failed, old, healthy;
    CLinkClient* clients[] = {&silent, &failed, &old, &healthy};
    for (int i = 0; i < 4; ++i) {
        ASSERT_TRUE(clients[i]->Connect(sim.Port()));
        ASSERT_EQ(clients[i]->Exchange(OpenBody(1, connectionOf(i + 1))).result, 0);
    }
    EXPECT_EQ(silent.Exchange(TransferBody(2, {0x03}, "wp=opt,pr=q1dl")).result, kNoAnswer);
    EXPECT_EQ(silent.Exchange(TransferBody(3, kReadVersion)).result, kNoAnswer);

    const Reply failedStatus = failed.Exchange(TransferBody(2, kInstallStatusQuery));
    const Reply healthyStatus = healthy.Exchange(TransferBody(2, kInstallStatusQuery));
    ASSERT_EQ(failedStatus.bytes.size(), 20u);
    ASSERT_EQ(healthyStatus.bytes.size(), 20u);
    EXPECT_EQ(failedStatus.bytes[2], 1) << "self-test failed";
    EXPECT_EQ(healthyStatus.bytes[2], 0);

    const Reply oldVersion = old.Exchange(TransferBody(2, kReadVersion));
    const Reply newVersion = healthy.Exchange(TransferBody(3, kReadVersion));
    EXPECT_TRUE(Contains(oldVersion.bytes, "QOR0290.bin"));
    EXPECT_TRUE(Contains(oldVersion.bytes, "QOR0280.bin"));
    EXPECT_FALSE(Contains(oldVersion.bytes, "QOR0300.bin"));
    EXPECT_TRUE(Contains(newVersion.bytes, "QOR0300.bin"));
    EXPECT_TRUE(Contains(oldVersion.bytes, "QSIMF00003"));
    EXPECT_TRUE(Contains(newVersion.bytes, "QSIMF00004")) << "every unit its own serial number";
}

TEST(SimFleet, EachUnitKeepsItsOwnFirmwareAndOnlyTheChosenOnesBreakDownloads)
{
    sim::SimOptions options;
    QString error;
    const QStringList listen{QStringLiteral("--listen"), QStringLiteral("127.0.0.1:0")};
    ASSERT_TRUE(sim::ParseOptions(listen + QStringList{"--fleet", "3", "--fleet-break-download", "2"}, options, error))
        << error.toStdString();
    EXPECT_FALSE(sim::ParseOptions(listen + QStringList{"--fleet", "3", "--fleet-break-download", "4"}, options, error));
    EXPECT_FALSE(sim::ParseOptions(listen + QStringList{"--fleet", "3", "--fleet-break-download", ""}, options, error));

    sim::FleetOptions fleet;
    fleet.count = 3;
    fleet.breakDownload = {2};
    sim::CUnitRegistry registry;
    ASSERT_TRUE(sim::AddFleet(registry, fleet, {}, error)) << error.toStdString();
    ASSERT_EQ(registry.Units().size(), 3u);
    // A download into one unit leaves the others' banks as they were.
    registry.Units()[0]->Model().Firmware().Banks().StoreDownloaded("QOR0310.bin");
    EXPECT_EQ(registry.Units()[0]->Model().Firmware().Banks().Inactive(), "QOR0310.bin");
    EXPECT_EQ(registry.Units()[1]->Model().Firmware().Banks().Inactive(), sim::kDefaultInactiveFirmware);
    EXPECT_EQ(registry.Units()[0]->Model().Firmware().Options().fileStem, "fleet-1");
    EXPECT_EQ(registry.Units()[2]->Model().Firmware().Options().fileStem, "fleet-3");
    EXPECT_EQ(registry.Units()[0]->Model().Firmware().Options().failAtBlock, 0u);
    EXPECT_EQ(registry.Units()[1]->Model().Firmware().Options().failAtBlock, sim::kFleetBreakBlock);
}
