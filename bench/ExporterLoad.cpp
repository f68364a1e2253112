// The load client of bench/run_exporter_bench.sh: probes every node of a node
// directory through qora-exporter, N probes at once, as many Prometheus scrape
// loops would. Each worker keeps one HTTP connection open. Prints
// "probes P up U seconds S" on standard output.
//   qora-exporter-load HOST:PORT DIRECTORY CONCURRENCY [PASSES]

#include <QByteArray>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <httplib.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

namespace {

void CollectNames(const QJsonObject& group, std::vector<std::string>& names)
{
    for (const auto& node : group["nodes"].toArray())
        names.push_back(node.toObject()["name"].toString().toStdString());
    for (const auto& inner : group["groups"].toArray())
        CollectNames(inner.toObject(), names);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 4) {
        std::fputs("usage: qora-exporter-load HOST:PORT DIRECTORY CONCURRENCY [PASSES]\n", stderr);
        return 2;
    }
    const std::string endpoint = argv[1];
    const std::size_t colon = endpoint.rfind(':');
    const std::string host = endpoint.substr(0, colon);
    const int port = std::stoi(endpoint.substr(colon + 1));
    QFile file(QString::fromLocal8Bit(argv[2]));
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read %s\n", argv[2]);
        return 1;
    }
    std::vector<std::string> names;
    CollectNames(QJsonDocument::fromJson(file.readAll()).object(), names);
    const int concurrency = std::max(1, std::atoi(argv[3]));
    const int passes = argc > 4 ? std::max(1, std::atoi(argv[4])) : 1;

    std::vector<std::string> paths;
    for (int pass = 0; pass < passes; ++pass) {
        for (const std::string& name : names)
            paths.push_back("/probe?target=" + httplib::detail::encode_query_param(name));
    }
    std::atomic<std::size_t> next{0};
    std::atomic<std::size_t> up{0};
    std::atomic<std::size_t> failed{0};
    const auto started = std::chrono::steady_clock::now();
    std::vector<std::thread> workers;
    for (int w = 0; w < concurrency; ++w) {
        workers.emplace_back([&] {
            httplib::Client client(host, port);
            client.set_keep_alive(true);
            client.set_read_timeout(30, 0);
            const httplib::Headers headers{{"X-Prometheus-Scrape-Timeout-Seconds", "10"}};
            for (std::size_t i = next++; i < paths.size(); i = next++) {
                const auto result = client.Get(paths[i].c_str(), headers);
                if (!result || result->status != 200)
                    ++failed;
                else if (result->body.find("\nqora_up 1\n") != std::string::npos)
                    ++up;
            }
        });
    }
    for (std::thread& worker : workers)
        worker.join();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::printf("probes %zu up %zu failed %zu seconds %.3f\n", paths.size(), up.load(), failed.load(), seconds);
    return failed ? 1 : 0;
}
