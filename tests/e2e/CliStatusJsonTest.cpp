// "qora-cli status --json" and "watch --json": the object built from the
// answers the command's poller decoded, and the program's output against the simulated unit
// parsed back with QJsonDocument.

#include "cli/CliStatusPoller.h"
#include "cli/StatusJson.h"
#include "link/DeviceMessageNotice.h"
#include "platform/MessageIds.h"
#include "status/install/InstallStatusView.h"
#include "support/CliRun.h"
#include "support/SimProcess.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <vector>

namespace {

void PutWord(std::vector<std::uint8_t>& b, std::uint32_t v)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        b.push_back(std::uint8_t(v >> shift));
}

void Deliver(CMessageTarget& poller, const std::vector<std::uint8_t>& bytes)
{
    auto message = std::make_unique<CDeviceMessage>();
    message->AppendBytes(bytes.data(), std::int32_t(bytes.size()));
    DeliverDeviceMessage(poller, std::move(message));
}

// A GPS status reply: 12:34:56, 123.45 m, S 12°34'56.789", E 001°23'45.678";
// channel 1 sees satellite 7 at 45 dBHz, 30° up, azimuth 200°; the rest see
// nothing.
std::vector<std::uint8_t> GpsReply()
{
    std::vector<std::uint8_t> b{0x83, 0x01, 0x13, 0x00, 12, 34, 56, 0, 0};
    PutWord(b, 12345);
    PutWord(b, std::uint32_t(-123456789));
    PutWord(b, 12345678);
    std::vector<std::uint8_t> satellites(12, 0), cno(12, 0), states(12, 0);
    satellites[0] = 7;
    cno[0] = 45;
    states[0] = 1;
    b.insert(b.end(), satellites.begin(), satellites.end());
    b.insert(b.end(), cno.begin(), cno.end());
    b.insert(b.end(), states.begin(), states.end());
    for (int c = 0; c < 12; ++c)
        PutWord(b, c == 0 ? 300000000u : 0u);
    for (int c = 0; c < 12; ++c)
        PutWord(b, c == 0 ? 2000000000u : 0u);
    return b;
}

// Every key of the object and the objects below it, recursively.
void CollectKeys(const QJsonValue& value, QStringList& keys)
{
    if (value.isObject()) {
        const QJsonObject object = value.toObject();
        for (auto it = object.begin(); it != object.end(); ++it) {
            keys.append(it.key());
            CollectKeys(it.value(), keys);
        }
    } else if (value.isArray()) {
        for (const QJsonValue& item : value.toArray())
            CollectKeys(item, keys);
    }
}

// Where a window shows dashes or "?", the number beside its text is null;
// elsewhere it is a number.
void ExpectNullExactlyWhereNothingIsShown(const QJsonObject& snapshot)
{
    for (const QJsonValue& value : snapshot["gps"]["channels"].toArray()) {
        const QJsonObject c = value.toObject();
        for (const char* key : {"satellite", "cno", "elevation", "azimuth"}) {
            const QString text = c[QLatin1String(key) + QStringLiteral("_text")].toString();
            EXPECT_EQ(c[QLatin1String(key)].isNull(), text.startsWith(QStringLiteral("--"))) << key;
            EXPECT_EQ(c[QLatin1String(key)].isDouble(), !text.startsWith(QStringLiteral("--"))) << key;
        }
    }
    const QJsonObject installation = snapshot["installation"].toObject();
    for (const char* row : {"self_tests", "gps_fix", "clock_output", "clock_state", "q1_transmission", "q1_time"}) {
        const QString text = installation[QLatin1String(row) + QStringLiteral("_text")].toString();
        EXPECT_EQ(installation[QLatin1String(row)].isNull(), text == QStringLiteral("?")) << row;
    }
    const QJsonObject constellation = snapshot["constellation"].toObject();
    const QJsonArray durations = constellation["durations"].toArray();
    const QJsonArray texts = constellation["durations_text"].toArray();
    ASSERT_EQ(durations.size(), 13);
    ASSERT_EQ(texts.size(), 13);
    for (int row = 0; row < 13; ++row) {
        const QString text = texts[row].toString();
        EXPECT_EQ(durations[row].isNull(), text == QStringLiteral("?") || text == QStringLiteral("--"));
        if (durations[row].isDouble()) {
            EXPECT_EQ(QString::number(durations[row].toInteger()), text);
        }
    }
    EXPECT_EQ(constellation["verdict"].isNull(), constellation["verdict_text"].toString() == QStringLiteral("?"));
    EXPECT_EQ(constellation["total"].isNull(), constellation["total_text"].toString() == QStringLiteral("?"));
}

