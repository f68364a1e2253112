#include "cli/FleetCommand.h"

#include "cli/CliArguments.h"
#include "cli/CliSession.h"
#include "cli/FileArguments.h"
#include "cli/FleetDownloadCommand.h"
#include "cli/TextProgress.h"
#include "fleet/FleetSweep.h"
#include "fleet/FleetTable.h"
#include "fleet/FleetUnits.h"
#include "link/ComponentFactory.h"
#include "platform/LogCategories.h"
#include "protocol/Connection.h"
#include "rks/RksNodeDirectory.h"

#include <QSaveFile>

#include <chrono>
#include <optional>
#include <thread>

std::optional<int> LoadFleetUnits(const QString& directoryPath, const std::optional<std::string>& group,
                                  CRksNodeDirectory& directory, std::vector<const RksNode*>& units, std::FILE* err)
{
    SFleetUnits loaded = LoadFleetDirectory(directoryPath, group, directory);
    units = std::move(loaded.units);
    switch (loaded.result) {
    case EFleetLoad::Loaded:
        return std::nullopt;
    case EFleetLoad::NoDirectory:
        std::fputs("qora-cli: no node directory (give --directory FILE, or set QORA_RKS_DIRECTORY)\n", err);
        break;
    case EFleetLoad::Unreadable:
        // The reason begins with the path.
        std::fprintf(err, "qora-cli: node directory %s\n", qPrintable(loaded.why));
        break;
    case EFleetLoad::NoGroup:
        std::fprintf(err, "qora-cli: node directory %s has no group \"%s\"\n", qPrintable(loaded.path),
                     group->c_str());
        break;
    }
    return kExitFleetNoDirectory;
}

namespace {

struct SFleetStatusOptions {
    QString directory;
    std::optional<std::string> group;
    int jobs = kFleetDefaultJobs;
    QString csvPath;
    QString jsonPath;
};

std::optional<SFleetStatusOptions> ParseOptions(const std::vector<std::string>& arguments, std::string& error)
{
    SFleetStatusOptions options;
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        const std::string& name = arguments[i];
        if (i + 1 >= arguments.size()) {
            error = name.starts_with("--") ? name + " needs a value" : "unexpected argument " + name;
            return std::nullopt;
        }
        const std::string& value = arguments[++i];
        if (name == "--directory") {
            options.directory = QString::fromLocal8Bit(value.c_str());
        } else if (name == "--group") {
            options.group = value;
        } else if (name == "--jobs") {
            bool ok = false;
            const int jobs = QString::fromStdString(value).toInt(&ok);
            if (!ok || jobs < 1 || jobs > kFleetMaxJobs || value.starts_with('+')) {
                error = "--jobs: '" + value + "' is not a number from 1 to " + std::to_string(kFleetMaxJobs);
                return std::nullopt;
            }
            options.jobs = jobs;
        } else if (name == "--csv") {
            options.csvPath = QString::fromLocal8Bit(value.c_str());
        } else if (name == "--json") {
            options.jsonPath = QString::fromLocal8Bit(value.c_str());
        } else {
            error = "unknown option " + name + " (see qora-cli fleet --help)";
            return std::nullopt;
        }
        if (value.empty()) {
            error = name + " needs a value";
            return std::nullopt;
        }
    }
    return options;
}

bool WriteWhole(const QString& path, const QByteArray& bytes, std::FILE* err)
{
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit())
        return true;
    std::fprintf(err, "qora-cli: cannot write %s: %s\n", qPrintable(path), qPrintable(file.errorString()));
    return false;
}

// Runs the sweep on a thread of its own while this one draws the progress.
std::vector<SFleetUnitReplies> SweepWithProgress(const std::vector<std::string>& connections,
                                                 const std::vector<CDeviceMessage>& requests, int jobs,
                                                 const SCliOutput& output)
{
    std::atomic<std::size_t> done{0};
    SFleetSweepOptions options;
    options.jobs = jobs;
    options.done = &done;
    options.makeLink = [] { return ComponentFactory<IRksLink>::Create(CLSID_RksLink); };
    if (!output.errIsTerminal)
        return SweepFleet(connections, requests, options);

    std::vector<SFleetUnitReplies> results;
    std::atomic<bool> finished{false};
    std::thread sweep([&] {
        results = SweepFleet(connections, requests, options);
        finished = true;
    });
    CTextProgress progress(true);
    const auto draw = [&] {
        const std::size_t total = std::max<std::size_t>(1, connections.size());
        std::fputs(progress.Update(int(done.load() * 100 / total)).c_str(), output.err);
        std::fflush(output.err);
    };
    while (!finished) {
        draw();
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    sweep.join();
    draw();
    std::fputs(progress.Break().c_str(), output.err);
    return results;
}

int FleetStatus(const std::vector<std::string>& arguments, const SCliOutput& output)
{
    std::string error;
    const auto options = ParseOptions(arguments, error);
    if (!options)
        return RefuseUsage(output.err, error);

    // Named before the sweep, which may take minutes, rather than after it.
    for (const QString& path : {options->csvPath, options->jsonPath}) {
        if (path.isEmpty())
            continue;
        if (const auto problem = OutputFileProblem(path)) {
            PrintError(output.err, *problem);
            return kExitFleetUnhealthy;
        }
    }
    std::vector<const RksNode*> units;
    CRksNodeDirectory directory;
    if (const auto status = LoadFleetUnits(options->directory, options->group, directory, units, output.err))
        return *status;

    std::vector<std::string> connections;
    connections.reserve(units.size());
    for (const RksNode* node : units)
        connections.push_back(node->connection);
    CFleetStatusDecoder decoder;
    const auto replies = SweepWithProgress(connections, decoder.Requests(), options->jobs, output);

    std::vector<SFleetRow> rows;
    rows.reserve(units.size());
    for (std::size_t i = 0; i < units.size(); ++i) {
        const std::string address = Protocol::ParseConnection(units[i]->connection).addressText;
        rows.push_back({QString::fromStdString(units[i]->name), QString::fromStdString(units[i]->connection),
                        decoder.Decode(replies[i], QString::fromStdString(address))});
    }

    bool written = true;
    if (!options->csvPath.isEmpty())
        written = WriteWhole(options->csvPath, FleetCsv(rows), output.err) && written;
    if (!options->jsonPath.isEmpty())
        written = WriteWhole(options->jsonPath, FleetJson(rows), output.err) && written;
    // Without files the table goes to standard output, which then holds CSV only.
    const bool tableOnOut = options->csvPath.isEmpty() && options->jsonPath.isEmpty();
    if (tableOnOut)
        std::fputs(FleetCsv(rows).constData(), output.out);
    const QString summary = FleetSummary(rows);
    qCInfo(lcLink, "fleet status: %s", qPrintable(summary));
    std::fprintf(tableOnOut ? output.err : output.out, "%s\n", qPrintable(summary));
    if (!written)
        return kExitFleetUnhealthy;
    return FleetHealthy(rows) ? kExitFleetHealthy : kExitFleetUnhealthy;
}

} // namespace

int RunFleetCommand(const std::vector<std::string>& arguments, const SCliOutput& output)
{
    if (!arguments.empty() && arguments[0] == "download")
        return RunFleetDownload(arguments, output);
    if (arguments.empty() || arguments[0] != "status")
        return RefuseUsage(output.err, arguments.empty() ? "fleet needs a subcommand: status or download"
                                                         : "unknown fleet subcommand " + arguments[0]);
    return FleetStatus(arguments, output);
}
