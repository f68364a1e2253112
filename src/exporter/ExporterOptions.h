#pragma once
// qora-exporter's command line.

#include <optional>
#include <string>
#include <vector>

// A port of the exporter's own, on loopback only unless the operator widens it.
inline constexpr const char* kExporterDefaultListen = "127.0.0.1:9847";
inline constexpr int kExporterDefaultConnections = 256;
inline constexpr int kExporterDefaultProbes = 128;
inline constexpr int kExporterMaxPlaces = 4096;

struct SExporterOptions {
    std::string listenHost = "127.0.0.1";
    int listenPort = 9847; // 0: any free port
    std::string webConfigFile;
    std::string directory; // empty: the one qora-cli uses
    int maxConnections = kExporterDefaultConnections;
    int maxProbes = kExporterDefaultProbes;
    int readTimeoutSeconds = 5; // for each read of a request, and a new connection's first bytes
    double defaultTimeoutSeconds = 10; // when the scraper sends no timeout
    double timeoutOffsetSeconds = 0.5; // kept back from the scraper's timeout to send the answer
    bool help = false;
    bool version = false;
};

// "host:port", "[v6]:port" or ":port" (every address); nullopt when malformed.
[[nodiscard]] std::optional<std::pair<std::string, int>> ParseListenAddress(const std::string& text);

// nullopt with a one-line reason in `error`.
[[nodiscard]] std::optional<SExporterOptions> ParseExporterOptions(const std::vector<std::string>& arguments,
                                                                   std::string& error);
[[nodiscard]] std::string ExporterHelpText();
