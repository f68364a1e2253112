// The exporter under a real Prometheus (Debian's package): the simulator's
// fleet with silent units and a failed self-test, two exporters sharing the
// fleet by hashmod as docs/monitoring.md shows, and Prometheus discovering
// the units from /sd. Checked through Prometheus' query API: every unit
// discovered and scraped by exactly one exporter, and what each reports.
// promtool lints the expositions on the way.

#include "support/SimProcess.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTemporaryDir>

#include <httplib.h>

#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <thread>

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// Fleet units 2 and 5 are silent, 3 fails its self-test, 4 runs old firmware;
// with the simulator's own unit the directory has 7 nodes.
constexpr int kNodes = 7;

QString Unit(int fleetNumber)
{
    return QStringLiteral("QORA-131 (10.0.0.%1)").arg(fleetNumber);
}

class Exporter {
public:
    Exporter(const QString& directory, quint16 gatewayPort)
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("QORA_RKS_GATEWAY", QStringLiteral("127.0.0.1:%1").arg(gatewayPort));
        process_.setProcessEnvironment(environment);
        process_.start(QORA_EXPORTER_PATH, {"--directory", directory, "--web.listen-address", "127.0.0.1:0"});
        QByteArray line;
        while (!line.endsWith('\n') && process_.waitForReadyRead(10000))
            line += process_.readLine();
        if (line.startsWith("listening on "))
            port_ = line.mid(line.lastIndexOf(':') + 1).trimmed().toInt();
    }
    ~Exporter()
    {
        process_.terminate();
        if (!process_.waitForFinished(5000))
            process_.kill();
        process_.waitForFinished(5000);
    }
    [[nodiscard]] int Port() const { return port_; }
    [[nodiscard]] int ExitCode() const { return process_.exitCode(); }
    [[nodiscard]] QProcess::ProcessState State() const { return process_.state(); }

private:
    QProcess process_;
    int port_ = 0;
};

std::string Fetch(int port, const std::string& path, httplib::Headers headers = {})
{
    httplib::Client client("127.0.0.1", port);
    client.set_read_timeout(10, 0);
    const auto result = client.Get(path.c_str(), headers);
    return result && result->status == 200 ? result->body : std::string();
}

// promtool's verdict on an exposition: empty when it is clean.
std::string Lint(const QString& promtool, const std::string& exposition)
{
    QProcess check;
    check.start(promtool, {"check", "metrics"});
    check.write(exposition.data(), qint64(exposition.size()));
    check.closeWriteChannel();
    check.waitForFinished(20000);
    if (check.exitStatus() == QProcess::NormalExit && check.exitCode() == 0)
        return {};
    return (check.readAllStandardOutput() + check.readAllStandardError()).toStdString();
}

quint16 FreePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

// The config of docs/monitoring.md with two shards, fast: 1 s scrapes.
QByteArray PrometheusConfig(int sdPort, int shard0, int shard1)
{
    QByteArray config = "global:\n  scrape_interval: 1s\n  scrape_timeout: 1s\nscrape_configs:\n";
    const int ports[] = {shard0, shard1};
    for (int shard = 0; shard < 2; ++shard) {
        config += QStringLiteral(
                      "  - job_name: qora-shard-%1\n"
                      "    metrics_path: /probe\n"
                      "    http_sd_configs:\n"
                      "      - url: http://127.0.0.1:%2/sd\n"
                      "        refresh_interval: 5s\n"
                      "    relabel_configs:\n"
                      "      - {source_labels: [__address__], modulus: 2, target_label: __tmp_shard, action: hashmod}\n"
                      "      - {source_labels: [__tmp_shard], regex: \"%1\", action: keep}\n"
                      "      - {source_labels: [__address__], target_label: __param_target}\n"
                      "      - {source_labels: [__param_target], target_label: instance}\n"
                      "      - {target_label: __address__, replacement: \"127.0.0.1:%3\"}\n"
                      "      - {target_label: shard, replacement: \"%1\"}\n"
                      "      - {target_label: job, replacement: qora}\n")
                      .arg(shard)
                      .arg(sdPort)
                      .arg(ports[shard])
                      .toUtf8();
    }
    return config;
}

// instance -> value of an instant query's result; label `by` instead of instance when given.
std::map<std::string, std::string> Query(int port, const std::string& query, const char* by = "instance")
{
    const std::string body = Fetch(port, "/api/v1/query?query=" + httplib::detail::encode_query_param(query));
    std::map<std::string, std::string> values;
    const QJsonArray result =
        QJsonDocument::fromJson(QByteArray::fromStdString(body)).object()["data"].toObject()["result"].toArray();
    for (const auto& item : result) {
        const QJsonObject sample = item.toObject();
        values[sample["metric"].toObject()[by].toString().toStdString()] =
            sample["value"].toArray().at(1).toString().toStdString();
    }
    return values;
}

} // namespace

