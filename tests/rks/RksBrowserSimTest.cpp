// The simulator's node directory, read by the browser: what the simulator
// writes reads back, and a connection string the browser hands out reaches
// the named unit through the real TCP link, with no gateway configured.

#include "link/ComponentFactory.h"
#include "link/IRksLink.h"
#include "support/ModalAnswer.h"
#include "rks/RksComponents.h"
#include "rks/RksNodeDirectory.h"
#include "rks/widgets/RksWidgetComponents.h"
#include "support/SimProcess.h"

#include <QDialogButtonBox>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

const std::vector<std::uint8_t> kIdentityReply = {'Q', 'O', 'R', 'H', 'W', '2', 0};

// Opens `connection` through the real link and asks the identity probe.
std::vector<std::uint8_t> Identity(const std::string& connection)
{
    RegisterRksComponents();
    auto link = ComponentFactory<IRksLink>::Create(CLSID_RksLink);
    std::vector<std::uint8_t> reply;
    if (!link || !link->Open(connection))
        return reply;
    const std::uint8_t probe = 0x03;
    if (!link->Transfer(std::string("wp=opt,pr=q1dl"), std::span(&probe, 1), reply))
        reply.clear();
    link->Close();
    return reply;
}

// The simulator with two units and its directory and trace in a fresh folder;
// QORA_RKS_DIRECTORY names the directory while the test runs.
class RksBrowserOnSim : public testing::Test {
protected:
    void SetUp() override
    {
        directoryPath = dir.filePath(QStringLiteral("nodes.json"));
        tracePath = dir.filePath(QStringLiteral("trace.jsonl"));
        sim = std::make_unique<SimProcess>(QStringList{
            QStringLiteral("--unit"), QStringLiteral("192.168.255.120:131"), QStringLiteral("--unit"),
            QStringLiteral("10.0.0.9:40"), QStringLiteral("--directory"), directoryPath, QStringLiteral("--trace"),
            tracePath});
        ASSERT_TRUE(sim->Running());
        setenv(kRksDirectoryVariable, directoryPath.toLocal8Bit().constData(), 1);
        RegisterRksBrowser();
        browser = ComponentFactory<INetworkBrowser>::Create(CLSID_NetworkBrowser);
        ASSERT_NE(browser, nullptr);
    }
    void TearDown() override { unsetenv(kRksDirectoryVariable); }

    // The unit the trace's last OPEN reached.
    QByteArray LastOpenedUnit() const
    {
        QFile file(tracePath);
        if (!file.open(QIODevice::ReadOnly))
            return {};
        QByteArray unit;
        for (const QByteArray& line : file.readAll().split('\n')) {
            if (line.contains("\"kind\":\"open\"")) {
                const qsizetype at = line.indexOf("\"unit\":\"");
                unit = at < 0 ? QByteArray() : line.mid(at + 8, line.indexOf('"', at + 8) - at - 8);
            }
        }
        return unit;
    }

    QTemporaryDir dir;
    QString directoryPath, tracePath;
    std::unique_ptr<SimProcess> sim;
    std::unique_ptr<INetworkBrowser> browser;
};

} // namespace

TEST_F(RksBrowserOnSim, TheDirectoryReadsBackAndAResolvedNodeAnswers)
{
    CRksNodeDirectory directory;
    QString error;
    ASSERT_TRUE(directory.Load(directoryPath, error)) << error.toStdString();
    ASSERT_EQ(directory.NodeCount(), 2u);
    const RksNodeGroup& site = directory.Root().groups.at(0).groups.at(0);
    EXPECT_EQ(site.name, sim->Endpoint().toStdString());
    EXPECT_EQ(site.nodes.at(0).kind, kRksRemoteUnitKind);
    EXPECT_EQ(site.nodes.at(0).connection,
              "WP=SOCKET,HOST=127.0.0.1,PORT=" + std::to_string(sim->Port()) + ",WP=NEQ1,ADDR=131");

    // No gateway is configured: the link goes to HOST and PORT, and ADDR picks the unit.
    std::string connection;
    ASSERT_TRUE(browser->Resolve("QORA-40", connection));
    EXPECT_EQ(Identity(connection), kIdentityReply);
    EXPECT_EQ(LastOpenedUnit(), "10.0.0.9:40");
    ASSERT_TRUE(browser->Resolve("qora-131", connection));
    EXPECT_EQ(Identity(connection), kIdentityReply);
    EXPECT_EQ(LastOpenedUnit(), "192.168.255.120:131");
}

TEST_F(RksBrowserOnSim, ANodePickedInTheDialogAnswersTheIdentityProbe)
{
    CModalAnswer answer([](QDialog& dialog) {
        auto* tree = dialog.findChild<QTreeWidget*>(QStringLiteral("nodeTree"));
        const auto found = tree->findItems(QStringLiteral("QORA-40"), Qt::MatchExactly | Qt::MatchRecursive);
        ASSERT_EQ(found.size(), 1);
        tree->setCurrentItem(found[0]);
        dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    });
    std::uint16_t kind = 0;
    std::string name, connection;
    ASSERT_TRUE(browser->Browse(kind, name, connection));
    EXPECT_FALSE(answer.SafetyClosed());
    EXPECT_EQ(kind, 1);
    EXPECT_EQ(name, "QORA-40");
    EXPECT_EQ(RksBusAddress(connection), 40);
    EXPECT_EQ(Identity(connection), kIdentityReply);
    EXPECT_EQ(LastOpenedUnit(), "10.0.0.9:40");
}

// A fleet of ten thousand units and the simulator's first unit: the directory
// reads whole, and a fleet unit named there answers through the gateway.
TEST(RksBrowserOnFleet, TenThousandUnitsReadAndAnswer)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("nodes.json"));
    SimProcess sim({QStringLiteral("--fleet"), QStringLiteral("10000"), QStringLiteral("--directory"), path});
    ASSERT_TRUE(sim.Running());

    CRksNodeDirectory directory;
    QString error;
    ASSERT_TRUE(directory.Load(path, error)) << error.toStdString();
    EXPECT_EQ(directory.NodeCount(), 10001u);
    const RksNode* last = directory.Find("QORA-131 (10.0.39.94)");
    ASSERT_NE(last, nullptr);

    const QByteArray gateway = QByteArray("127.0.0.1:") + QByteArray::number(sim.Port());
    setenv("QORA_RKS_GATEWAY", gateway.constData(), 1);
    EXPECT_EQ(Identity(last->connection), kIdentityReply);
    unsetenv("QORA_RKS_GATEWAY");
}
