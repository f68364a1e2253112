#pragma once
// qora-exporter's HTTP side (cpp-httplib): the routes, the probe handling,
// basic authentication and TLS from the web configuration, and the limits on
// connections, request sizes and idle or slow clients.

#include "exporter/BasicAuth.h"
#include "exporter/ExporterOptions.h"
#include "exporter/ExporterStats.h"
#include "exporter/ProbeCoordinator.h"
#include "exporter/TargetDirectory.h"
#include "exporter/WebConfig.h"

#include <functional>
#include <memory>
#include <string>

namespace httplib {
class Server;
struct Request;
struct Response;
} // namespace httplib

// How long an answer may take to go out, and how much a client may send.
inline constexpr int kExporterWriteTimeoutSeconds = 5;
inline constexpr std::size_t kExporterMaxPayload = 8 * 1024;

class CExporterServer {
public:
    CExporterServer(const SExporterOptions& options, const SWebConfig& web, CTargetDirectory& targets,
                    IUnitReader& reader);
    ~CExporterServer();

    // Binds the listening socket; false with the reason.
    bool Bind(std::string& error);
    [[nodiscard]] int Port() const { return port_; }
    // Serves until Stop (from any thread).
    bool Run();
    void Stop();

private:
    void Route();
    bool Authorised(const httplib::Request& request, httplib::Response& response);
    void Probe(const httplib::Request& request, httplib::Response& response);
    [[nodiscard]] IUnitReader::Clock::time_point DeadlineOf(const httplib::Request& request) const;

    SExporterOptions options_;
    CTargetDirectory& targets_;
    CBasicAuth auth_;
    CExporterStats stats_;
    CProbeCoordinator probes_;
    std::unique_ptr<httplib::Server> server_;
    std::function<int()> listeningSocket_;
    int port_ = 0;
};