TEST(ExporterUnderPrometheus, EveryUnitDiscoveredScrapedOnceAndReported)
{
    const QString prometheus = QStandardPaths::findExecutable("prometheus");
    const QString promtool = QStandardPaths::findExecutable("promtool");
    if (prometheus.isEmpty() || promtool.isEmpty())
        GTEST_SKIP() << "needs prometheus and promtool (Debian package prometheus, see scripts/install-deps.sh)";

    QTemporaryDir dir;
    const QString directory = dir.filePath("nodes.json");
    SimProcess sim({"--fleet", "6", "--fleet-silent", "2,5", "--fleet-self-test-failure", "3", "--fleet-old-firmware",
                    "4", "--directory", directory});
    ASSERT_TRUE(sim.Running());
    Exporter first(directory, sim.Port());
    Exporter second(directory, sim.Port());
    ASSERT_NE(first.Port(), 0);
    ASSERT_NE(second.Port(), 0);

    // The text expositions pass promtool's lint (it reads no OpenMetrics;
    // Prometheus itself asks for OpenMetrics first, so the scrapes below
    // read that format).
    const std::string target = "/probe?target=" + httplib::detail::encode_query_param(Unit(1).toStdString());
    for (const std::string& exposition : {Fetch(first.Port(), target), Fetch(first.Port(), "/metrics")}) {
        ASSERT_FALSE(exposition.empty());
        EXPECT_EQ(Lint(promtool, exposition), "") << exposition;
    }

    QFile config(dir.filePath("prometheus.yml"));
    ASSERT_TRUE(config.open(QIODevice::WriteOnly));
    config.write(PrometheusConfig(first.Port(), first.Port(), second.Port()));
    config.close();
    const quint16 port = FreePort();
    QProcess server;
    server.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    server.start(prometheus, {"--config.file=" + config.fileName(), "--storage.tsdb.path=" + dir.filePath("data"),
                              QStringLiteral("--web.listen-address=127.0.0.1:%1").arg(port), "--log.level=warn"});
    ASSERT_TRUE(server.waitForStarted(10000));
    const auto stop = qScopeGuard([&] {
        server.terminate();
        if (!server.waitForFinished(10000))
            server.kill();
        server.waitForFinished(5000);
    });

    // Until every node has been scraped (two rounds, so that rates exist).
    std::map<std::string, std::string> up;
    const auto until = Clock::now() + 40s;
    while (Clock::now() < until) {
        up = Query(port, "qora_up and on(instance) (count_over_time(qora_up[1m]) >= 2)");
        if (up.size() == std::size_t(kNodes))
            break;
        std::this_thread::sleep_for(250ms);
    }
    ASSERT_EQ(up.size(), std::size_t(kNodes)) << "not every node of the directory was scraped in time";
    for (int n = 1; n <= 6; ++n) {
        const bool silent = n == 2 || n == 5;
        EXPECT_EQ(up[Unit(n).toStdString()], silent ? "0" : "1") << Unit(n).toStdString();
    }
    EXPECT_EQ(up["QORA-131 (192.168.255.120)"], "1");

    // Exactly one exporter per unit: one series of up per instance, and both
    // shards took a part.
    const auto scrapes = Query(port, "count by (instance) (up{job=\"qora\"})");
    EXPECT_EQ(scrapes.size(), std::size_t(kNodes));
    for (const auto& [instance, count] : scrapes)
        EXPECT_EQ(count, "1") << instance;
    const auto shards = Query(port, "count by (shard) (up{job=\"qora\"})", "shard");
    ASSERT_EQ(shards.size(), 2u) << "hashmod gave every unit to one exporter";
    EXPECT_EQ(std::stoi(shards.at("0")) + std::stoi(shards.at("1")), kNodes);
    // Each exporter read only its own units: its probes of units that answer
    // stay with its shard's share.
    const auto own = Query(port, "count by (shard) (qora_up == 1)", "shard");
    EXPECT_EQ(own.size(), 2u);

    // What the units report.
    EXPECT_EQ(Query(port, "qora_self_test_ok == 0"), (std::map<std::string, std::string>{{Unit(3).toStdString(), "0"}}));
    const auto serials = Query(port, "qora_unit_info", "serial");
    EXPECT_EQ(serials.size(), 5u) << "one identity per unit that answers";
    EXPECT_TRUE(serials.contains("QSIMF00004"));
    const auto old = Query(port, "qora_unit_info{active_firmware=\"QOR0290.bin\"}");
    EXPECT_EQ(old.size(), 1u);
    EXPECT_TRUE(old.contains(Unit(4).toStdString()));
    const auto tracked = Query(port, "qora_gps_satellites_tracked");
    EXPECT_EQ(tracked.size(), 5u);
    for (const auto& [instance, count] : tracked)
        EXPECT_GT(std::stoi(count), 0) << instance;
    // A state set: exactly one state at 1 for every unit that answers.
    const auto states = Query(port, "count by (instance) (qora_clock_state == 1)");
    EXPECT_EQ(states.size(), 5u);
    for (const auto& [instance, count] : states)
        EXPECT_EQ(count, "1") << instance;
}
