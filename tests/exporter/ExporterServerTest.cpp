// The exporter's HTTP side in-process, with a unit reader played by the test:
// the endpoints and their refusals, probes of one unit sharing a reading, the
// scrape timeout, the limits, clients that misbehave, basic auth and TLS.

#include "exporter/ExporterServer.h"
#include "exporter/DeadlineWatch.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <httplib.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <thread>

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

const char* kDirectory = R"({"version": 1, "groups": [{"name": "North", "groups": [{"name": "Kallio", "nodes": [
  {"name": "QORA-1", "kind": 1, "connection": "WP=SOCKET,HOST=10.0.0.1,PORT=7000,WP=NEQ1,ADDR=131"},
  {"name": "QORA-2", "kind": 1, "connection": "WP=SOCKET,HOST=10.0.0.2,PORT=7000,WP=NEQ1,ADDR=131"},
  {"name": "Spare unit 3", "kind": 1, "connection": "WP=SOCKET,HOST=10.0.0.3,PORT=7000,WP=NEQ1,ADDR=131"}]}]}],
  "nodes": [{"name": "Lab", "kind": 0, "connection": "HOST=127.0.0.1,PORT=7000,ADDR=131"}]})";

// Answers as the test says; by default QORA-2's unit is silent.
class FakeReader final : public IUnitReader {
public:
    SUnitReading Read(const std::string& connection, Clock::time_point deadline) override
    {
        ++reads;
        if (hook)
            return hook(connection, deadline);
        SUnitReading reading;
        reading.reachable = connection.find("10.0.0.2") == std::string::npos;
        if (reading.reachable)
            reading.identity = SUnitIdentity{"U1", "H1", "QSIM" + connection.substr(connection.find("HOST=") + 5, 8)};
        else
            reading.error = "no answer";
        return reading;
    }
    std::atomic<int> reads{0};
    std::function<SUnitReading(const std::string&, Clock::time_point)> hook;
};

class ExporterServer : public testing::Test {
protected:
    void Start(SExporterOptions options = {}, const SWebConfig& web = {})
    {
        const QString path = dir.filePath("nodes.json");
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(kDirectory);
        file.close();
        targets = std::make_unique<CTargetDirectory>(path);
        QString why;
        ASSERT_TRUE(targets->Load(why)) << why.toStdString();
        options.listenPort = 0;
        server = std::make_unique<CExporterServer>(options, web, *targets, reader);
        std::string error;
        ASSERT_TRUE(server->Bind(error)) << error;
        serving = std::thread([this] { server->Run(); });
    }
    void TearDown() override
    {
        if (server)
            server->Stop();
        if (serving.joinable())
            serving.join();
    }
    httplib::Result Get(const std::string& path, const httplib::Headers& headers = {})
    {
        httplib::Client client("127.0.0.1", server->Port());
        client.set_read_timeout(20, 0);
        return client.Get(path.c_str(), headers);
    }
    // A raw connection, for clients that do not speak HTTP properly.
    int Connect()
    {
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(std::uint16_t(server->Port()));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        EXPECT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        return fd;
    }
    // What comes back on `fd` until the server closes it or `limit` passes.
    static std::string ReadAll(int fd, std::chrono::milliseconds limit, bool* closed = nullptr)
    {
        std::string text;
        const auto end = Clock::now() + limit;
        for (;;) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
            pollfd readable{fd, POLLIN, 0};
            if (left <= 0 || ::poll(&readable, 1, int(left)) <= 0)
                break;
            char buffer[4096];
            const ssize_t got = ::read(fd, buffer, sizeof buffer);
            if (got <= 0) {
                if (closed)
                    *closed = true;
                break;
            }
            text.append(buffer, std::size_t(got));
        }
        return text;
    }
    int Metric(const std::string& name)
    {
        const auto result = Get("/metrics");
        const std::size_t at = result ? result->body.find("\n" + name + " ") : std::string::npos;
        return at == std::string::npos ? -1 : std::stoi(result->body.substr(at + name.size() + 2));
    }

    // Readings wait, answering "reachable", until ReleaseReadings().
    void HoldReadings()
    {
        reader.hook = [this](const std::string&, Clock::time_point) {
            std::unique_lock lock(holdMutex);
            released.wait(lock, [this] { return release; });
            SUnitReading reading;
            reading.reachable = true;
            return reading;
        };
    }
    void ReleaseReadings()
    {
        {
            std::lock_guard lock(holdMutex);
            release = true;
        }
        released.notify_all();
    }

    QTemporaryDir dir;
    FakeReader reader;
    std::mutex holdMutex;
    std::condition_variable released;
    bool release = false;
    std::unique_ptr<CTargetDirectory> targets;
    std::unique_ptr<CExporterServer> server;
    std::thread serving;
};

} // namespace

