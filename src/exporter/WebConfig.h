#pragma once
// The web configuration file, in the format Prometheus' own exporters read
// (--web.config.file): a TLS certificate and key, and users allowed in with a
// bcrypt hash of their password. Only these keys are taken; any other key is
// refused with its name, so that a setting the operator relies on is never
// quietly ignored.
//
//   tls_server_config:
//     cert_file: /etc/qora-exporter/exporter.crt
//     key_file: /etc/qora-exporter/exporter.key
//   basic_auth_users:
//     prometheus: $2y$10$...

#include <map>
#include <optional>
#include <string>

inline constexpr long kWebConfigMaxBytes = 64 * 1024;

struct SWebConfig {
    std::string certFile; // both empty: plain HTTP
    std::string keyFile;
    std::map<std::string, std::string> users; // name -> bcrypt hash; empty: no authentication
};

// Reads the YAML text; nullopt with a one-line reason in `error`. Relative
// file names are taken from the configuration file's folder (`baseDir`).
[[nodiscard]] std::optional<SWebConfig> ParseWebConfig(const std::string& text, const std::string& baseDir,
                                                       std::string& error);
[[nodiscard]] std::optional<SWebConfig> LoadWebConfig(const std::string& path, std::string& error);
