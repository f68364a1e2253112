// The commissioning result written into the work order document agrees with
// what the simulated unit acknowledged: a whole run, a refused block and an
// aborted run, each through the real link, the progress dialog and the
// report's record of the outcome.

#include "commissioning/WorkOrder.h"
#include "commissioning/procedure/widgets/CommissioningRunner.h"
#include "commissioning/report/CommissionReport.h"
#include "data/AccessLevel.h"
#include "link/AppHandler.h"
#include "link/CommHandler.h"
#include "platform/MainWindow.h"
#include "platform/TimerScale.h"
#include "rks/RksComponents.h"
#include "sim/CommissioningBlock.h"
#include "support/EventLoop.h"
#include "support/MessageRecorder.h"
#include "support/ModalAnswer.h"
#include "support/PromptRecorder.h"
#include "support/SimProcess.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPushButton>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <optional>

namespace {

using Bytes = std::vector<std::uint8_t>;

const char kLocal[] = "WP=SOCKET,HOST=192.168.255.120,PORT=7000,WP=NEQ1,ADDR=131,TMO=3000";

const QByteArray kWorkOrder = R"(<?xml version="1.0"?><raml><cmData>
<managedObject class="QOR" distName="SITE/QOR-1">
  <p name="qorName">Site unit</p><p name="qorType">QORA-2</p>
  <p name="qorQ1Address">140</p><p name="qorQ1Speed">8</p>
  <p name="qorGPSAntennaLatitudeLocation">605000000</p><p name="qorGPSAntennaLongitudeLocation">-2500000</p>
  <p name="qorGPSAntennaAltitude">1000</p><p name="qorBtsGpsDelay">120</p><p name="qorBtsFrDelay">4800</p>
  <p name="qorGPSMode">Survey</p><p name="qorQ1Relay">NO</p>
  <p name="qorQ1IP">192.168.255.121</p><p name="qorQ1GW">192.168.255.32</p><p name="qorQ1Mask">255.255.255.0</p>
  <p name="installStatus">not commissioned</p>
</managedObject></cmData></raml>)";

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

std::vector<QJsonObject> TraceLines(const QString& path)
{
    std::vector<QJsonObject> lines;
    for (const QByteArray& line : ReadAll(path).split('\n'))
        if (!line.trimmed().isEmpty())
            lines.push_back(QJsonDocument::fromJson(line).object());
    return lines;
}

Bytes FromHex(const QString& hex)
{
    const QByteArray bytes = QByteArray::fromHex(hex.toLatin1());
    return Bytes(bytes.begin(), bytes.end());
}

// The commissioning block the unit received (the write carrying the new IP
// address), and whether the unit answered it.
struct SentBlock {
    sim::CommissioningSetup setup;
    int result = -1;
};

std::optional<SentBlock> BlockInTrace(const QString& tracePath)
{
    const QString ipHex = QString::fromLatin1(QByteArray("192.168.255.121").toHex());
    for (const QJsonObject& line : TraceLines(tracePath)) {
        const QString req = line[QStringLiteral("req")].toString();
        if (!req.contains(ipHex))
            continue;
        const Bytes bytes = FromHex(req);
        if (bytes.size() < sim::kCommissioningBlockSize)
            return std::nullopt;
        const auto setup = sim::ParseCommissioningBlock(
            std::span(bytes).subspan(bytes.size() - sim::kCommissioningBlockSize));
        if (!setup)
            return std::nullopt;
        return SentBlock{*setup, line[QStringLiteral("result")].toInt(-1)};
    }
    return std::nullopt;
}

// The block the unit keeps for its next restart, from its state file.
std::optional<sim::CommissioningSetup> PendingInState(const QString& statePath)
{
    const QJsonObject root = QJsonDocument::fromJson(ReadAll(statePath)).object();
    for (const QJsonValue& unit : root[QStringLiteral("units")].toArray()) {
        const QString pending = unit[QStringLiteral("commissioning")][QStringLiteral("pending")].toString();
        if (!pending.isEmpty())
            return sim::ParseCommissioningBlock(FromHex(pending));
    }
    return std::nullopt;
}

