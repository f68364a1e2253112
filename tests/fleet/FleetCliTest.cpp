// qora-cli fleet status against the simulator's fleet, as a user runs it: the
// table's columns and texts, the summary, the exit statuses.

#include "cli/FleetCommand.h"
#include "fleet/FleetTable.h"
#include "rks/RksComponents.h"
#include "support/CliRun.h"
#include "support/SimProcess.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QString ReadText(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// The CSV's rows as maps from column to field (no quoted commas in the
// columns looked at here: the connection and positions are left out).
std::vector<std::map<QString, QString>> Rows(const QString& csv)
{
    QStringList lines = csv.split(u'\n', Qt::SkipEmptyParts);
    const QStringList header = lines.takeFirst().split(u',');
    std::vector<std::map<QString, QString>> rows;
    for (const QString& line : lines) {
        // Split on commas outside quotes.
        QStringList fields;
        QString field;
        bool quoted = false;
        for (const QChar c : line) {
            if (c == u'"')
                quoted = !quoted;
            else if (c == u',' && !quoted)
                fields.append(std::exchange(field, QString()));
            else
                field.append(c);
        }
        fields.append(field);
        std::map<QString, QString> row;
        for (qsizetype i = 0; i < header.size() && i < fields.size(); ++i)
            row[header[i]] = fields[i];
        rows.push_back(row);
    }
    return rows;
}

class FleetCli : public testing::Test {
protected:
    void Start(const QStringList& faults)
    {
        directory = dir.filePath(QStringLiteral("nodes.json"));
        sim = std::make_unique<SimProcess>(faults + QStringList{"--directory", directory});
        ASSERT_TRUE(sim->Running());
        environment = {{QStringLiteral("QORA_RKS_GATEWAY"), QStringLiteral("127.0.0.1:%1").arg(sim->Port())},
                       {QStringLiteral("QORA_RKS_DIRECTORY"), directory}};
    }

    QTemporaryDir dir;
    QString directory;
    std::unique_ptr<SimProcess> sim;
    std::vector<std::pair<QString, QString>> environment;
};

} // namespace

TEST_F(FleetCli, AMixedFleetIsReportedUnitByUnit)
{
    Start({"--fleet", "4", "--fleet-silent", "1", "--fleet-self-test-failure", "2", "--fleet-old-firmware", "3"});
    const QString csvPath = dir.filePath(QStringLiteral("fleet.csv"));
    const QString jsonPath = dir.filePath(QStringLiteral("fleet.json"));
    const CliRun run = RunCli({"fleet", "status", "--jobs", "3", "--csv", csvPath, "--json", jsonPath}, environment);
    EXPECT_EQ(run.status, 1) << run.err.toStdString();
    EXPECT_TRUE(run.out.startsWith(QStringLiteral("5 units: 4 reachable, 1 unreachable, 1 ")))
        << run.out.toStdString();

    const QString csv = ReadText(csvPath);
    EXPECT_TRUE(csv.startsWith(QStringLiteral(
        "name,connection,reachable,serial,active_firmware,inactive_firmware,self_test,gps_fix,clock_state,verdict,"
        "latitude,longitude,error\n")));
    const auto rows = Rows(csv);
    ASSERT_EQ(rows.size(), 5u);
    for (const auto& row : rows)
        EXPECT_EQ(row.size(), 13u);

    // The silent unit: not reachable, and why.
    EXPECT_EQ(rows[1].at("name"), QStringLiteral("QORA-131 (10.0.0.1)"));
    EXPECT_EQ(rows[1].at("reachable"), QStringLiteral("no"));
    EXPECT_EQ(rows[1].at("serial"), QString());
    EXPECT_FALSE(rows[1].at("error").isEmpty());
    // The failed self-test, the old firmware, a healthy unit.
    EXPECT_EQ(rows[2].at("self_test"), QStringLiteral("Not OK"));
    EXPECT_EQ(rows[3].at("self_test"), QStringLiteral("OK"));
    EXPECT_EQ(rows[3].at("active_firmware"), QStringLiteral("QOR0290.bin"));
    EXPECT_EQ(rows[3].at("inactive_firmware"), QStringLiteral("QOR0280.bin"));
    EXPECT_EQ(rows[4].at("reachable"), QStringLiteral("yes"));
    EXPECT_EQ(rows[4].at("serial"), QStringLiteral("QSIMF00004"));
    EXPECT_EQ(rows[4].at("active_firmware"), QStringLiteral("QOR0300.bin"));
    EXPECT_EQ(rows[4].at("error"), QString());
    EXPECT_FALSE(rows[4].at("clock_state").isEmpty());
    EXPECT_FALSE(rows[4].at("verdict").isEmpty());
    EXPECT_TRUE(rows[4].at("latitude").startsWith(u'N')) << rows[4].at("latitude").toStdString();

    const QJsonArray units =
        QJsonDocument::fromJson(ReadText(jsonPath).toUtf8()).object().value(QStringLiteral("units")).toArray();
    ASSERT_EQ(units.size(), 5);
    EXPECT_FALSE(units.at(1).toObject().value(QStringLiteral("reachable")).toBool());
    EXPECT_EQ(units.at(3).toObject().value(QStringLiteral("active_firmware")).toString(),
              QStringLiteral("QOR0290.bin"));
    // Positions as numbers in degrees, as status --json gives them, the texts beside.
    const QJsonObject healthy = units.at(4).toObject();
    ASSERT_TRUE(healthy.value(QStringLiteral("latitude")).isDouble()) << ReadText(jsonPath).toStdString();
    ASSERT_TRUE(healthy.value(QStringLiteral("longitude")).isDouble());
    const QString latitude = healthy.value(QStringLiteral("latitude_text")).toString();
    const QString longitude = healthy.value(QStringLiteral("longitude_text")).toString();
    // (Rows() drops the quotes of a quoted CSV field.)
    EXPECT_EQ(QString(latitude).remove(u'"'), rows[4].at("latitude"));
    EXPECT_EQ(QString(longitude).remove(u'"'), rows[4].at("longitude"));
    const auto whole = [](const QString& text) { // "N 59°19'45.660"" in degrees
        const QStringList parts = text.mid(2).split(QRegularExpression(QStringLiteral("[°'\"]")));
        const double degrees = parts[0].toDouble() + parts[1].toDouble() / 60 + parts[2].toDouble() / 3600;
        return text.startsWith(u'S') || text.startsWith(u'W') ? -degrees : degrees;
    };
    EXPECT_NEAR(healthy.value(QStringLiteral("latitude")).toDouble(), whole(latitude), 1e-6);
    EXPECT_NEAR(healthy.value(QStringLiteral("longitude")).toDouble(), whole(longitude), 1e-6);
    EXPECT_TRUE(units.at(1).toObject().value(QStringLiteral("latitude")).isNull()) << "the silent unit";
}

