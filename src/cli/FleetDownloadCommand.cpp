#include "cli/FleetDownloadCommand.h"

#include "app/ManagerSettings.h"
#include "cli/CliArguments.h"
#include "cli/FileArguments.h"
#include "cli/FleetCommand.h"
#include "platform/InterruptWatcher.h"
#include "fleet/FleetRollout.h"
#include "link/ComponentFactory.h"
#include "platform/LogCategories.h"
#include "software/MasterFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QTimer>

#include <algorithm>
#include <iostream>
#include <optional>

namespace {

constexpr int kMaxRestartTimeoutS = 3600;
// Room for the running units on one terminal line.
constexpr qsizetype kProgressWidth = 100;

struct SFleetDownloadOptions {
    QString masterPath;
    QString directory;
    std::optional<std::string> group;
    int jobs = kRolloutDefaultJobs;
    int restartTimeoutS = kRolloutDefaultRestartTimeoutS;
    bool activate = false;
    bool yes = false;
};

bool ReadNumber(const std::string& name, const std::string& value, int max, int& number, std::string& error)
{
    if (!ReadDigits(value, 6, number) || number < 1 || number > max) {
        error = RefusedValue(name, value, "not a number from 1 to " + std::to_string(max));
        return false;
    }
    return true;
}

std::optional<SFleetDownloadOptions> ParseOptions(const std::vector<std::string>& arguments, std::string& error)
{
    SFleetDownloadOptions options;
    bool haveMaster = false;
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        const std::string& name = arguments[i];
        if (name == "--activate") {
            options.activate = true;
            continue;
        }
        if (name == "--yes") {
            options.yes = true;
            continue;
        }
        const bool takesValue =
            name == "--directory" || name == "--group" || name == "--jobs" || name == "--restart-timeout";
        if (!takesValue) {
            if ((name.size() > 1 && name[0] == '-') || haveMaster) {
                error = UnknownArgument("fleet download", name);
                return std::nullopt;
            }
            options.masterPath = QString::fromLocal8Bit(name.c_str());
            haveMaster = true;
            continue;
        }
        if (i + 1 >= arguments.size() || arguments[i + 1].empty()) {
            error = MissingValue(name);
            return std::nullopt;
        }
        const std::string& value = arguments[++i];
        if (name == "--directory") {
            options.directory = QString::fromLocal8Bit(value.c_str());
        } else if (name == "--group") {
            options.group = value;
        } else if (name == "--jobs") {
            if (!ReadNumber(name, value, kRolloutMaxJobs, options.jobs, error))
                return std::nullopt;
        } else if (!ReadNumber(name, value, kMaxRestartTimeoutS, options.restartTimeoutS, error)) {
            return std::nullopt;
        }
    }
    if (!haveMaster || options.masterPath.isEmpty()) {
        error = "fleet download needs the master file (see qora-cli fleet --help)";
        return std::nullopt;
    }
    return options;
}

// The software the master file names, checked before any unit is touched: a
// bad file would otherwise fail the same way on every unit.
std::optional<SRolloutSoftware> ReadSoftware(const QString& masterPath, std::FILE* err)
{
    if (const auto problem = InputFileProblem(masterPath)) {
        PrintError(err, *problem);
        return std::nullopt;
    }
    QFile file(masterPath);
    CMasterFile master;
    if (!file.open(QIODevice::ReadOnly) || master.Read(file) != ESoftwareFileResult::Ok || !master.IsValid()) {
        std::fprintf(err, "qora-cli: %s is not a master file of a software release\n", qPrintable(masterPath));
        return std::nullopt;
    }
    const QString imagePath = QFileInfo(masterPath).dir().filePath(master.GetImageName());
    if (const auto problem = InputFileProblem(imagePath)) {
        PrintError(err, *problem);
        return std::nullopt;
    }
    return SRolloutSoftware{master.GetImageName(), master.GetSoftwareName()};
}

bool Confirmed(const SFleetDownloadOptions& options, const SRolloutSoftware& software, std::size_t units,
               std::FILE* err)
{
    std::fprintf(err, "%s %s (%s) on %zu unit%s%s? [y/N] ", options.activate ? "Install and activate" : "Download",
                 qPrintable(software.softwareName), qPrintable(software.imageName), units, units == 1 ? "" : "s",
                 options.activate ? " (each unit restarts)" : "");
    std::fflush(err);
    std::string answer;
    if (!std::getline(std::cin, answer))
        answer.clear();
    const QString text = QString::fromLocal8Bit(answer.c_str()).trimmed().toLower();
    return text == QStringLiteral("y") || text == QStringLiteral("yes");
}

