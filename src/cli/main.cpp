// qora-cli: quick checks of a QORA unit from a terminal or a script, through the
// same link as the desktop tool.

#include "app/LocalConnection.h"
#include "app/ManagerSettings.h"
#include "cli/ActivateCommand.h"
#include "cli/CliSession.h"
#include "cli/CommissionCommand.h"
#include "cli/DownloadCommand.h"
#include "cli/ConstLogCommand.h"
#include "cli/GpsCommand.h"
#include "cli/StatusCommand.h"
#include "cli/SystemCommand.h"
#include "cli/UserCommand.h"
#include "cli/TimingCommand.h"
#include "cli/VersionCommand.h"
#include "cli/HexText.h"
#include "cli/SettingsCommand.h"
#include "platform/MainWindow.h"
#include "rks/RksComponents.h"

#include <QCoreApplication>
#include <QTimer>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {
void PrintUsage(std::FILE* to)
{
    std::fprintf(to,
                 "usage: qora-cli [--connection STRING] COMMAND [ARGS]\n"
                 "\n"
                 "commands:\n"
                 "  identify        connect, probe the unit and print its identity\n"
                 "                  (exit 0: a QORA unit, 1: another unit, 2: no connection)\n"
                 "  raw HEX...      send each request (class, address, opcode, body in hex)\n"
                 "                  and print each reply in hex, or \"failed HEADER\"\n"
                 "                  (exit 0: all answered, 1: some failed, 2: no connection)\n"
                 "  settings        print the settings in effect, each with its stored name,\n"
                 "                  and where they are stored (no connection is made)\n"
                 "  version         print the unit's versions and serial number\n"
                 "  gps             print the unit's GPS position, altitude, mode, date and time\n"
                 "  system          print the system parameters\n"
                 "  user            print the user information\n"
                 "  user set NAME DATE COMMENTS ACTIONS\n"
                 "                  write the user information (DATE dd/MM/yyyy, yyyy-MM-dd or -;\n"
                 "                  at most 31, 99 and 99 characters)\n"
                 "  status [--json] one snapshot of the GPS status, installation status and\n"
                 "                  constellation statistics (the unit is put in commission mode)\n"
                 "  watch [--json]  the same every 5 s until stopped\n"
                 "  timing          print the clock delays and the clock-out timing\n"
                 "  timing set CLOCKS_OUT DISABLE\n"
                 "                  set the clock-out timing (seconds: 11-3540 from fix lost to\n"
                 "                  clocks out alarm, 0-60 from clocks out alarm to disable)\n"
                 "  constellation-log FILE\n"
                 "                  read the seven-day constellation statistics and save the log\n"
                 "                  (the unit is put in commission mode for it)\n"
                 "  download MASTERFILE [--chunk N] [--yes|--no]\n"
                 "                  load the firmware the master file names (the image lies\n"
                 "                  beside it) in commission mode; progress on standard error;\n"
                 "                  --chunk: checksum chunk, even, 128-256 (default: settings);\n"
                 "                  a version already held or older is downloaded only with\n"
                 "                  --yes (exit 3 when declined)\n"
                 "  activate [--dry-run]\n"
                 "                  print both firmware banks and activate the inactive one\n"
                 "                  (refused when it is empty or the same build); the unit\n"
                 "                  restarts; --dry-run only prints\n"
                 "  commission WORKORDER [--unit N] [--report FILE] [--user NAME]\n"
                 "             [--date yyyy-MM-dd] [--comments TEXT] [--actions TEXT] [--no-reset]\n"
                 "                  commission the unit with the work order's values as the\n"
                 "                  wizard would: the pages' checks first (the first refusal\n"
                 "                  ends the command, nothing sent), then the guarded write in\n"
                 "                  commission mode and the reset (not with --no-reset).\n"
                 "                  --unit: which unit of the file, from 1 (default: the first;\n"
                 "                  the units are listed). --report: save the work order with\n"
                 "                  the results; the status is read once before the write and\n"
                 "                  what does not answer is left unknown. Name at most 31,\n"
                 "                  comments and actions at most 99 characters; the date is\n"
                 "                  today unless given. Without --connection, success moves the\n"
                 "                  settings' local connection to the unit's new IP and Q1 address\n"
                 "\n"
                 "Exit status: 0 done, 1 failed or refused, 2 no connection, 3 declined,\n"
                 "64 bad arguments.\n"
                 "\n"
                 "The connection defaults to the local connection of the settings. The link\n"
                 "goes through the gateway in QORA_RKS_GATEWAY (host:port) when it is set.\n");
}