TEST(CliStatusJson, NumbersBesideTheTextsTheWindowsShow)
{
    CCliStatusPoller poller; // no statistics yet: "?" everywhere
    Deliver(poller, GpsReply());
    // Self-tests OK, GPS fix byte 2 (shown "?"), clock on, PLL locked, bus
    // transmission OK, bus time 2009-05-02 12:34:56.789, survey 37 %.
    std::vector<std::uint8_t> installReply{0x84, 0x03, 0x1C, 0, 2, 0, 0, 1, 1};
    const std::uint64_t busTime = 1241267696789ULL;
    for (int shift = 56; shift >= 0; shift -= 8)
        installReply.push_back(std::uint8_t(busTime >> shift));
    PutWord(installReply, 37);
    Deliver(poller, installReply);

    const QDateTime when(QDate(2024, 2, 29), QTime(23, 59, 58, 7), Qt::UTC);
    const QString address = QStringLiteral("131");
    const QJsonObject json = StatusJson(poller.Status(), true, address, when, QStringLiteral("QSIM131"));

    EXPECT_EQ(json["time"].toString(), QStringLiteral("2024-02-29T23:59:58.007Z"));
    EXPECT_EQ(json["serial"].toString(), QStringLiteral("QSIM131"));
    EXPECT_TRUE(StatusJson(poller.Status(), true, address, when, std::nullopt)["serial"].isNull());

    const QJsonObject g = json["gps"].toObject();
    EXPECT_NEAR(g["latitude"].toDouble(), -(12 + 34 / 60.0 + 56.789 / 3600), 1e-9);
    EXPECT_EQ(g["latitude_text"].toString(), QStringLiteral("S 12°34'56.789\""));
    EXPECT_NEAR(g["longitude"].toDouble(), 1 + 23 / 60.0 + 45.678 / 3600, 1e-9);
    EXPECT_EQ(g["longitude_text"].toString(), QStringLiteral("E 001°23'45.678\""));
    EXPECT_DOUBLE_EQ(g["altitude"].toDouble(), 123.45);
    EXPECT_EQ(g["altitude_text"].toString(), QStringLiteral("123.45 m"));
    EXPECT_EQ(g["gps_time"].toInt(), 12 * 3600 + 34 * 60 + 56);
    EXPECT_EQ(g["gps_time_text"].toString(), QStringLiteral("12:34:56"));
    const QJsonArray channels = g["channels"].toArray();
    ASSERT_EQ(channels.size(), 12);
    const QJsonObject first = channels[0].toObject();
    EXPECT_EQ(first["channel"].toInt(), 1);
    EXPECT_EQ(first["satellite"].toInt(), 7);
    EXPECT_EQ(first["cno"].toInt(), 45);
    EXPECT_EQ(first["cno_text"].toString(), QStringLiteral("45 dBHz"));
    EXPECT_DOUBLE_EQ(first["elevation"].toDouble(), 30.0);
    EXPECT_DOUBLE_EQ(first["azimuth"].toDouble(), 200.0);
    EXPECT_FALSE(first["weak"].toBool());
    const QJsonObject empty = channels[11].toObject();
    EXPECT_EQ(empty["channel"].toInt(), 12);
    for (const char* key : {"satellite", "cno", "elevation", "azimuth"})
        EXPECT_TRUE(empty[QLatin1String(key)].isNull()) << key;
    EXPECT_EQ(empty["satellite_text"].toString(), QStringLiteral("---"));
    EXPECT_EQ(empty["cno_text"].toString(), QStringLiteral("-- dBHz"));
    EXPECT_EQ(empty["elevation_text"].toString(), QStringLiteral("--°"));

    const QJsonObject i = json["installation"].toObject();
    EXPECT_EQ(i["self_tests"].toInt(), 1);
    EXPECT_EQ(i["self_tests_text"].toString(), QStringLiteral("OK"));
    EXPECT_TRUE(i["gps_fix"].isNull());
    EXPECT_EQ(i["gps_fix_text"].toString(), QStringLiteral("?"));
    EXPECT_TRUE(i["survey_progress"].isNull()); // shown only with the survey
    EXPECT_EQ(i["clock_state_text"].toString(), QStringLiteral("PLL Locked"));
    EXPECT_EQ(i["q1_transmission_text"].toString(), QStringLiteral("OK (131)"));
    EXPECT_EQ(i["q1_time_text"].toString(), QStringLiteral("02.05.2009   12:34:56"));
    EXPECT_DOUBLE_EQ(i["q1_time_seconds"].toDouble(), 1241267696.789);

    const QJsonObject c = json["constellation"].toObject();
    EXPECT_TRUE(c["verdict"].isNull());
    EXPECT_TRUE(c["total"].isNull());
    EXPECT_EQ(c["total_text"].toString(), QStringLiteral("?"));
    ExpectNullExactlyWhereNothingIsShown(json);

    QStringList keys;
    CollectKeys(json, keys);
    const QRegularExpression snake(QStringLiteral("^[a-z][a-z0-9_]*$"));
    for (const QString& key : keys)
        EXPECT_TRUE(snake.match(key).hasMatch()) << key.toStdString();
}

