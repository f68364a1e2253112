// The node directory the simulator writes (--directory), and the rule that
// lets a client connecting straight to the simulator name it as HOST.

#include "sim/NodeDirectoryWriter.h"
#include "sim/SimOptions.h"
#include "sim/SimProcess.h"
#include "sim/UnitRegistry.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpServer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace simtest;
using sim::CUnitRegistry;
using sim::UnitAddress;

namespace {

UnitAddress Unit(const char* ip, std::uint16_t q1)
{
    return {QHostAddress(QString::fromLatin1(ip)), q1};
}

std::string Found(const CUnitRegistry& registry, std::string_view connection)
{
    const sim::CSimUnit* unit = registry.Resolve(connection);
    return unit ? unit->Label() : "none";
}

// The nodes of the directory's one site, with the site's name.
QJsonArray SiteNodes(const QByteArray& json, QString* site = nullptr)
{
    const QJsonObject top = QJsonDocument::fromJson(json).object();
    EXPECT_EQ(top.value(QStringLiteral("version")).toInt(), 1);
    const QJsonArray groups = top.value(QStringLiteral("groups")).toArray();
    EXPECT_EQ(groups.size(), 1);
    const QJsonObject network = groups.at(0).toObject();
    EXPECT_EQ(network.value(QStringLiteral("name")).toString(), QStringLiteral("Simulated network"));
    const QJsonObject siteGroup = network.value(QStringLiteral("groups")).toArray().at(0).toObject();
    if (site)
        *site = siteGroup.value(QStringLiteral("name")).toString();
    return siteGroup.value(QStringLiteral("nodes")).toArray();
}

QString Field(const QJsonArray& nodes, qsizetype i, const char* key)
{
    return nodes.at(i).toObject().value(QLatin1String(key)).toVariant().toString();
}

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

TEST(SimOwnAddress, HostNamingTheSimulatorMeansAnyUnitWithThatAddr)
{
    CUnitRegistry registry;
    ASSERT_TRUE(registry.Add(Unit("192.168.255.120", 131)));
    ASSERT_TRUE(registry.Add(Unit("192.168.255.121", 131)));
    ASSERT_TRUE(registry.Add(Unit("10.0.0.1", 7)));

    // Not told its own address, the registry goes by HOST alone.
    EXPECT_EQ(Found(registry, "HOST=127.0.0.1,PORT=7000,ADDR=131"), "none");

    registry.SetOwnAddress(QHostAddress(QHostAddress::LocalHost));
    EXPECT_EQ(Found(registry, "HOST=127.0.0.1,PORT=7000,ADDR=131"), "192.168.255.120:131");
    EXPECT_EQ(Found(registry, "HOST=127.0.0.1,ADDR=7"), "10.0.0.1:7");
    EXPECT_EQ(Found(registry, "HOST=192.168.255.121,ADDR=131"), "192.168.255.121:131");
    EXPECT_EQ(Found(registry, "HOST=127.0.0.1,ADDR=8"), "none");
    EXPECT_EQ(Found(registry, "HOST=127.0.0.2,ADDR=131"), "none");
    EXPECT_EQ(Found(registry, "HOST=127.0.0.1"), "none");

    // A unit at the simulator's own address: HOST then means that unit.
    ASSERT_TRUE(registry.Add(Unit("127.0.0.1", 5)));
    EXPECT_EQ(Found(registry, "HOST=127.0.0.1,ADDR=5"), "127.0.0.1:5");
    EXPECT_EQ(Found(registry, "HOST=127.0.0.1,ADDR=131"), "none");

    CUnitRegistry six;
    ASSERT_TRUE(six.Add(Unit("192.168.255.120", 131)));
    six.SetOwnAddress(QHostAddress(QHostAddress::LocalHostIPv6));
    EXPECT_EQ(Found(six, "HOST=::1,ADDR=131"), "192.168.255.120:131");
    EXPECT_EQ(Found(six, "HOST=::2,ADDR=131"), "none");
}

TEST(SimNodeDirectory, OwnAddressIsWhereALocalClientReachesTheListener)
{
    EXPECT_EQ(sim::OwnAddress(QHostAddress(QStringLiteral("0.0.0.0"))), QHostAddress(QHostAddress::LocalHost));
    EXPECT_EQ(sim::OwnAddress(QHostAddress(QHostAddress::Any)), QHostAddress(QHostAddress::LocalHost));
    EXPECT_EQ(sim::OwnAddress(QHostAddress(QStringLiteral("::"))), QHostAddress(QHostAddress::LocalHostIPv6));
    EXPECT_EQ(sim::OwnAddress(QHostAddress(QStringLiteral("10.1.2.3"))), QHostAddress(QStringLiteral("10.1.2.3")));
    EXPECT_EQ(sim::OwnAddress(QHostAddress(QStringLiteral("::1"))), QHostAddress(QHostAddress::LocalHostIPv6));
}

TEST(SimNodeDirectory, EveryNodeReachesItsOwnUnit)
{
    CUnitRegistry registry;
    ASSERT_TRUE(registry.Add(Unit("192.168.255.120", 131)));
    ASSERT_TRUE(registry.Add(Unit("192.168.255.121", 131)));
    ASSERT_TRUE(registry.Add(Unit("10.0.0.1", 7)));
    const QHostAddress own(QHostAddress::LocalHost);
    registry.SetOwnAddress(own);

    QString site;
    const QJsonArray nodes = SiteNodes(sim::NodeDirectoryJson(registry, own, 7000, QStringLiteral("127.0.0.1:7000")), &site);
    EXPECT_EQ(site, QStringLiteral("127.0.0.1:7000"));
    ASSERT_EQ(nodes.size(), 3);
    EXPECT_EQ(Field(nodes, 0, "name"), QStringLiteral("QORA-131 (192.168.255.120)"));
    EXPECT_EQ(Field(nodes, 1, "name"), QStringLiteral("QORA-131 (192.168.255.121)"));
    EXPECT_EQ(Field(nodes, 2, "name"), QStringLiteral("QORA-7"));
    EXPECT_EQ(Field(nodes, 0, "connection"), QStringLiteral("WP=SOCKET,HOST=127.0.0.1,PORT=7000,WP=NEQ1,ADDR=131"));
    // ADDR alone would find the first unit with 131: the second one goes by its IP.
    EXPECT_EQ(Field(nodes, 1, "connection"), QStringLiteral("WP=SOCKET,HOST=192.168.255.121,PORT=7000,WP=NEQ1,ADDR=131"));
    EXPECT_EQ(Field(nodes, 2, "connection"), QStringLiteral("WP=SOCKET,HOST=127.0.0.1,PORT=7000,WP=NEQ1,ADDR=7"));
    for (qsizetype i = 0; i < nodes.size(); ++i) {
        EXPECT_EQ(nodes.at(i).toObject().value(QStringLiteral("kind")).toInt(-1), 1);
        EXPECT_EQ(registry.Resolve(Field(nodes, i, "connection").toStdString()), registry.Units()[std::size_t(i)].get())
            << i;
    }

    // A unit at the simulator's own address takes HOST for itself.
    CUnitRegistry shared;
    ASSERT_TRUE(shared.Add(Unit("127.0.0.1", 5)));
    ASSERT_TRUE(shared.Add(Unit("10.0.0.1", 6)));
    shared.SetOwnAddress(own);
    const QJsonArray sharedNodes = SiteNodes(sim::NodeDirectoryJson(shared, own, 7001, QStringLiteral("0.0.0.0:7001")));
    ASSERT_EQ(sharedNodes.size(), 2);
    EXPECT_EQ(Field(sharedNodes, 0, "connection"), QStringLiteral("WP=SOCKET,HOST=127.0.0.1,PORT=7001,WP=NEQ1,ADDR=5"));
    EXPECT_EQ(Field(sharedNodes, 1, "connection"), QStringLiteral("WP=SOCKET,HOST=10.0.0.1,PORT=7001,WP=NEQ1,ADDR=6"));
    EXPECT_EQ(Field(sharedNodes, 1, "name"), QStringLiteral("QORA-6"));
}

TEST(SimNodeDirectory, TheFileIsReplacedWholeOrNotAtAll)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("nodes.json"));
    QString error;
    ASSERT_TRUE(sim::WriteFileWhole(path, QByteArray(5000, 'x'), error)) << error.toStdString();
    ASSERT_TRUE(sim::WriteFileWhole(path, "{}\n", error)) << error.toStdString();
    EXPECT_EQ(ReadAll(path), "{}\n") << "nothing of the longer file before it stays";
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("nodes.json")})
        << "no temporary file is left behind";

    EXPECT_FALSE(sim::WriteFileWhole(dir.filePath(QStringLiteral("missing/nodes.json")), "{}", error));
    EXPECT_TRUE(error.startsWith(QStringLiteral("cannot write ") + dir.filePath(QStringLiteral("missing/nodes.json"))))
        << error.toStdString();
    EXPECT_FALSE(sim::WriteFileWhole(dir.path(), "{}", error)) << "a folder is not replaced";
    EXPECT_TRUE(QFileInfo(dir.path()).isDir());
}