int Usage(const char* reason)
{
    std::fprintf(stderr, "qora-cli: %s\n", reason);
    return kExitUsage;
}
} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    RegisterRksComponents();

    int at = 1;
    std::string connection;
    bool haveConnection = false;
    while (at < argc && std::strncmp(argv[at], "--", 2) == 0) {
        if (std::strcmp(argv[at], "--help") == 0) {
            PrintUsage(stdout);
            return kExitOk;
        }
        if (std::strcmp(argv[at], "--connection") == 0 && at + 1 < argc) {
            connection = argv[at + 1];
            haveConnection = true;
            at += 2;
            continue;
        }
        return Usage((std::string("unknown or incomplete option ") + argv[at]).c_str());
    }
    if (at >= argc)
        return Usage("no command given (try --help)");
    if (std::strcmp(argv[at], "settings") == 0) {
        if (at + 1 != argc)
            return Usage("settings takes no arguments");
        std::fputs(qPrintable(SettingsReport()), stdout);
        return kExitOk;
    }
    if (!haveConnection) {
        CManagerSettings settings;
        settings.LoadSettings();
        connection = BuildLocalConnectionString(settings).toStdString();
    }

    const std::string command = argv[at++];
    // Commands that read a data group run sessions of their own.
    if (command == "version" || command == "gps") {
        if (at != argc)
            return Usage((command + " takes no arguments").c_str());
        return command == "gps" ? RunGpsCommand(connection) : RunVersionCommand(connection);
    }
    if (command == "system") {
        if (at != argc)
            return Usage("system takes no arguments");
        return RunSystemCommand(connection);
    }
    if (command == "user")
        return RunUserCommand(connection, std::vector<std::string>(argv + at, argv + argc));
    if (command == "status" || command == "watch")
        return RunStatusCommand(connection, std::vector<std::string>(argv + at, argv + argc), command == "watch");
    if (command == "timing")
        return RunTimingCommand(connection, std::vector<std::string>(argv + at, argv + argc));
    if (command == "constellation-log") {
        if (at + 1 != argc)
            return Usage("constellation-log takes the file to write");
        return RunConstLogCommand(connection, QString::fromLocal8Bit(argv[at]));
    }
    if (command == "download")
        return RunDownloadCommand(connection, std::vector<std::string>(argv + at, argv + argc));
    if (command == "activate")
        return RunActivateCommand(connection, std::vector<std::string>(argv + at, argv + argc));
    if (command == "commission")
        return RunCommissionCommand(connection, !haveConnection, std::vector<std::string>(argv + at, argv + argc));
    CCliSession session(connection);
    SetMainWindowTarget(&session);
    if (command == "identify") {
        if (at != argc)
            return Usage("identify takes no arguments");
        QTimer::singleShot(0, &session, [&session] { session.StartIdentify(); });
    } else if (command == "raw") {
        CCliSession::Requests requests;
        for (; at < argc; ++at) {
            auto bytes = ParseHex(argv[at]);
            if (!bytes)
                return Usage((std::string("not a hex request: ") + argv[at]).c_str());
            requests.push_back(std::move(*bytes));
        }
        if (requests.empty())
            return Usage("raw needs at least one request");
        QTimer::singleShot(0, &session, [&session, requests] { session.StartRaw(requests); });
    } else {
        return Usage(("unknown command " + command).c_str());
    }
    return app.exec();
}