QJsonObject StatusFromSim(const QStringList& simArguments)
{
    SimProcess sim(simArguments);
    EXPECT_TRUE(sim.Running());
    const CliRun run = RunCli({QStringLiteral("status"), QStringLiteral("--json")},
                              {{QStringLiteral("QORA_RKS_GATEWAY"), sim.Endpoint()},
                               {QStringLiteral("XDG_CONFIG_HOME"), QStringLiteral("/nonexistent-qora-test")}});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(run.out.count(u'\n'), 1) << "one line";
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(run.out.toUtf8(), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString();
    return document.object();
}

TEST(CliStatusJson, StatusOfTheSimulatedUnit)
{
    const QDateTime before = QDateTime::currentDateTimeUtc();
    const QJsonObject status =
        StatusFromSim({QStringLiteral("--position"), QStringLiteral("-33.5,151.25,12345"), QStringLiteral("--gps-time"),
                       QStringLiteral("2009-05-02 12:34:56")});
    const QString time = status["time"].toString();
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\\.\\d{3}Z$"))
                    .match(time)
                    .hasMatch())
        << time.toStdString();
    const QDateTime taken = QDateTime::fromString(time, Qt::ISODateWithMs);
    EXPECT_GE(taken, before.addMSecs(-1));
    EXPECT_LE(taken, QDateTime::currentDateTimeUtc());
    EXPECT_EQ(status["serial"].toString(), QStringLiteral("QSIM131"));

    const QJsonObject gps = status["gps"].toObject();
    EXPECT_NEAR(gps["latitude"].toDouble(), -33.5, 1e-6);
    EXPECT_EQ(gps["latitude_text"].toString(), QStringLiteral("S 33°30'00.000\""));
    EXPECT_NEAR(gps["longitude"].toDouble(), 151.25, 1e-6);
    EXPECT_NEAR(gps["altitude"].toDouble(), 123.45, 1e-9);
    EXPECT_EQ(gps["channels"].toArray().size(), 12);
    EXPECT_EQ(status["installation"]["q1_transmission_text"].toString(), QStringLiteral("OK (131)"));
    EXPECT_EQ(status["installation"]["q1_transmission"].toInt(), CInstallStatusView::OkAddress);
    ExpectNullExactlyWhereNothingIsShown(status);
}