TEST_F(FleetCli, AHealthyGroupExitsZeroWithTheTableOnStandardOutput)
{
    Start({"--fleet", "3"});
    const CliRun run = RunCli({"fleet", "status", "--group", QStringLiteral("127.0.0.1:%1").arg(sim->Port())},
                              environment);
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    const auto rows = Rows(run.out);
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[3].at("serial"), QStringLiteral("QSIMF00003"));
    EXPECT_TRUE(run.err.contains(QStringLiteral("4 units: 4 reachable, 0 unreachable"))) << run.err.toStdString();

    EXPECT_EQ(RunCli({"fleet", "status", "--group", "Nowhere"}, environment).status, 2);
    EXPECT_EQ(RunCli({"fleet", "status", "--jobs", "0"}, environment).status, 64);
    const QString none = dir.filePath(QStringLiteral("none.json"));
    const CliRun missing = RunCli({"fleet", "status", "--directory", none}, environment);
    EXPECT_EQ(missing.status, 2);
    EXPECT_EQ(missing.err, QStringLiteral("qora-cli: node directory %1: no such file\n").arg(none));
    // A table that cannot be written is told before the sweep, not after it.
    const QString noFolder = dir.filePath(QStringLiteral("no-folder/fleet.csv"));
    const CliRun unwritable = RunCli({"fleet", "status", "--csv", noFolder}, environment);
    EXPECT_EQ(unwritable.status, 1);
    EXPECT_TRUE(unwritable.err.startsWith(QStringLiteral("qora-cli: cannot open ") + noFolder)) << unwritable.err.toStdString();
    EXPECT_FALSE(unwritable.err.contains(QStringLiteral("units:"))) << "no sweep: " << unwritable.err.toStdString();
    EXPECT_EQ(RunCli({"fleet", "status"}, {{QStringLiteral("QORA_RKS_DIRECTORY"), QString()}}).status, 2);
}

TEST(FleetTable, FieldsThatNeedQuotingAreQuoted)
{
    SFleetRow row;
    row.name = QStringLiteral("Site \"A\", mast 2");
    row.connection = QStringLiteral("HOST=1,ADDR=2");
    row.health.latitude = QStringLiteral("N 59°19'45.660\"");
    row.health.error = QStringLiteral("line one\nline two");
    const QByteArray csv = FleetCsv({row});
    EXPECT_EQ(csv.split('\n').at(1),
              QByteArray("\"Site \"\"A\"\", mast 2\",\"HOST=1,ADDR=2\",no,,,,,,,,\"N 59°19'45.660\"\"\",,\"line one"));
    EXPECT_FALSE(FleetHealthy({row}));
    row.health.reachable = true;
    EXPECT_FALSE(FleetHealthy({row})) << "reachable, but no self-test OK";
    row.health.selfTestOk = true;
    EXPECT_TRUE(FleetHealthy({row, row}));
}

namespace {

QByteArray ReadBack(std::FILE* file)
{
    std::fflush(file);
    std::rewind(file);
    QByteArray bytes;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;)
        bytes.append(buffer, qsizetype(n));
    return bytes;
}

} // namespace

// On a terminal the sweep draws its bar on standard error while the units are
// read, and ends it at 100 % before the summary.
TEST_F(FleetCli, ATerminalGetsAProgressBar)
{
    Start({"--fleet", "20", "--delay-ms", "2"});
    qputenv("QORA_RKS_GATEWAY", environment[0].second.toLocal8Bit());
    RegisterRksComponents();
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    ASSERT_TRUE(out && err);
    const int status = RunFleetCommand({"status", "--directory", directory.toStdString(), "--jobs", "2"},
                                       SCliOutput{out, err, true});
    qunsetenv("QORA_RKS_GATEWAY");
    EXPECT_EQ(status, 0);
    const QByteArray drawn = ReadBack(err);
    EXPECT_TRUE(drawn.startsWith("\r[")) << drawn.toStdString();
    EXPECT_TRUE(drawn.contains("] 100 %\n21 units: 21 reachable")) << drawn.toStdString();
    EXPECT_EQ(Rows(QString::fromUtf8(ReadBack(out))).size(), 21u);
    std::fclose(out);
    std::fclose(err);
}