TEST_F(ExporterServer, EndpointsAndOneLineRefusals)
{
    Start();
    const auto index = Get("/");
    ASSERT_TRUE(index);
    EXPECT_EQ(index->status, 200);
    EXPECT_NE(index->body.find("/metrics"), std::string::npos);
    EXPECT_NE(index->body.find("/sd"), std::string::npos);

    const auto sd = Get("/sd");
    ASSERT_TRUE(sd);
    EXPECT_EQ(sd->get_header_value("Content-Type"), "application/json");
    EXPECT_NE(sd->body.find(R"({"labels":{"connection_kind":"remote","group":"North/Kallio"},"targets":["Spare unit 3"]})"),
              std::string::npos)
        << sd->body;
    EXPECT_NE(sd->body.find(R"({"labels":{"connection_kind":"local","group":""},"targets":["Lab"]})"),
              std::string::npos)
        << sd->body;

    const auto up = Get("/probe?target=Spare%20unit%203");
    ASSERT_TRUE(up);
    EXPECT_EQ(up->status, 200);
    EXPECT_EQ(up->get_header_value("Content-Type"), "text/plain; version=0.0.4; charset=utf-8");
    EXPECT_NE(up->body.find("\nqora_up 1\n"), std::string::npos) << up->body;
    EXPECT_NE(up->body.find("serial=\"QSIM10.0.0.3\""), std::string::npos) << up->body;

    // A unit that does not answer is no error of the exporter's.
    const auto down = Get("/probe?target=QORA-2", {{"Accept", "application/openmetrics-text;version=1.0.0"}});
    ASSERT_TRUE(down);
    EXPECT_EQ(down->status, 200);
    EXPECT_EQ(down->get_header_value("Content-Type"), "application/openmetrics-text; version=1.0.0; charset=utf-8");
    EXPECT_NE(down->body.find("\nqora_up 0\n"), std::string::npos) << down->body;
    EXPECT_TRUE(down->body.ends_with("# EOF\n"));

    // Refusals: status and a single line saying why.
    const std::pair<std::string, int> refused[] = {
        {"/probe", 400}, {"/probe?target=", 400}, {"/probe?target=QORA-9", 404},
        {"/probe?target=QORA-9%0Aqora_up%201", 404}, {"/nothing", 404}};
    for (const auto& [path, status] : refused) {
        const auto result = Get(path);
        ASSERT_TRUE(result) << path;
        EXPECT_EQ(result->status, status) << path;
        EXPECT_FALSE(result->body.empty()) << path;
        EXPECT_EQ(result->body.find('\n'), result->body.size() - 1) << path << ": " << result->body;
    }
    EXPECT_EQ(reader.reads.load(), 2) << "refused probes read nothing";
    const auto metrics = Get("/metrics");
    ASSERT_TRUE(metrics);
    for (const char* line : {"qora_exporter_probes_total{result=\"up\"} 1", "qora_exporter_probes_total{result=\"down\"} 1",
                             "qora_exporter_probes_total{result=\"unknown_target\"} 2",
                             "qora_exporter_probes_total{result=\"bad_request\"} 2", "qora_exporter_targets 4"})
        EXPECT_NE(metrics->body.find(std::string("\n") + line + "\n"), std::string::npos) << line;
    EXPECT_NE(metrics->body.find("\nprocess_resident_memory_bytes "), std::string::npos);

    // A second exporter on the same address does not start: sharing the port
    // it would quietly answer half the scrapes.
    SExporterOptions same;
    same.listenPort = server->Port();
    CExporterServer second(same, {}, *targets, reader);
    std::string error;
    EXPECT_FALSE(second.Bind(error));
    EXPECT_NE(error.find("cannot listen on 127.0.0.1:"), std::string::npos) << error;
}

TEST_F(ExporterServer, ProbesOfOneUnitArrivingTogetherShareOneReading)
{
    HoldReadings();
    Start();
    std::vector<std::thread> probes;
    std::atomic<int> answeredUp{0};
    for (int i = 0; i < 4; ++i) {
        probes.emplace_back([&] {
            const auto result = Get("/probe?target=QORA-1");
            if (result && result->status == 200 && result->body.find("\nqora_up 1\n") != std::string::npos)
                ++answeredUp;
        });
    }
    // All four are in before the one reading may finish.
    const auto until = Clock::now() + 10s;
    while (Metric("qora_exporter_probes_in_flight") != 4 && Clock::now() < until)
        std::this_thread::sleep_for(5ms);
    EXPECT_EQ(Metric("qora_exporter_units_reading"), 1);
    ReleaseReadings();
    for (std::thread& probe : probes)
        probe.join();
    EXPECT_EQ(answeredUp.load(), 4);
    EXPECT_EQ(reader.reads.load(), 1);
    EXPECT_EQ(Metric("qora_exporter_probes_shared_total"), 3);
}