// The same unit named by connection strings spelled differently: the bus
// transmission row names the same address for each, as the unit itself reads it.
TEST(CliStatusJson, EverySpellingOfTheConnectionNamesTheSameAddress)
{
    SimProcess sim;
    ASSERT_TRUE(sim.Running());
    for (const char* connection : {"WP=SOCKET,HOST=192.168.255.120,PORT=7000,WP=NEQ1,ADDR=131",
                                   "ADDR=131,HOST=192.168.255.120,PORT=7000",
                                   "wp=socket,host=192.168.255.120,port=7000,wp=neq1,addr=131",
                                   " HOST=192.168.255.120 , XADDR=7 , Addr = 131 "}) {
        SCOPED_TRACE(connection);
        const CliRun run = RunCli({QStringLiteral("--connection"), QString::fromLatin1(connection),
                                   QStringLiteral("status"), QStringLiteral("--json")},
                                  {{QStringLiteral("QORA_RKS_GATEWAY"), sim.Endpoint()},
                                   {QStringLiteral("XDG_CONFIG_HOME"), QStringLiteral("/nonexistent-qora-test")}});
        ASSERT_EQ(run.status, 0) << run.err.toStdString();
        const QJsonObject status = QJsonDocument::fromJson(run.out.toUtf8()).object();
        EXPECT_EQ(status["installation"]["q1_transmission_text"].toString(), QStringLiteral("OK (131)"));
        EXPECT_EQ(status["serial"].toString(), QStringLiteral("QSIM131"));
    }
}

TEST(CliStatusJson, NoFixAndFreeRunningGiveNulls)
{
    // No fix, and no statistics collected yet: the unit is still initialising.
    const QJsonObject noFix = StatusFromSim({QStringLiteral("--no-fix"), QStringLiteral("--history-days"),
                                             QStringLiteral("0"), QStringLiteral("--constellation-verdict"),
                                             QStringLiteral("255")});
    const QJsonObject installation = noFix["installation"].toObject();
    EXPECT_EQ(installation["gps_fix"].toInt(), CInstallStatusView::NotOk);
    EXPECT_EQ(installation["gps_fix_text"].toString(), QStringLiteral("Not OK"));
    EXPECT_TRUE(installation["survey_progress"].isNull());
    const QJsonObject constellation = noFix["constellation"].toObject();
    EXPECT_EQ(constellation["verdict"].toInt(), 255);
    EXPECT_EQ(constellation["verdict_text"].toString(), QStringLiteral("Initializing"));
    for (const QJsonValue& duration : constellation["durations"].toArray())
        EXPECT_TRUE(duration.isNull());
    ExpectNullExactlyWhereNothingIsShown(noFix);

    const QJsonObject freeRunning = StatusFromSim({QStringLiteral("--free-running")});
    EXPECT_EQ(freeRunning["installation"]["clock_state"].toInt(), CInstallStatusView::FreeRunning);
    EXPECT_EQ(freeRunning["installation"]["clock_state_text"].toString(), QStringLiteral("Free Running"));
    ExpectNullExactlyWhereNothingIsShown(freeRunning);
}

TEST(CliStatusJson, WatchWritesOneObjectPerLine)
{
    SimProcess sim;
    ASSERT_TRUE(sim.Running());
    QProcess watch;
    auto environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QORA_RKS_GATEWAY"), sim.Endpoint());
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), QStringLiteral("/nonexistent-qora-test"));
    watch.setProcessEnvironment(environment);
    watch.start(QStringLiteral(QORA_CLI_PATH),
                {QStringLiteral("watch"), QStringLiteral("--json"), QStringLiteral("--interval"), QStringLiteral("1")});
    QList<QByteArray> lines;
    while (lines.size() < 2 && watch.waitForReadyRead(10000)) {
        while (watch.canReadLine())
            lines.append(watch.readLine());
    }
    watch.kill();
    watch.waitForFinished();
    ASSERT_GE(lines.size(), 2) << watch.readAllStandardError().constData();
    QDateTime previous;
    for (const QByteArray& line : lines) {
        ASSERT_TRUE(line.endsWith('\n'));
        const QJsonObject object = QJsonDocument::fromJson(line).object();
        EXPECT_EQ(object["serial"].toString(), QStringLiteral("QSIM131"));
        EXPECT_EQ(object["gps"]["channels"].toArray().size(), 12);
        const QDateTime time = QDateTime::fromString(object["time"].toString(), Qt::ISODateWithMs);
        if (previous.isValid()) {
            EXPECT_GE(previous.msecsTo(time), 900); // a second apart
        }
        previous = time;
    }
}

} // namespace
