#include "cli/RecordCommand.h"

#include "app/LocalConnection.h"
#include "cli/CliArguments.h"
#include "cli/CliOutput.h"
#include "cli/CliSession.h"
#include "cli/CliStatusPoller.h"
#include "cli/FileArguments.h"
#include "cli/GroupCommandSession.h"
#include "platform/InterruptWatcher.h"
#include "status/history/StatusHistory.h"
#include "status/history/StatusHistoryFeed.h"
#include "status/history/StatusRecorder.h"

#include <QDateTime>
#include <QTimer>

#include <cstdio>

namespace {

constexpr long long kMinIntervalMs = 100;
constexpr long long kMaxIntervalMs = 3600 * 1000LL;
constexpr long long kMaxDurationMs = 2000000LL * 1000; // within a timer's reach
constexpr long long kMaxCount = 1000000000LL;
// The unit is given this long, at least, to answer before the command gives up.
constexpr int kQuietLimitMs = 30000;

} // namespace

bool ReadSecondsMs(const std::string& text, long long minMs, long long maxMs, long long& ms)
{
    const std::size_t dot = text.find('.');
    const std::string whole = text.substr(0, dot);
    const std::string fraction = dot == std::string::npos ? std::string() : text.substr(dot + 1);
    if ((whole.empty() && fraction.empty()) || whole.size() > 9 || fraction.size() > 3 ||
        (dot != std::string::npos && fraction.empty()))
        return false;
    long long value = 0;
    for (const char c : whole) {
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + (c - '0');
    }
    long long thousandths = 0;
    for (std::size_t i = 0; i < 3; ++i) {
        const char c = i < fraction.size() ? fraction[i] : '0';
        if (c < '0' || c > '9')
            return false;
        thousandths = thousandths * 10 + (c - '0');
    }
    ms = value * 1000 + thousandths;
    return ms >= minMs && ms <= maxMs;
}

std::optional<SRecordOptions> ParseRecordArguments(const std::vector<std::string>& arguments, std::string& error)
{
    SRecordOptions options;
    bool havePath = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument.empty() || argument[0] != '-') {
            if (havePath) {
                error = UnknownArgument("record", argument);
                return std::nullopt;
            }
            options.path = argument;
            havePath = true;
            continue;
        }
        if (argument != "--interval" && argument != "--count" && argument != "--duration" && argument != "--format") {
            error = UnknownArgument("record", argument);
            return std::nullopt;
        }
        if (i + 1 >= arguments.size()) {
            error = MissingValue(argument);
            return std::nullopt;
        }
        const std::string& value = arguments[++i];
        long long number = 0;
        if (argument == "--interval") {
            if (!ReadSecondsMs(value, kMinIntervalMs, kMaxIntervalMs, number)) {
                error = RefusedValue(argument, value, "not a number of seconds from 0.1 to 3600");
                return std::nullopt;
            }
            options.intervalMs = int(number);
        } else if (argument == "--duration") {
            if (options.durationMs || options.count) {
                error = options.count ? "--count and --duration exclude each other" : "--duration given twice";
                return std::nullopt;
            }
            if (!ReadSecondsMs(value, 1, kMaxDurationMs, number)) {
                error = RefusedValue(argument, value, "not a number of seconds from 0.001 to 2000000");
                return std::nullopt;
            }
            options.durationMs = number;
        } else if (argument == "--count") {
            if (options.durationMs || options.count) {
                error = options.durationMs ? "--count and --duration exclude each other" : "--count given twice";
                return std::nullopt;
            }
            int digits = 0;
            if (!ReadDigits(value, 9, digits) || digits < 1 || digits > kMaxCount) {
                error = RefusedValue(argument, value, "not a number of rows from 1 to 999999999");
                return std::nullopt;
            }
            options.count = digits;
        } else {
            options.format = StatusRecordFormatNamed(QString::fromStdString(value));
            if (!options.format) {
                error = RefusedValue(argument, value, "not csv or jsonl");
                return std::nullopt;
            }
        }
    }
    if (!havePath) {
        error = "record needs the file to write (see qora-cli record --help)";
        return std::nullopt;
    }
    return options;
}