TEST_F(ExporterServer, AProbeAnswersWithinTheScrapeTimeoutWithWhatItHas)
{
    std::atomic<double> budget{0};
    reader.hook = [&](const std::string&, Clock::time_point deadline) {
        budget = std::chrono::duration<double>(deadline - Clock::now()).count();
        std::this_thread::sleep_until(deadline);
        SUnitReading partial; // answered the identity probe, then nothing more in time
        partial.reachable = true;
        partial.error = "no answer";
        return partial;
    };
    SExporterOptions options;
    options.maxProbes = 1;
    options.defaultTimeoutSeconds = 1.2; // a quarter of it kept back
    Start(options);

    const auto started = Clock::now();
    const auto result = Get("/probe?target=QORA-1", {{"X-Prometheus-Scrape-Timeout-Seconds", "2"}});
    ASSERT_TRUE(result);
    EXPECT_EQ(result->status, 200);
    EXPECT_LT(Clock::now() - started, 2s);
    EXPECT_GT(budget.load(), 1.3);
    EXPECT_LE(budget.load(), 1.5) << "half a second kept back to answer";
    EXPECT_NE(result->body.find("\nqora_up 1\n"), std::string::npos) << result->body;
    EXPECT_NE(result->body.find("\nqora_probe_duration_seconds 1."), std::string::npos) << result->body;
    EXPECT_NE(result->body.find("\nqora_probe_complete 0\n"), std::string::npos) << result->body;

    // Without the header, or with one that is no number of seconds, the default.
    for (const char* header : {"", "-1"}) {
        const auto other = Get("/probe?target=QORA-1", {{"X-Prometheus-Scrape-Timeout-Seconds", header}});
        ASSERT_TRUE(other);
        EXPECT_GT(budget.load(), 0.7) << header;
        EXPECT_LE(budget.load(), 0.9) << header;
    }
}

TEST_F(ExporterServer, ProbesBeyondTheLimitAreRefusedAtTheirDeadlineNotQueuedForever)
{
    HoldReadings();
    SExporterOptions options;
    options.maxProbes = 1;
    Start(options);
    std::thread first([&] { (void)Get("/probe?target=QORA-1"); });
    const auto until = Clock::now() + 10s;
    while (Metric("qora_exporter_units_reading") != 1 && Clock::now() < until)
        std::this_thread::sleep_for(5ms);

    const auto other = Get("/probe?target=QORA-2", {{"X-Prometheus-Scrape-Timeout-Seconds", "0.4"}});
    ASSERT_TRUE(other);
    EXPECT_EQ(other->status, 503);
    EXPECT_NE(other->body.find("too many probes"), std::string::npos);
    ReleaseReadings();
    first.join();
    EXPECT_EQ(Metric("qora_exporter_probes_total{result=\"busy\"}"), 1);
}

TEST_F(ExporterServer, MisbehavingClientsAreAnsweredOrClosedAndOthersGoOn)
{
    SExporterOptions options;
    options.readTimeoutSeconds = 1;
    Start(options);

    // Idle and slow clients, and one that sends no HTTP at all.
    const int idle = Connect();
    const int slow = Connect();
    ASSERT_EQ(::write(slow, "GET /probe?tar", 14), 14);
    const int garbage = Connect();
    const char noise[] = "\x16\x03\x01\x00\xff binary \r\n\r\n";
    ASSERT_EQ(::write(garbage, noise, sizeof noise - 1), ssize_t(sizeof noise - 1));
    EXPECT_TRUE(ReadAll(garbage, 5s).starts_with("HTTP/1.1 400 ")) << "not HTTP: 400";

    // A huge query string: refused with 414, and the probe is not made.
    const auto huge = Get("/probe?target=" + std::string(20000, 'x'));
    ASSERT_TRUE(huge);
    EXPECT_EQ(huge->status, 414);

    // Meanwhile probes are answered.
    const auto started = Clock::now();
    const auto probe = Get("/probe?target=QORA-1");
    ASSERT_TRUE(probe);
    EXPECT_EQ(probe->status, 200);
    EXPECT_LT(Clock::now() - started, 1s) << "not held up by the idle and slow clients";

    // The idle and the slow client are closed after the read timeout.
    for (const int fd : {idle, slow}) {
        bool closed = false;
        ReadAll(fd, 5s, &closed);
        EXPECT_TRUE(closed);
    }
    for (const int fd : {idle, slow, garbage})
        ::close(fd);
    EXPECT_EQ(reader.reads.load(), 1);
}

