#include "exporter/ExporterServer.h"

#include "exporter/ConnectionQueue.h"
#include "exporter/ExporterLog.h"
#include "exporter/UnitMetrics.h"
#include "version/ProgramVersion.h"

#include <httplib.h>

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include <cerrno>
#include <charconv>
#include <cstring>
#include <cmath>

namespace {

constexpr const char* kTextPlain = "text/plain; charset=utf-8";

void Refuse(httplib::Response& response, int status, const std::string& reason)
{
    response.status = status;
    response.set_content(reason + "\n", kTextPlain);
}

std::string HtmlEscaped(std::string_view text)
{
    std::string out;
    for (const char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string IndexPage()
{
    return std::string("<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>QORA exporter</title></head>\n"
                       "<body><h1>QORA exporter</h1>\n<p>Version ")
        + HtmlEscaped(ProgramVersion())
        + "</p>\n<ul>\n<li><a href=\"/metrics\">/metrics</a>: the exporter's own metrics</li>\n"
          "<li><a href=\"/sd\">/sd</a>: the node directory for HTTP service discovery</li>\n"
          "<li>/probe?target=NODE: the metrics of one unit of the node directory</li>\n"
          "</ul>\n</body></html>\n";
}

// The library's server with its listening socket in reach.
template <class Base>
class CListening final : public Base {
public:
    using Base::Base;
    [[nodiscard]] int Socket() const { return this->svr_sock_; }
};

// Connections the kernel keeps for the exporter until it takes them: the
// library's own 5 would drop connections whenever many arrive at once, and
// the scrapers would wait out their retransmissions (a second and more).
constexpr int kListenBacklog = 4096;

// A name from the request as a reason quotes it: on one line, not too long.
std::string Quoted(const std::string& name)
{
    std::string out = "\"";
    for (const char c : name.substr(0, 200))
        out += (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) ? '?' : c;
    return out + (name.size() > 200 ? "...\"" : "\"");
}

} // namespace

CExporterServer::CExporterServer(const SExporterOptions& options, const SWebConfig& web, CTargetDirectory& targets,
                                 IUnitReader& reader)
    : options_(options), targets_(targets), auth_(web.users), probes_(reader, options.maxProbes)
{
    if (!web.certFile.empty()) {
        auto server = std::make_unique<CListening<httplib::SSLServer>>(web.certFile.c_str(), web.keyFile.c_str());
        listeningSocket_ = [raw = server.get()] { return raw->Socket(); };
        server_ = std::move(server);
    } else {
        auto server = std::make_unique<CListening<httplib::Server>>();
        listeningSocket_ = [raw = server.get()] { return raw->Socket(); };
        server_ = std::move(server);
    }
    const std::size_t places = std::size_t(options_.maxConnections);
    server_->new_task_queue = [this, places] {
        return new CConnectionQueue(places, places, [this] { stats_.ConnectionRefused(); });
    };
    server_->set_read_timeout(options_.readTimeoutSeconds);
    server_->set_write_timeout(kExporterWriteTimeoutSeconds);
    // A connection's place is a thread, taken for as long as the connection
    // waits for its request. A scraper keeps more connections open than it
    // uses: Go's client dials a new one whenever a request finds none idle,
    // and keeps the dialled one when the request went elsewhere or gave up.
    // Under load such empty connections took every place while the requests
    // queued behind them, timed out and had more connections dialled. So the
    // kernel hands a connection over only once its first bytes are there
    // (TCP_DEFER_ACCEPT, for up to the read timeout), each connection carries
    // one request, and one that comes without bytes after all is dropped at
    // once (the library then looks for about 10 ms). A connection costs a
    // TCP handshake, far less than a unit's reading.
    server_->set_socket_options([seconds = options_.readTimeoutSeconds](socket_t socket) {
        // No SO_REUSEPORT (the library's default): a second exporter on the
        // same address must fail to start, not share its scrapes.
        const int yes = 1;
        setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
        setsockopt(socket, IPPROTO_TCP, TCP_DEFER_ACCEPT, &seconds, sizeof seconds);
    });
    server_->set_keep_alive_max_count(1);
    server_->set_keep_alive_timeout(0);
    server_->set_payload_max_length(kExporterMaxPayload);
    server_->set_tcp_nodelay(true);
    Route();
}

CExporterServer::~CExporterServer() = default;

bool CExporterServer::Bind(std::string& error)
{
    if (!server_->is_valid()) {
        error = "cannot use the TLS certificate and key of the web configuration";
        return false;
    }
    if (options_.listenPort == 0) {
        port_ = server_->bind_to_any_port(options_.listenHost);
    } else if (server_->bind_to_port(options_.listenHost, options_.listenPort)) {
        port_ = options_.listenPort;
    }
    if (port_ > 0) {
        // Listening again on a listening socket sets its backlog anew.
        if (::listen(listeningSocket_(), kListenBacklog) != 0)
            qCWarning(lcExporter, "cannot raise the listening backlog: %s", std::strerror(errno));
        return true;
    }
    error = "cannot listen on " + options_.listenHost + ":" + std::to_string(options_.listenPort) + ": "
        + std::strerror(errno);
    return false;
}

bool CExporterServer::Run()
{
    return server_->listen_after_bind();
}

void CExporterServer::Stop()
{
    server_->stop();
}

bool CExporterServer::Authorised(const httplib::Request& request, httplib::Response& response)
{
    if (!auth_.Enabled() || auth_.Allows(request.get_header_value("Authorization")))
        return true;
    response.set_header("WWW-Authenticate", "Basic realm=\"qora-exporter\", charset=\"UTF-8\"");
    Refuse(response, 401, "authentication required");
    return false;
}

void CExporterServer::Route()
{
    using httplib::Request;
    using httplib::Response;
    server_->set_pre_routing_handler([this](const Request& request, Response& response) {
        if (CConnectionQueue::RefusingHere()) {
            response.set_header("Connection", "close");
            Refuse(response, 503, "too many connections; try again later");
            return httplib::Server::HandlerResponse::Handled;
        }
        return Authorised(request, response) ? httplib::Server::HandlerResponse::Unhandled
                                             : httplib::Server::HandlerResponse::Handled;
    });
    // The library's own refusals (unknown path, request too large, not HTTP)
    // get a one-line reason too.
    server_->set_error_handler(httplib::Server::HandlerWithResponse([](const Request&, Response& response) {
        if (!response.body.empty())
            return httplib::Server::HandlerResponse::Unhandled;
        const char* reason = response.status == 404 ? "not found; see / for the endpoints"
            : response.status == 414              ? "request line too long"
            : response.status == 413              ? "request too large"
            : response.status == 400              ? "bad request: not HTTP/1.1 as this server reads it"
                                                  : "request refused";
        Refuse(response, response.status, reason);
        return httplib::Server::HandlerResponse::Handled;
    }));
    server_->set_exception_handler([](const Request&, Response& response, std::exception_ptr) {
        Refuse(response, 500, "internal error");
    });
    server_->Get("/", [](const Request&, Response& response) {
        response.set_content(IndexPage(), "text/html; charset=utf-8");
    });
    server_->Get("/metrics", [this](const Request& request, Response& response) {
        const ExpositionFormat format = FormatForAccept(request.get_header_value("Accept"));
        response.set_content(stats_.Exposition(format, targets_.Count(), probes_.Reading()), ContentTypeOf(format));
    });
    server_->Get("/sd", [this](const Request&, Response& response) {
        response.set_content(*targets_.DiscoveryJson(), "application/json");
    });
    server_->Get("/probe", [this](const Request& request, Response& response) { Probe(request, response); });
}

IUnitReader::Clock::time_point CExporterServer::DeadlineOf(const httplib::Request& request) const
{
    double seconds = options_.defaultTimeoutSeconds;
    const std::string header = request.get_header_value("X-Prometheus-Scrape-Timeout-Seconds");
    double given = 0;
    const auto [end, error] = std::from_chars(header.data(), header.data() + header.size(), given);
    if (!header.empty() && error == std::errc() && end == header.data() + header.size() && given > 0
        && std::isfinite(given))
        seconds = given;
    // Keep back time to answer, but never all of a short timeout.
    seconds = std::min(seconds - std::min(options_.timeoutOffsetSeconds, seconds / 4), 3600.0);
    return IUnitReader::Clock::now()
        + std::chrono::duration_cast<IUnitReader::Clock::duration>(std::chrono::duration<double>(seconds));
}

void CExporterServer::Probe(const httplib::Request& request, httplib::Response& response)
{
    const auto started = IUnitReader::Clock::now();
    stats_.ProbeStarted();
    const auto elapsed = [&] { return std::chrono::duration<double>(IUnitReader::Clock::now() - started).count(); };
    const std::string name = request.get_param_value("target");
    if (name.empty()) {
        stats_.ProbeEnded(ProbeEnd::BadRequest, elapsed(), false);
        Refuse(response, 400, "missing target: ask for /probe?target=NODE");
        return;
    }
    const auto target = targets_.Find(name);
    if (!target) {
        stats_.ProbeEnded(ProbeEnd::UnknownTarget, elapsed(), false);
        Refuse(response, 404, "unknown target " + Quoted(name) + ": no such node in the node directory");
        return;
    }
    const auto outcome = probes_.Probe(target->name, target->connection, DeadlineOf(request));
    if (!outcome.reading) {
        stats_.ProbeEnded(ProbeEnd::Busy, elapsed(), false);
        Refuse(response, 503, "too many probes at once; " + Quoted(target->name) + " was not read");
        return;
    }
    const double seconds = elapsed();
    // Debug level: a fleet with many units down would fill the journal at
    // every scrape, and qora_up says it already.
    if (!outcome.reading->reachable)
        qCDebug(lcExporter, "probe of \"%s\": %s", target->name.c_str(), outcome.reading->error.c_str());
    stats_.ProbeEnded(outcome.reading->reachable ? ProbeEnd::Up : ProbeEnd::Down, seconds, outcome.shared);
    const ExpositionFormat format = FormatForAccept(request.get_header_value("Accept"));
    response.set_content(UnitExposition(*outcome.reading, seconds, format), ContentTypeOf(format));
}
