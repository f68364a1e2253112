#pragma once
// The node directory as the exporter's targets: looked up by node name for
// each probe and listed for Prometheus' HTTP service discovery. The file is
// read again when it changes (looked at no more than once a second); a
// changed file that cannot be read leaves the last good directory in use.

#include "rks/RksNodeDirectory.h"

#include <QString>

#include <chrono>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

struct SExporterTarget {
    std::string name;
    std::string connection;
    std::string group;          // the group path, outermost first, joined by "/"
    std::string connectionKind; // "remote" (node kind 1), "local" (0), else the kind's number
};

class CTargetDirectory {
public:
    explicit CTargetDirectory(QString path);

    // Reads the file; false with the reason when it cannot be read.
    bool Load(QString& error);

    [[nodiscard]] std::optional<SExporterTarget> Find(std::string_view name);
    // The targets as HTTP service discovery JSON: one target group per node.
    [[nodiscard]] std::shared_ptr<const std::string> DiscoveryJson();
    [[nodiscard]] std::size_t Count();

private:
    struct Snapshot {
        CRksNodeDirectory directory;
        std::vector<SExporterTarget> targets;
        std::unordered_map<std::string, std::size_t> byName;
        std::shared_ptr<const std::string> json;
    };
    std::shared_ptr<const Snapshot> Current();

    const QString path_;
    std::mutex mutex_;
    std::shared_ptr<const Snapshot> snapshot_;
    std::chrono::steady_clock::time_point checked_{};
    qint64 size_ = -1;
    qint64 modified_ = -1;
};

[[nodiscard]] std::string DiscoveryJsonOf(const std::vector<SExporterTarget>& targets);