class CommissioningRecord : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        RegisterRksComponents();
        SetAppFullControl(true);
        SetMainWindowTarget(&frame);
        SetTimerScale(0.05);
        ASSERT_TRUE(workOrder.LoadFromBytes(kWorkOrder));
        WorkOrderValues read;
        ASSERT_TRUE(ReadWorkOrderValues(workOrder, read));
        // The wizard's pages as they take this work order.
        values.altitudeCm = read.antennaAltitude;
        values.selfSurvey = true;
        values.gpsAntennaDelayNs = read.gpsAntennaDelay;
        values.frameClockDelayNs = read.frameClockDelay;
        values.q1Address = read.q1Address;
        values.q1SpeedCode = read.q1SpeedCode;
        values.q1Relay = false;
        values.ipAddress = read.ipAddress;
        values.gatewayAddress = read.gatewayAddress;
        values.subnetMask = read.subnetMask;
        values.userName = QStringLiteral("Ann");
        values.comments = QStringLiteral("antenna on the roof");
        values.year = 2009;
        values.month = 3;
        values.day = 7;
    }
    void TearDown() override
    {
        runner.reset();
        if (handler)
            handler->Disconnect();
        handler.reset();
        SetAppCommHandler(nullptr);
        SetMainWindowTarget(nullptr);
        SetTimerScale(1.0);
        qunsetenv("QORA_RKS_GATEWAY");
    }

    void Start(QStringList faults = {})
    {
        faults << QStringLiteral("--trace") << TracePath() << QStringLiteral("--state") << StatePath();
        sim = std::make_unique<SimProcess>(faults);
        ASSERT_TRUE(sim->Running());
        qputenv("QORA_RKS_GATEWAY", QStringLiteral("127.0.0.1:%1").arg(sim->Port()).toLatin1());
        handler = std::make_unique<CCommHandler>();
        handler->SetSilentConnect(true);
        SetAppCommHandler(handler.get());
        handler->Connect(ConnectionRoute::Direct, kLocal);
        ASSERT_TRUE(PumpUntil([&] { return frame.HasNotice(NOTICE_CONNECTED); }, 10000));
    }

    bool Run()
    {
        CCommissionReport report({[] { return SMeasuredPosition{60.5, -0.25, 10.0}; },
                                  [] { return SInstallationSnapshot{}; }, [] { return 0; },
                                  [] { return QDateTime(QDate(2009, 3, 7), QTime(12, 0)); }});
        SCommissioningHooks hooks;
        hooks.clearInProgress = [] {};
        hooks.isRemote = [] { return false; };
        hooks.recordResult = [&](bool success) {
            recorded.push_back(success);
            report.RecordResult(&workOrder, values, success);
        };
        return runner->RunCommissioning(values, hooks);
    }

    [[nodiscard]] QString Parameter(const char* name) const
    {
        QString text;
        workOrder.FindParameterText(QString::fromLatin1(name), text);
        return text;
    }

    // The document holds the values of the block the unit was sent.
    void ExpectDocumentMatches(const sim::CommissioningSetup& block) const
    {
        EXPECT_EQ(Parameter("qorQ1IP").toStdString(), block.ip);
        EXPECT_EQ(Parameter("qorQ1GW").toStdString(), block.gateway);
        EXPECT_EQ(Parameter("qorQ1Mask").toStdString(), block.subnetMask);
        EXPECT_EQ(Parameter("qorQ1Address").toInt(), block.q1Address);
        EXPECT_EQ(Parameter("qorQ1Speed").toInt(), block.q1SpeedCode);
        EXPECT_EQ(Parameter("qorGPSAntennaAltitude").toInt(), block.altitudeCm);
        EXPECT_EQ(Parameter("qorBtsGpsDelay").toInt(), block.antennaDelayNs);
        EXPECT_EQ(Parameter("qorBtsFrDelay").toInt(), block.frameClockDelayNs);
        EXPECT_EQ(Parameter("qorQ1Relay"), block.q1Relay ? QStringLiteral("YES") : QStringLiteral("NO"));
    }

    [[nodiscard]] QString TracePath() const { return dir.filePath(QStringLiteral("trace.jsonl")); }
    [[nodiscard]] QString StatePath() const { return dir.filePath(QStringLiteral("state.json")); }

    QTemporaryDir dir;
    MessageRecorder frame;
    std::unique_ptr<SimProcess> sim;
    std::unique_ptr<CCommHandler> handler;
    std::unique_ptr<CCommissioningRunner> runner = std::make_unique<CCommissioningRunner>();
    CWorkOrder workOrder;
    SCommissionValues values;
    std::vector<bool> recorded;
    PromptRecorder prompts;
};