TEST(SimNodeDirectory, OptionNeedsAFileName)
{
    sim::SimOptions options;
    QString error;
    const QStringList listen{QStringLiteral("--listen"), QStringLiteral("127.0.0.1:0")};
    ASSERT_TRUE(sim::ParseOptions(listen + QStringList{QStringLiteral("--directory"), QStringLiteral("/tmp/n.json")},
                                  options, error));
    EXPECT_EQ(options.directoryPath, QStringLiteral("/tmp/n.json"));
    EXPECT_FALSE(sim::ParseOptions(listen + QStringList{QStringLiteral("--directory")}, options, error));
    EXPECT_FALSE(sim::ParseOptions(listen + QStringList{QStringLiteral("--directory=")}, options, error));
}

TEST(SimNodeDirectory, WrittenBeforeTheFirstLineAndItsNodesOpen)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("nodes.json"));
    CSimProcess sim({QStringLiteral("--unit"), QStringLiteral("192.168.255.120:131"), QStringLiteral("--unit"),
                     QStringLiteral("192.168.255.121:131"), QStringLiteral("--identity"), QStringLiteral("QORHW1"),
                     QStringLiteral("--directory"), path});
    ASSERT_NE(sim.Port(), 0) << sim.FirstLine().toStdString();

    QString site;
    const QJsonArray nodes = SiteNodes(ReadAll(path), &site);
    EXPECT_EQ(site, QStringLiteral("127.0.0.1:%1").arg(sim.Port()));
    ASSERT_EQ(nodes.size(), 2);
    const QString direct = Field(nodes, 0, "connection");
    EXPECT_EQ(direct, QStringLiteral("WP=SOCKET,HOST=127.0.0.1,PORT=%1,WP=NEQ1,ADDR=131").arg(sim.Port()));

    CLinkClient client;
    ASSERT_TRUE(client.Connect(sim.Port()));
    EXPECT_EQ(client.Exchange(OpenBody(1, direct.toStdString())).result, 0);
    EXPECT_EQ(client.Exchange(TransferBody(2, {0x03}, "wp=opt,pr=q1dl")).bytes, (Bytes{'Q', 'O', 'R', 'H', 'W', '1', 0}));
    // The unit behind the shared Q1 address is there for a client that uses the simulator as its gateway.
    EXPECT_EQ(client.Exchange(OpenBody(3, Field(nodes, 1, "connection").toStdString())).result, 0);
    EXPECT_EQ(sim.Terminate(), 0);
    EXPECT_FALSE(ReadAll(path).isEmpty()) << "the directory outlives the simulator";
}

