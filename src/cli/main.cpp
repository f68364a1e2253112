// qora-cli: quick checks of a QORA unit from a terminal or a script, through the
// same link as the desktop tool.

#include "app/LocalConnection.h"
#include "app/ManagerSettings.h"
#include "cli/ActivateCommand.h"
#include "cli/CliArguments.h"
#include "cli/CheckCommand.h"
#include "cli/FleetCommand.h"
#include "cli/CliSession.h"
#include "cli/CommandUsage.h"
#include "cli/CommissionCommand.h"
#include "cli/ConstLogCommand.h"
#include "cli/DownloadCommand.h"
#include "cli/FileArguments.h"
#include "cli/GpsCommand.h"
#include "cli/HexText.h"
#include "cli/SettingsCommand.h"
#include "cli/RecordCommand.h"
#include "cli/StatusCommand.h"
#include "cli/SystemCommand.h"
#include "cli/TimingCommand.h"
#include "cli/UserCommand.h"
#include "cli/VersionCommand.h"
#include "link/LinkTap.h"
#include "platform/LogFile.h"
#include "platform/MainWindow.h"
#include "rks/RksComponents.h"
#include "traffic/RecordingWriter.h"
#include "traffic/TrafficRecorder.h"
#include "version/ProgramVersion.h"

#include <QCoreApplication>
#include <QTimer>

#include <algorithm>
#include <memory>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using Arguments = std::vector<std::string>;

int NoArguments(const std::string& command, const Arguments& arguments)
{
    return RefuseUsage(stderr, UnknownArgument(command, arguments.front()));
}

// identify and raw run on the plain session.
int RunSessionCommand(const std::string& command, const std::string& connection, const Arguments& arguments)
{
    CCliSession session(connection);
    SetMainWindowTarget(&session);
    if (command == "identify") {
        if (!arguments.empty())
            return NoArguments(command, arguments);
        QTimer::singleShot(0, &session, [&session] { session.StartIdentify(); });
    } else {
        CCliSession::Requests requests;
        for (const std::string& argument : arguments) {
            auto bytes = ParseHex(argument);
            if (!bytes)
                return RefuseUsage(stderr, RefusedValue("HEX", argument, "not a request in hex"));
            requests.push_back(std::move(*bytes));
        }
        if (requests.empty())
            return RefuseUsage(stderr, "raw needs at least one request (see qora-cli raw --help)");
        QTimer::singleShot(0, &session, [&session, requests] { session.StartRaw(requests); });
    }
    return QCoreApplication::exec();
}

int RunCommand(const std::string& command, const std::string& connection, bool connectionFromSettings,
               const Arguments& arguments)
{
    if (command == "version" || command == "gps" || command == "system") {
        if (!arguments.empty())
            return NoArguments(command, arguments);
        if (command == "gps")
            return RunGpsCommand(connection);
        return command == "version" ? RunVersionCommand(connection) : RunSystemCommand(connection);
    }
    if (command == "user")
        return RunUserCommand(connection, arguments);
    if (command == "status" || command == "watch")
        return RunStatusCommand(connection, arguments, command == "watch");
    if (command == "timing")
        return RunTimingCommand(connection, arguments);
    if (command == "record")
        return RunRecordCommand(connection, arguments);
    if (command == "constellation-log") {
        if (arguments.empty())
            return RefuseUsage(stderr, "constellation-log needs the file to write (see qora-cli "
                                       "constellation-log --help)");
        if (arguments.size() > 1)
            return NoArguments(command, {arguments[1]});
        const QString path = QString::fromLocal8Bit(arguments[0].c_str());
        if (const auto problem = OutputFileProblem(path)) {
            PrintError(stderr, *problem);
            return kExitRequestFailed;
        }
        return RunConstLogCommand(connection, path);
    }
    if (command == "download")
        return RunDownloadCommand(connection, arguments);
    if (command == "activate")
        return RunActivateCommand(connection, arguments);
    if (command == "commission")
        return RunCommissionCommand(connection, connectionFromSettings, arguments);
    return RunSessionCommand(command, connection, arguments);
}

// Reads the options before the command from `at` on and leaves `at` at the
// command. The exit status when the program ends here (help, or an option
// refused).
std::optional<int> ReadLeadingOptions(const Arguments& all, std::size_t& at, SGlobalOptions& options)
{
    while (at < all.size() && !all[at].empty() && all[at][0] == '-') {
        const std::string option = all[at];
        if (IsHelpArgument(option)) {
            PrintUsage(stdout);
            return kExitOk;
        }
        if (option == "--version") {
            std::fputs(VersionText("qora-cli").c_str(), stdout);
            return kExitOk;
        }
        std::string error;
        if (!ReadGlobalOption(all, at, options, error))
            return RefuseUsage(stderr, "unknown option " + option + " (see qora-cli --help)");
        if (!error.empty())
            return RefuseUsage(stderr, error);
    }
    return std::nullopt;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    RegisterRksComponents();

    const Arguments all(argv, argv + argc);
    std::size_t at = 1;
    SGlobalOptions global;
    if (const auto ended = ReadLeadingOptions(all, at, global))
        return *ended;
    if (at >= all.size())
        return RefuseUsage(stderr, "no command given (see qora-cli --help)");

    const std::string command = all[at++];
    Arguments arguments(all.begin() + static_cast<std::ptrdiff_t>(at), all.end());
    std::string optionError;
    TakeGlobalOptions(command, arguments, global, optionError);
    if (!optionError.empty())
        return RefuseUsage(stderr, optionError);
    if (std::any_of(arguments.begin(), arguments.end(), IsHelpArgument)) {
        if (!PrintCommandUsage(command, stdout))
            return RefuseUsage(stderr, "unknown command " + command + " (see qora-cli --help)");
        return kExitOk;
    }
    if (!IsCommand(command))
        return RefuseUsage(stderr, "unknown command " + command + " (see qora-cli --help)");
    if (global.logPath) {
        if (const auto problem = StartLogFile(QString::fromLocal8Bit(global.logPath->c_str())))
            return RefuseUsage(stderr, problem->toStdString());
    }

    // Every exchange with the unit goes to the recording; what is still on its
    // way is written when the command ends.
    CRecordingWriter recording;
    if (global.tracePath) {
        QString error;
        if (!recording.Open(QString::fromLocal8Bit(global.tracePath->c_str()), error))
            return RefuseUsage(stderr, error.toStdString());
        SetLinkObserver(std::make_shared<CTrafficRecorder>(nullptr, &recording));
    }
    struct ObserverReset {
        ~ObserverReset() { SetLinkObserver(nullptr); }
    } observerReset;

    if (command == "settings") {
        if (!arguments.empty())
            return NoArguments(command, arguments);
        std::fputs(qPrintable(SettingsReport()), stdout);
        return kExitOk;
    }
    if (command == "check")
        return RunCheckCommand(arguments, SCliOutput::Standard());
    if (command == "fleet")
        return RunFleetCommand(arguments, SCliOutput::Standard());
    const bool fromSettings = !global.connection;
    if (fromSettings) {
        CManagerSettings settings;
        settings.LoadSettings();
        global.connection = BuildLocalConnectionString(settings).toStdString();
    }
    return RunCommand(command, *global.connection, fromSettings, arguments);
}