TEST_F(CommissioningRecord, AcknowledgedRunIsRecordedAsSuccessWithTheValuesTheUnitKeeps)
{
    Start();
    EXPECT_TRUE(Run());
    EXPECT_EQ(recorded, std::vector<bool>{true});
    EXPECT_TRUE(prompts.shown.empty());
    EXPECT_EQ(Parameter("installStatus"), QStringLiteral("Commissioning was successful"));

    const auto sent = BlockInTrace(TracePath());
    ASSERT_TRUE(sent);
    EXPECT_EQ(sent->result, 0);
    EXPECT_TRUE(ReadAll(TracePath()).contains("\"req\":\"53010000\"")) << "the closing command";
    ExpectDocumentMatches(sent->setup);
    // The unit keeps exactly that block for its next restart.
    const auto pending = PendingInState(StatePath());
    ASSERT_TRUE(pending);
    EXPECT_EQ(sim::MakeCommissioningBlock(*pending), sim::MakeCommissioningBlock(sent->setup));
    ExpectDocumentMatches(*pending);
}

TEST_F(CommissioningRecord, RefusedBlockIsRecordedAsFailureAndTheUnitKeepsNothing)
{
    Start({QStringLiteral("--commission-refuse"), QStringLiteral("block")});
    EXPECT_FALSE(Run());
    EXPECT_EQ(recorded, std::vector<bool>{false});
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(Parameter("installStatus"), QStringLiteral("Commissioning failed"));

    const auto sent = BlockInTrace(TracePath());
    ASSERT_TRUE(sent);
    ExpectDocumentMatches(sent->setup);
    EXPECT_FALSE(PendingInState(StatePath()));
    EXPECT_NE(sent->result, -1);
    // The bracket was never closed: nothing after the refused block went out.
    EXPECT_FALSE(ReadAll(TracePath()).contains("\"req\":\"53010000\"")) << ReadAll(TracePath()).constData();
}

TEST_F(CommissioningRecord, AbortedRunIsRecordedAsFailureAndTheUnitKeepsNothing)
{
    // Slow replies, and a unit that would not act on the closing command
    // anyway: the user aborts while the user block is on its way.
    Start({QStringLiteral("--delay-ms"), QStringLiteral("300"), QStringLiteral("--commission-silent"),
           QStringLiteral("close")});
    bool aborted = false;
    CModalAnswer abort(
        [&](QDialog& dialog) {
            PumpUntil([&] { return BlockInTrace(TracePath()).has_value(); }, 8000);
            if (auto* button = dialog.findChild<QPushButton*>(QStringLiteral("abortButton"))) {
                button->click();
                aborted = true;
            }
        },
        15000);
    EXPECT_FALSE(Run());
    EXPECT_TRUE(aborted);
    EXPECT_FALSE(abort.SafetyClosed());
    EXPECT_EQ(recorded, std::vector<bool>{false});
    EXPECT_EQ(Parameter("installStatus"), QStringLiteral("Commissioning failed"));

    // Late replies to the aborted run change nothing in the document.
    PumpFor(800);
    EXPECT_EQ(recorded.size(), 1u);
    EXPECT_EQ(Parameter("installStatus"), QStringLiteral("Commissioning failed"));

    const auto sent = BlockInTrace(TracePath());
    ASSERT_TRUE(sent);
    ExpectDocumentMatches(sent->setup);
    EXPECT_FALSE(PendingInState(StatePath()));
}

} // namespace