int RunRecordCommand(const std::string& connection, const std::vector<std::string>& arguments)
{
    std::string error;
    const auto options = ParseRecordArguments(arguments, error);
    if (!options)
        return RefuseUsage(stderr, error);
    const QString path = QString::fromLocal8Bit(options->path.c_str());
    if (const auto problem = OutputFileProblem(path)) {
        PrintError(stderr, *problem);
        return kExitRequestFailed;
    }
    const StatusRecordFormat format = options->format.value_or(StatusRecordFormatOfPath(path));

    CGroupCommandSession session(connection);
    session.SetQuietLimit(std::max<int>(kQuietLimitMs, 3 * options->intervalMs));
    CCliStatusPoller poller;
    const QString address = UnitAddressText(QString::fromStdString(connection));
    // Only the latest answers of each kind are needed for a row.
    CStatusHistory history(4);
    // Every answer decoded whole becomes a sample of the time it arrived; a
    // request that fails marks a gap.
    QObject::connect(&poller, &CCliStatusPoller::Answered, [&](CCliStatusPoller::Kind kind) {
        const SCliStatus& status = poller.Status();
        const std::int64_t now = QDateTime::currentMSecsSinceEpoch();
        switch (kind) {
        case CCliStatusPoller::Kind::Gps:
            history.AddGps(CStatusHistoryFeed::GpsSample(status.gps, status.channelStatesReceived, now));
            break;
        case CCliStatusPoller::Kind::Installation:
            history.AddInstallation(CStatusHistoryFeed::InstallationSample(status.installation, address, now));
            break;
        case CCliStatusPoller::Kind::Constellation:
            history.AddConstellation(
                CStatusHistoryFeed::ConstellationSample(status.constellation, status.constellationValid, now));
            break;
        }
        session.KeepAlive();
    });
    QObject::connect(&poller, &CCliStatusPoller::RequestFailed, [&] { history.MarkGap(); });
    CStatusRecorder recorder;
    // SIGINT and SIGTERM end the recording between rows.
    CInterruptWatcher interrupts;
    bool stopped = false;

    QTimer poll;
    QObject::connect(&recorder, &CStatusRecorder::RowWritten, [&](std::int64_t rows) {
        if (!options->count || rows < *options->count)
            return;
        // Answers still on their way must not add a row beyond the count.
        recorder.Close();
        poll.stop();
        session.Finish(kExitOk);
    });
    QObject::connect(&recorder, &CStatusRecorder::Failed, [&](const QString& reason) {
        PrintError(stderr, QStringLiteral("cannot write %1: %2; the rows before are kept").arg(path, reason));
        session.Finish(kExitRequestFailed);
    });
    // The installation and constellation requests go first: the GPS answer
    // that writes the row then comes with theirs of the same round.
    const auto requestRound = [&] {
        poller.Request({CCliStatusPoller::Kind::Installation, CCliStatusPoller::Kind::Constellation,
                        CCliStatusPoller::Kind::Gps});
    };
    QObject::connect(&poll, &QTimer::timeout, requestRound);
    QObject::connect(&interrupts, &CInterruptWatcher::Interrupted, [&] {
        stopped = true;
        session.Finish(kExitOk);
    });
    QTimer duration;
    duration.setSingleShot(true);
    QObject::connect(&duration, &QTimer::timeout, [&] { session.Finish(kExitOk); });

    const int status = session.Run(true, [&] {
        QString openError;
        if (!recorder.Open(path, format, openError)) {
            std::fprintf(stderr, "cannot write %s: %s\n", qPrintable(path), qPrintable(openError));
            session.Finish(kExitRequestFailed);
            return;
        }
        recorder.Follow(history);
        poller.Start(false); // listens; only the command's rounds ask
        if (options->durationMs)
            duration.start(int(*options->durationMs));
        poll.start(options->intervalMs);
        requestRound();
    });
    poller.Stop();
    recorder.Close();
    if (stopped)
        std::fprintf(stderr, "stopped; %lld rows written to %s\n", static_cast<long long>(recorder.Rows()),
                     qPrintable(path));
    return status;
}