TEST(SimNodeDirectory, NoDirectoryWhenTheSimulatorCannotStart)
{
    QTemporaryDir dir;
    const auto run = [](const QStringList& arguments, QByteArray& out, QByteArray& err) {
        QProcess process;
        process.start(QStringLiteral(QORA_UNIT_SIM_PATH), arguments);
        if (!process.waitForFinished(kWaitMs))
            process.kill();
        out = process.readAllStandardOutput();
        err = process.readAllStandardError();
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    };
    QByteArray out, err;

    // The file cannot be written: no listening line, exit status 1.
    const QString unwritable = dir.filePath(QStringLiteral("missing/nodes.json"));
    EXPECT_EQ(run({QStringLiteral("--listen"), QStringLiteral("127.0.0.1:0"), QStringLiteral("--directory"), unwritable}, out, err), 1);
    EXPECT_TRUE(out.isEmpty()) << out.toStdString();
    EXPECT_TRUE(err.contains("cannot write")) << err.toStdString();

    // It cannot listen: the directory from before stays as it was.
    QTcpServer taken;
    ASSERT_TRUE(taken.listen(QHostAddress::LocalHost, 0));
    const QString path = dir.filePath(QStringLiteral("nodes.json"));
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("{\"comment\":\"hand-written\"}");
    }
    EXPECT_EQ(run({QStringLiteral("--listen"), QStringLiteral("127.0.0.1:%1").arg(taken.serverPort()),
                   QStringLiteral("--directory"), path},
                  out, err),
              1);
    EXPECT_EQ(ReadAll(path), "{\"comment\":\"hand-written\"}");
}
