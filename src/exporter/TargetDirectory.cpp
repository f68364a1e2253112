#include "exporter/TargetDirectory.h"

#include "exporter/ExporterLog.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

constexpr auto kRecheckEvery = std::chrono::seconds(1);

void Collect(const RksNodeGroup& group, const std::string& path, std::vector<SExporterTarget>& targets)
{
    for (const RksNode& node : group.nodes) {
        std::string kind = node.kind == kRksRemoteUnitKind ? "remote"
            : node.kind == 0                               ? "local"
                                                           : std::to_string(node.kind);
        targets.push_back({node.name, node.connection, path, std::move(kind)});
    }
    for (const RksNodeGroup& inner : group.groups)
        Collect(inner, path.empty() ? inner.name : path + "/" + inner.name, targets);
}

} // namespace

std::string DiscoveryJsonOf(const std::vector<SExporterTarget>& targets)
{
    QJsonArray groups;
    for (const SExporterTarget& target : targets) {
        groups.append(QJsonObject{
            {QStringLiteral("targets"), QJsonArray{QString::fromStdString(target.name)}},
            {QStringLiteral("labels"),
             QJsonObject{{QStringLiteral("group"), QString::fromStdString(target.group)},
                         {QStringLiteral("connection_kind"), QString::fromStdString(target.connectionKind)}}}});
    }
    return QJsonDocument(groups).toJson(QJsonDocument::Compact).toStdString();
}

CTargetDirectory::CTargetDirectory(QString path) : path_(std::move(path)) {}

bool CTargetDirectory::Load(QString& error)
{
    const QFileInfo info(path_);
    auto snapshot = std::make_shared<Snapshot>();
    if (!snapshot->directory.Load(path_, error))
        return false;
    Collect(snapshot->directory.Root(), {}, snapshot->targets);
    snapshot->byName.reserve(snapshot->targets.size());
    for (std::size_t i = 0; i < snapshot->targets.size(); ++i)
        snapshot->byName.emplace(snapshot->targets[i].name, i);
    snapshot->json = std::make_shared<const std::string>(DiscoveryJsonOf(snapshot->targets));
    std::lock_guard lock(mutex_);
    snapshot_ = std::move(snapshot);
    size_ = info.size();
    modified_ = info.lastModified().toMSecsSinceEpoch();
    checked_ = std::chrono::steady_clock::now();
    return true;
}

std::shared_ptr<const CTargetDirectory::Snapshot> CTargetDirectory::Current()
{
    {
        std::lock_guard lock(mutex_);
        const auto now = std::chrono::steady_clock::now();
        if (snapshot_ && now - checked_ < kRecheckEvery)
            return snapshot_;
        checked_ = now;
        const QFileInfo info(path_);
        if (snapshot_ && info.size() == size_ && info.lastModified().toMSecsSinceEpoch() == modified_)
            return snapshot_;
    }
    // Read outside the lock: probes go on with the directory they have.
    QString error;
    if (!Load(error)) {
        qCWarning(lcExporter, "node directory %s: %s; the last one read stays in use", qPrintable(path_),
                  qPrintable(error));
        std::lock_guard lock(mutex_);
        // Not again until the file changes once more.
        const QFileInfo info(path_);
        size_ = info.size();
        modified_ = info.lastModified().toMSecsSinceEpoch();
    }
    std::lock_guard lock(mutex_);
    return snapshot_;
}

std::optional<SExporterTarget> CTargetDirectory::Find(std::string_view name)
{
    const auto snapshot = Current();
    if (!snapshot)
        return std::nullopt;
    if (const auto found = snapshot->byName.find(std::string(name)); found != snapshot->byName.end())
        return snapshot->targets[found->second];
    // Blanks at the ends, or a name that differs only in case: as the tool finds it.
    const RksNode* node = snapshot->directory.Find(name);
    if (!node)
        return std::nullopt;
    const auto found = snapshot->byName.find(node->name);
    return found == snapshot->byName.end() ? std::nullopt : std::optional(snapshot->targets[found->second]);
}

std::shared_ptr<const std::string> CTargetDirectory::DiscoveryJson()
{
    const auto snapshot = Current();
    return snapshot ? snapshot->json : std::make_shared<const std::string>("[]");
}

std::size_t CTargetDirectory::Count()
{
    const auto snapshot = Current();
    return snapshot ? snapshot->targets.size() : 0;
}