QString UnitLine(const SRolloutRow& row)
{
    QString line = row.name + QStringLiteral(": ") + RolloutOutcomeText(row.outcome);
    if (!row.reason.isEmpty())
        line += QStringLiteral(" (") + row.reason + u')';
    return line;
}

} // namespace

int RunFleetDownload(const std::vector<std::string>& arguments, const SCliOutput& output)
{
    std::string error;
    const auto options = ParseOptions(arguments, error);
    if (!options)
        return RefuseUsage(output.err, error);
    const auto software = ReadSoftware(options->masterPath, output.err);
    if (!software)
        return kExitRolloutIncomplete;

    CRksNodeDirectory directory;
    std::vector<const RksNode*> units;
    if (const auto status = LoadFleetUnits(options->directory, options->group, directory, units, output.err))
        return *status;
    if (!options->yes && !units.empty() && !Confirmed(*options, *software, units.size(), output.err)) {
        std::fputs("rollout refused; nothing was sent\n", output.err);
        return kExitRolloutRefused;
    }

    std::vector<SRolloutRow> rows;
    rows.reserve(units.size());
    for (const RksNode* node : units)
        rows.push_back({QString::fromStdString(node->name), QString::fromStdString(node->connection), {}, {}});

    SRolloutOptions rolloutOptions;
    rolloutOptions.masterPath = QFileInfo(options->masterPath).absoluteFilePath();
    rolloutOptions.software = *software;
    rolloutOptions.jobs = options->jobs;
    rolloutOptions.activate = options->activate;
    rolloutOptions.restartTimeoutMs = options->restartTimeoutS * 1000;
    {
        CManagerSettings settings;
        settings.LoadSettings();
        rolloutOptions.restartedAfterMs =
            static_cast<int>(std::min<std::uint32_t>(settings.retryConnTime, kMaxRestartTimeoutS) * 1000);
    }
    rolloutOptions.program = QCoreApplication::applicationFilePath();
    rolloutOptions.makeLink = [] { return ComponentFactory<IRksLink>::Create(CLSID_RksLink); };
    CFleetRollout rollout(std::move(rows), rolloutOptions);
    qCInfo(lcFirmware, "rollout of %s to %zu units, %d at once", qPrintable(software->imageName), units.size(),
           options->jobs);

    // On a terminal one line rewritten in place; otherwise a line per unit done.
    bool lineOpen = false;
    const auto endLine = [&] {
        if (lineOpen)
            std::fputs("\r\033[K", output.err);
        lineOpen = false;
    };
    const auto draw = [&] {
        QString line = QStringLiteral("[%1/%2]").arg(rollout.FinishedUnits()).arg(rollout.Rows().size());
        if (const QStringList running = rollout.RunningUnits(); !running.isEmpty())
            line += QStringLiteral(" ") + running.join(QStringLiteral(", "));
        if (line.size() > kProgressWidth)
            line = line.left(kProgressWidth - 3) + QStringLiteral("...");
        std::fprintf(output.err, "\r\033[K%s", qPrintable(line));
        std::fflush(output.err);
        lineOpen = true;
    };
    QObject::connect(&rollout, &CFleetRollout::UnitFinished, [&](std::size_t index) {
        endLine();
        std::fprintf(output.err, "%s\n", qPrintable(UnitLine(rollout.Rows()[index])));
        std::fflush(output.err);
    });
    QTimer redraw;
    if (output.errIsTerminal) {
        QObject::connect(&redraw, &QTimer::timeout, draw);
        redraw.start(250);
    }

    CInterruptWatcher interrupts;
    QObject::connect(&interrupts, &CInterruptWatcher::Interrupted, [&] {
        endLine();
        if (rollout.Cancelled()) {
            std::fputs("interrupted again: stopping every unit's process at once\n", output.err);
            rollout.Kill();
            return;
        }
        std::fputs("interrupted: ending the running downloads, starting no other unit (again: stop at once)\n",
                   output.err);
        rollout.Cancel();
    });

    QEventLoop loop;
    QObject::connect(&rollout, &CFleetRollout::Finished, &loop, &QEventLoop::quit);
    rollout.Start();
    loop.exec();
    redraw.stop();
    endLine();

    std::fputs(RolloutCsv(rollout.Rows()).constData(), output.out);
    std::fflush(output.out);
    const QString summary = RolloutSummary(rollout.Rows());
    qCInfo(lcFirmware, "rollout: %s", qPrintable(summary));
    std::fprintf(output.err, "%s\n", qPrintable(summary));
    return RolloutSucceeded(rollout.Rows()) ? kExitRolloutDone : kExitRolloutIncomplete;
}
