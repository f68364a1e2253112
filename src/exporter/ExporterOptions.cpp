#include "exporter/ExporterOptions.h"

#include <charconv>

namespace {

std::optional<double> Seconds(const std::string& text)
{
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || !(value >= 0) || value > 3600)
        return std::nullopt;
    return value;
}

std::optional<int> Count(const std::string& text, int low, int high)
{
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < low || value > high)
        return std::nullopt;
    return value;
}

} // namespace

std::optional<std::pair<std::string, int>> ParseListenAddress(const std::string& text)
{
    const std::size_t colon = text.rfind(':');
    if (colon == std::string::npos)
        return std::nullopt;
    std::string host = text.substr(0, colon);
    if (host.size() >= 2 && host.front() == '[' && host.back() == ']')
        host = host.substr(1, host.size() - 2);
    else if (host.find(':') != std::string::npos)
        return std::nullopt; // an IPv6 address needs its brackets
    if (host.empty())
        host = "0.0.0.0";
    const auto port = Count(text.substr(colon + 1), 0, 65535);
    if (!port)
        return std::nullopt;
    return std::pair{host, *port};
}

std::optional<SExporterOptions> ParseExporterOptions(const std::vector<std::string>& arguments, std::string& error)
{
    SExporterOptions options;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        std::string name = arguments[i];
        std::optional<std::string> value;
        if (const std::size_t equals = name.find('='); name.starts_with("--") && equals != std::string::npos) {
            value = name.substr(equals + 1);
            name.resize(equals);
        }
        if (name == "--help" || name == "-h") {
            options.help = true;
            continue;
        }
        if (name == "--version") {
            options.version = true;
            continue;
        }
        if (!value) {
            if (i + 1 >= arguments.size()) {
                error = name.starts_with("-") ? name + " needs a value" : "unexpected argument " + name;
                return std::nullopt;
            }
            value = arguments[++i];
        }
        const auto refuse = [&](const char* what) {
            error = name + ": '" + *value + "' is not " + what;
            return std::nullopt;
        };
        if (name == "--web.listen-address") {
            const auto address = ParseListenAddress(*value);
            if (!address)
                return refuse("HOST:PORT");
            options.listenHost = address->first;
            options.listenPort = address->second;
        } else if (name == "--web.config.file") {
            options.webConfigFile = *value;
        } else if (name == "--directory") {
            options.directory = *value;
        } else if (name == "--web.max-connections") {
            const auto count = Count(*value, 1, kExporterMaxPlaces);
            if (!count)
                return refuse("a number from 1 to 4096");
            options.maxConnections = *count;
        } else if (name == "--web.read-timeout") {
            const auto seconds = Count(*value, 1, 3600);
            if (!seconds)
                return refuse("a number of seconds from 1 to 3600");
            options.readTimeoutSeconds = *seconds;
        } else if (name == "--probe.max-concurrent") {
            const auto count = Count(*value, 1, kExporterMaxPlaces);
            if (!count)
                return refuse("a number from 1 to 4096");
            options.maxProbes = *count;
        } else if (name == "--probe.default-timeout") {
            const auto seconds = Seconds(*value);
            if (!seconds || *seconds < 0.1)
                return refuse("a number of seconds from 0.1 to 3600");
            options.defaultTimeoutSeconds = *seconds;
        } else if (name == "--probe.timeout-offset") {
            const auto seconds = Seconds(*value);
            if (!seconds)
                return refuse("a number of seconds from 0 to 3600");
            options.timeoutOffsetSeconds = *seconds;
        } else {
            error = "unknown option " + name + " (see qora-exporter --help)";
            return std::nullopt;
        }
    }
    return options;
}

std::string ExporterHelpText()
{
    return "Usage: qora-exporter [OPTION]...\n"
           "Answers Prometheus' scrapes with the state of the QORA units of the node\n"
           "directory: each scrape of /probe?target=NODE reads that unit then and there.\n"
           "\n"
           "Endpoints:\n"
           "  /probe?target=NODE  the unit's metrics (qora_up 0 when it does not answer)\n"
           "  /sd                 the node directory for Prometheus' HTTP service discovery\n"
           "  /metrics            the exporter's own metrics\n"
           "  /                   a page with links and the version\n"
           "\n"
           "Options:\n"
           "  --web.listen-address HOST:PORT  where to listen (default " + std::string(kExporterDefaultListen) + ",\n"
           "                                  loopback only; :PORT listens on every address)\n"
           "  --web.config.file FILE          TLS certificate and key, and basic_auth_users\n"
           "                                  with bcrypt hashes (the exporter-toolkit format)\n"
           "  --directory FILE                the node directory (default: QORA_RKS_DIRECTORY,\n"
           "                                  else the service's \"Directory\" setting)\n"
           "  --web.max-connections N         HTTP connections served at once (default "
        + std::to_string(kExporterDefaultConnections) + ");\n"
           "                                  more are answered 503\n"
           "  --web.read-timeout SECONDS      time a client has for each read of its request,\n"
           "                                  and a new connection for its first bytes (default 5)\n"
           "  --probe.max-concurrent N        units read at once (default " + std::to_string(kExporterDefaultProbes)
        + ")\n"
           "  --probe.default-timeout SECONDS\n"
           "                                  a probe's time when the scraper sends no\n"
           "                                  X-Prometheus-Scrape-Timeout-Seconds (default 10)\n"
           "  --probe.timeout-offset SECONDS  kept back from the scraper's timeout to send\n"
           "                                  the answer (default 0.5)\n"
           "  --help                          show this help and exit\n"
           "  --version                       show the version and exit\n"
           "\n"
           "Units are reached as qora-cli reaches them: QORA_RKS_GATEWAY or the service's\n"
           "\"Gateway\" setting names the gateway.\n";
}