TEST_F(ExporterServer, ConnectionsBeyondThePlacesAre503AtOnce)
{
    SExporterOptions options;
    options.maxConnections = 2;
    options.readTimeoutSeconds = 2;
    Start(options);
    // Two places and two waiting, all taken by clients that start a request
    // and stall (one that sends nothing at all is not even handed over).
    std::vector<int> idle;
    for (int i = 0; i < 4; ++i) {
        idle.push_back(Connect());
        ASSERT_EQ(::write(idle.back(), "GET /probe?tar", 14), 14);
    }
    const int late = Connect();
    const char request[] = "GET /probe?target=QORA-1 HTTP/1.1\r\nHost: x\r\n\r\n";
    ASSERT_EQ(::write(late, request, sizeof request - 1), ssize_t(sizeof request - 1));
    const std::string answer = ReadAll(late, 1500ms);
    EXPECT_TRUE(answer.starts_with("HTTP/1.1 503 ")) << answer;
    ::close(late);
    for (const int fd : idle)
        ::close(fd);
    EXPECT_EQ(reader.reads.load(), 0);

    // Once they are gone, probes are served again.
    const auto until = Clock::now() + 10s;
    int status = 0;
    while (status != 200 && Clock::now() < until) {
        const auto result = Get("/probe?target=QORA-1");
        status = result ? result->status : 0;
    }
    EXPECT_EQ(status, 200);
    EXPECT_GE(Metric("qora_exporter_connections_refused_total"), 1);

    // Connections that never send a request, as a scraper's client keeps
    // them by the dozen, take no place: a probe behind them is answered.
    std::vector<int> empty;
    for (int i = 0; i < 8; ++i)
        empty.push_back(Connect());
    const auto started = Clock::now();
    const auto behind = Get("/probe?target=QORA-1");
    ASSERT_TRUE(behind);
    EXPECT_EQ(behind->status, 200);
    EXPECT_LT(Clock::now() - started, 1s);
    for (const int fd : empty)
        ::close(fd);
}

TEST_F(ExporterServer, BasicAuthAndTls)
{
    const QString key = dir.filePath("x.key");
    const QString cert = dir.filePath("x.crt");
    QProcess openssl;
    openssl.start("openssl", {"req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:P-256", "-nodes",
                              "-keyout", key, "-out", cert, "-days", "1", "-subj", "/CN=127.0.0.1"});
    if (!openssl.waitForStarted())
        GTEST_SKIP() << "needs the openssl program";
    ASSERT_TRUE(openssl.waitForFinished(20000));
    ASSERT_EQ(openssl.exitCode(), 0) << openssl.readAllStandardError().toStdString();

    SWebConfig web;
    web.certFile = cert.toStdString();
    web.keyFile = key.toStdString();
    web.users = {{"prometheus", "$2b$04$QA5hz7bYP2MI3sSkHUYoEOQDK.WkbKhDr1GnKyO1ud/QIgPuvUvXi"}};
    Start({}, web);

    httplib::SSLClient client("127.0.0.1", server->Port());
    client.enable_server_certificate_verification(true);
    client.set_ca_cert_path(cert.toStdString().c_str());
    const auto anonymous = client.Get("/probe?target=QORA-1");
    ASSERT_TRUE(anonymous) << httplib::to_string(anonymous.error());
    EXPECT_EQ(anonymous->status, 401);
    EXPECT_NE(anonymous->get_header_value("WWW-Authenticate").find("Basic"), std::string::npos);
    client.set_basic_auth("prometheus", "wrong");
    EXPECT_EQ(client.Get("/metrics")->status, 401);
    client.set_basic_auth("prometheus", "secret");
    const auto allowed = client.Get("/probe?target=QORA-1");
    ASSERT_TRUE(allowed);
    EXPECT_EQ(allowed->status, 200);
    EXPECT_EQ(reader.reads.load(), 1) << "no unit is read for a refused request";

    // Plain HTTP to the TLS port gets nothing.
    const auto plain = Get("/");
    EXPECT_FALSE(plain && plain->status == 200);
}

// A deadline disarmed while the watch waits for it must not be read again
// when the wait ends (AddressSanitizer saw it freed under the waiting thread).
TEST(DeadlineWatch, ADeadlineDisarmedWhileAwaitedIsNeverTouchedAndTheNextStillFires)
{
    CDeadlineWatch watch;
    std::atomic<int> fired{0};
    const auto now = CDeadlineWatch::Clock::now();
    const std::uint64_t far = watch.Arm(now + std::chrono::milliseconds(300), [&] { fired += 100; });
    std::this_thread::sleep_for(std::chrono::milliseconds(20)); // the watch now waits for it
    watch.Disarm(far);
    (void)watch.Arm(CDeadlineWatch::Clock::now() + std::chrono::milliseconds(10), [&] { ++fired; });
    for (int i = 0; i < 200 && fired == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    std::this_thread::sleep_for(std::chrono::milliseconds(400)); // past the disarmed deadline
    EXPECT_EQ(fired.load(), 1);
}
