#include "cli/CommandUsage.h"

#include <cstring>

namespace {

struct SCommandHelp {
    const char* name;
    const char* synopsis; // after "qora-cli [--connection STRING] " (only "qora-cli " when it connects to no unit)
    const char* summary;  // the overview's lines, indented
    const char* details;  // the command's own page: options and exit statuses
};

// clang-format off
constexpr SCommandHelp kCommands[] = {
    {"identify", "identify",
     "connect, probe the unit and print its identity\n"
     "(exit 0: a QORA unit, 1: another unit, 2: no connection)",
     "Connects, probes the unit and prints \"identity: ID\".\n"
     "\n"
     "Exit status: 0 a QORA unit, 1 another unit, 2 no connection.\n"},
    {"raw", "raw HEX...",
     "send each request (class, address, opcode, body in hex)\n"
     "and print each reply in hex, or \"failed HEADER\"\n"
     "(exit 0: all answered, 1: some failed, 2: no connection)",
     "Sends each request in turn (class, address, opcode and body as hex digits,\n"
     "optionally separated by ':', '-', '.' or '_') and prints each reply in hex,\n"
     "or \"failed HEADER\" when the request failed. A unit reset (86 0D 36 00 00)\n"
     "that is not answered prints \"reset requested; the unit did not answer (it\n"
     "may already be restarting)\" and does not count as failed.\n"
     "\n"
     "Exit status: 0 all answered, 1 some failed, 2 no connection, 64 bad arguments.\n"},
    {"settings", "settings",
     "print the settings in effect, each with its stored name,\n"
     "and where they are stored (no connection is made)",
     "Prints the settings in effect, each with the name it is stored under\n"
     "(\"(default)\" when it is not stored), the local connection string, and\n"
     "where the settings are stored. No connection is made.\n"},
    {"version", "version",
     "print the unit's versions and serial number",
     "Prints the unit's versions and serial number as Version Information shows\n"
     "them.\n"
     "\n"
     "Exit status: 0 read, 1 the unit could not be read, 2 no connection.\n"},
    {"gps", "gps",
     "print the unit's GPS position, altitude, mode, date and time",
     "Prints the unit's GPS parameters as the GPS Parameters dialog shows them.\n"
     "\n"
     "Exit status: 0 read, 1 the unit could not be read, 2 no connection.\n"},
    {"system", "system",
     "print the system parameters",
     "Prints the system parameters as the System Parameters dialog shows them.\n"
     "\n"
     "Exit status: 0 read, 1 the unit could not be read, 2 no connection.\n"},
    {"user", "user [set NAME DATE COMMENTS ACTIONS]",
     "print the user information, or write it (DATE dd/MM/yyyy,\n"
     "yyyy-MM-dd or -; at most 31, 99 and 99 bytes)",
     "Without arguments prints the unit's user information. With \"set\" writes\n"
     "all four values and prints what the unit then holds.\n"
     "  NAME      at most 31 bytes\n"
     "  DATE      dd/MM/yyyy, yyyy-MM-dd, or - for no date\n"
     "  COMMENTS  at most 99 bytes (a line break counts two)\n"
     "  ACTIONS   at most 99 bytes (a line break counts two)\n"
     "\n"
     "Exit status: 0 done, 1 the unit could not be read or refused, 2 no\n"
     "connection, 64 bad arguments.\n"},
    {"status", "status [--json]",
     "one snapshot of the GPS status, installation status and\n"
     "constellation statistics (the unit is put in commission\n"
     "mode)",
     "Puts the unit in commission mode and prints one snapshot of the three\n"
     "status windows: GPS status, installation status, constellation statistics.\n"
     "  --json    one JSON object for programs (its keys are described in\n"
     "            /usr/share/doc/qora-manager/status-json.md): numbers in\n"
     "            degrees, metres, dBHz and seconds, null where the windows show\n"
     "            dashes or \"?\", the windows' texts beside them, \"time\" (UTC)\n"
     "            and the unit's \"serial\"\n"
     "\n"
     "Exit status: 0 done, 1 the unit did not answer, 2 no connection, 64 bad\n"
     "arguments.\n"},
    {"watch", "watch [--json] [--interval SECONDS]",
     "the same every 5 s (or every SECONDS) until stopped;\n"
     "with --json one object per line",
     "Like status, again and again until stopped.\n"
     "  --json              one JSON object per line (see status --help)\n"
     "  --interval SECONDS  time between snapshots, 1 to 3600 (default 5)\n"
     "\n"
     "Exit status: 1 the unit stopped answering, 2 no connection, 64 bad\n"
     "arguments.\n"},
    {"record", "record FILE [--interval S] [--count N | --duration S]\n"
               "       [--format csv|jsonl]",
     "record the status answers to FILE, one row per GPS status\n"
     "answer (the unit is put in commission mode)",
     "Puts the unit in commission mode, asks for the GPS status, installation\n"
     "status and constellation statistics every S seconds and writes one row per\n"
     "GPS status answer to FILE (created or emptied), with the installation and\n"
     "constellation answers of the same round. Columns and empty values are\n"
     "described in /usr/share/doc/qora-manager/status-recording.md. Every row is\n"
     "written whole; Ctrl+C (SIGINT) or SIGTERM ends the recording after the last\n"
     "whole row.\n"
     "  --interval S     seconds between requests, 0.1 to 3600 (default 5)\n"
     "  --count N        stop after N rows\n"
     "  --duration S     stop after S seconds\n"
     "  --format F       csv or jsonl (default: jsonl for a FILE ending in\n"
     "                   .jsonl, csv otherwise)\n"
     "\n"
     "Exit status: 0 done or stopped, 1 the unit stopped answering or FILE could\n"
     "not be written (the rows before stay), 2 no connection, 64 bad arguments.\n"},
    {"timing", "timing [set CLOCKS_OUT DISABLE]",
     "print the clock delays and the clock-out timing, or set\n"
     "the clock-out timing (seconds: 11-3540 from fix lost to\n"
     "clocks out alarm, 0-60 from clocks out alarm to disable)",
     "Without arguments prints the clock delays and the clock-out timing. With\n"
     "\"set\" writes the clock-out timing and prints what the unit then holds.\n"
     "  CLOCKS_OUT  seconds from fix lost to the clocks out alarm, 11 to 3540,\n"
     "              not less than the unit's time from fix lost to its alarm\n"
     "  DISABLE     seconds from the clocks out alarm to clock disable, 0 to 60\n"
     "\n"
     "Exit status: 0 done, 1 the unit could not be read or written, 2 no\n"
     "connection, 64 bad arguments.\n"},
    {"constellation-log", "constellation-log FILE",
     "read the seven-day constellation statistics and save the log\n"
     "(the unit is put in commission mode for it)",
     "Puts the unit in commission mode, reads its position and seven days of\n"
     "constellation statistics and writes FILE as the desktop tool saves the log.\n"
     "\n"
     "Exit status: 0 written, 1 no statistics, no answer or FILE not written,\n"
     "2 no connection, 64 bad arguments.\n"},
    {"download", "download MASTERFILE [--chunk N] [--yes|--no]",
     "load the firmware the master file names into the inactive\n"
     "bank, with progress",
     "Puts the unit in commission mode and loads the firmware the master file\n"
     "names (the image lies beside it) into the inactive bank; progress on\n"
     "standard error.\n"
     "  --chunk N   checksum chunk, an even number from 128 to 256 (default: the\n"
     "              settings')\n"
     "  --yes       download a version the unit already holds, or an older one\n"
     "  --no        decline that (the default; exit 3)\n"
     "  --json-progress  progress as JSON lines on standard output instead\n"
     "              ({\"event\":\"progress\",\"percent\":40}, {\"event\":\"verifying\"}),\n"
     "              as the fleet rollout reads it\n"
     "\n"
     "Ctrl+C (or SIGTERM) ends a download under way with the end command.\n"
     "\n"
     "Exit status: 0 downloaded, 1 failed, 2 no connection, 3 declined or\n"
     "interrupted, 64 bad arguments.\n"},
    {"activate", "activate [--dry-run]",
     "print both firmware banks and activate the inactive one;\n"
     "the unit restarts",
     "Puts the unit in commission mode, prints both firmware banks and makes the\n"
     "inactive one run (refused when it is empty or the same build); the unit\n"
     "restarts. When the unit goes down without answering the activation, that\n"
     "is reported as \"reset requested; the unit did not answer (it may already\n"
     "be restarting)\" and is no failure; a refusal by the unit is one.\n"
     "  --dry-run   only print the banks\n"
     "\n"
     "Exit status: 0 activated (or read), 1 refused or failed, 2 no connection,\n"
     "64 bad arguments.\n"},
    {"commission",
     "commission WORKORDER [--unit N] [--report FILE]\n"
     "           [--user NAME] [--date yyyy-MM-dd] [--comments TEXT]\n"
     "           [--actions TEXT] [--no-reset] [--remote]\n"
     "           [--advanced|--basic] [--accept-replaced]\n"
     "           [--verify [--verify-timeout S] [--verify-report FILE]]",
     "commission the unit from a work order with the wizard's\n"
     "checks, the guarded write and the reset",
     "Commissions the unit with the work order's values as the Commissioning\n"
     "Wizard does when every page is passed unchanged: the unit is checked first\n"
     "as \"qora-cli check\" checks it (what the check fails ends the command on\n"
     "the check's lines, nothing is sent), then the guarded write in commission\n"
     "mode and the reset. A reset the unit does not answer is\n"
     "reported as \"reset requested; the unit did not answer (it may already be\n"
     "restarting)\" and is no failure. Without --connection (and without\n"
     "--remote), success moves the settings' local connection to the unit's new\n"
     "IP and Q1 address.\n"
     "  --unit N          which unit of the file, from 1 (default: the first; the\n"
     "                    units are listed)\n"
     "  --report FILE     save the work order with the results (also after a\n"
     "                    failed write); the status is read once before the write\n"
     "                    and what does not answer is left unknown\n"
     "  --user NAME       the installer, at most 31 bytes\n"
     "  --date yyyy-MM-dd the commissioning date (default: today)\n"
     "  --comments TEXT   at most 99 bytes (a line break counts two)\n"
     "  --actions TEXT    at most 99 bytes (a line break counts two)\n"
     "  --no-reset        do not reset the unit afterwards\n"
     "  --remote          the connection is a remote one (through the operator's\n"
     "                    network): no Q1 page, so the unit keeps its IP address,\n"
     "                    gateway, mask, Q1 address and speed; the settings are\n"
     "                    not changed\n"
     "  --advanced        write the work order's position, as the wizard's GPS\n"
     "                    page does with advanced features\n"
     "  --basic           do not write it (the position stays 0), as without them;\n"
     "                    the default is the settings' Advanced Mode\n"
     "  --accept-replaced go on when the wizard would replace a work order value\n"
     "                    that is out of its bounds (refused otherwise); every\n"
     "                    other problem of the check is refused all the same\n"
     "  --verify          after the reset, look for the unit every 2 s where it\n"
     "                    must now be (its new IP and Q1 address; on --remote the\n"
     "                    same node), read back its position and GPS mode, delays,\n"
     "                    bus options and user texts, and print them beside the\n"
     "                    values written (subnet mask, gateway and Q1 speed cannot\n"
     "                    be read back)\n"
     "  --verify-timeout S  how long to wait for the unit (default 180 s)\n"
     "  --verify-report FILE  write the table as JSON (implies --verify); the file\n"
     "                    is written whole or not at all\n"
     "\n"
     "Exit status: 0 commissioned (and, with --verify, every value read back as\n"
     "written), 1 the work order could not be used, a page or the unit refused,\n"
     "the report was not saved, or the unit read back other values, 2 no\n"
     "connection, or with --verify the unit did not answer at its new place in\n"
     "time, 64 bad arguments.\n"},
    {"fleet", "fleet status [--directory FILE] [--group NAME] [--jobs N]\n"
              "             [--csv FILE] [--json FILE]\n"
              "       fleet download MASTERFILE [--directory FILE]\n"
              "             [--group NAME] [--activate] [--jobs N]\n"
              "             [--restart-timeout S] [--yes]",
     "status: the health of every unit of the node directory, N\n"
     "units at once (exit 0: all reachable with self-test OK, 1:\n"
     "not so, 2: no directory); download: a firmware rollout to\n"
     "every unit (exit 0: every unit got it or had it, 1: not\n"
     "so, 2: no directory, 3: refused)",
     "fleet status\n"
     "Reads every unit (node kind 1) of the node directory: the one the network\n"
     "browser reads (QORA_RKS_DIRECTORY, else the service's Directory setting) or\n"
     "FILE; with --group only that group and its subgroups. Each unit gets a\n"
     "connection of its own, at most N at once (default 16, up to 1024): the\n"
     "identity probe, the version block, the firmware names, the installation\n"
     "status, the constellation verdict and the GPS position.\n"
     "  --csv FILE    write the table as CSV, --json FILE as JSON; without either\n"
     "                the CSV goes to standard output\n"
     "CSV columns: name,connection,reachable,serial,active_firmware,\n"
     "inactive_firmware,self_test,gps_fix,clock_state,verdict,latitude,longitude,\n"
     "error. reachable is yes or no; texts as the status windows show them;\n"
     "error says why a unit could not be read. The JSON has the same keys, but\n"
     "reachable is true or false, and latitude and longitude are numbers in\n"
     "degrees (north and east positive; null when not read), the texts beside\n"
     "them in latitude_text and longitude_text. A progress bar on standard error\n"
     "when it is a terminal; a summary line at the end.\n"
     "Exit status: 0 every unit reachable with self-test OK, 1 otherwise (or a\n"
     "file could not be written), 2 no readable directory or no such group, 64\n"
     "bad arguments.\n"
     "\n"
     "fleet download\n"
     "Loads the firmware the master file names into every unit of the same node\n"
     "directory (or --group), N units at once (default 4, up to 64), each as\n"
     "\"download MASTERFILE --yes\" does, in a process of its own. A unit whose\n"
     "active firmware already is that software is skipped. Without --yes the\n"
     "rollout is asked for once (y to go on; anything else sends nothing).\n"
     "  --activate    after a good download, activate the new firmware (the unit\n"
     "                restarts), wait for the unit and read back that it runs it\n"
     "  --restart-timeout S  how long to wait for a restarted unit (default 120 s)\n"
     "A unit that fails does not stop the others. Ctrl+C (or SIGTERM) ends every\n"
     "running download with the end command, starts no other unit and marks the\n"
     "unfinished ones cancelled; a second Ctrl+C stops every unit's process at\n"
     "once. One line per finished unit on standard error\n"
     "(on a terminal also the units done and those under way); at the end the\n"
     "results as CSV on standard output, columns name,connection,outcome,reason\n"
     "(outcome: downloaded, activated, skipped, failed or cancelled), and a\n"
     "summary line on standard error.\n"
     "Exit status: 0 every unit got the software or had it already, 1 otherwise\n"
     "(or the master file or its image cannot be used), 2 no readable directory\n"
     "or no such group, 3 the rollout was refused, 64 bad arguments.\n"
     "\n"
     "More in /usr/share/doc/qora-manager/fleet.md.\n"},
    {"check", "check PATH...",
     "check work orders (files, or folders of .xml files) as the\n"
     "wizard would check their values; no unit is needed\n"
     "(exit 0: all pass, 1: a unit fails, 2: a path cannot be\n"
     "read)",
     "Reads each work order as \"Open Work Order\" does and checks every unit in\n"
     "it as the Commissioning Wizard checks the values it is filled with: the\n"
     "pages' rules (Q1 address, IP address class, subnet mask, host, gateway,\n"
     "delays), the parameters the work order lacks, every value the wizard would\n"
     "quietly replace with 0 or a default, and a gateway equal to the unit's own\n"
     "address. No connection is made.\n"
     "  PATH      a work order file, or a folder: its .xml files in name order\n"
     "\n"
     "Prints one line per unit that passes and one per problem:\n"
     "  FILE unit N (DISTNAME): OK\n"
     "  FILE unit N (DISTNAME): PARAMETER VALUE: \"the wizard's message\"\n"
     "  FILE unit N (DISTNAME): PARAMETER VALUE: replaced: what the wizard uses\n"
     "  FILE unit N (DISTNAME): PARAMETER VALUE: warning: why no site can use it\n"
     "  PATH: cannot be read: \"the reader's message\" (why)\n"
     "VALUE is \"(missing)\" for a parameter the unit lacks, and in double quotes\n"
     "when it is empty or holds blanks; see\n"
     "/usr/share/doc/qora-manager/work-order-check.md.\n"
     "\n"
     "Exit status: 0 every unit passes, 1 a unit has a problem, 2 a path cannot\n"
     "be read (also when another fails), 64 bad arguments.\n"},
};
// clang-format on

// Writes text with every line after the first indented by `indent` blanks
// (in place of the blanks it begins with).
void PrintIndented(std::FILE* to, const char* text, int indent)
{
    for (const char* line = text; *line;) {
        const char* end = std::strchr(line, '\n');
        const int length = end ? static_cast<int>(end - line) : static_cast<int>(std::strlen(line));
        int blanks = 0;
        if (line != text) {
            while (blanks < length && line[blanks] == ' ')
                ++blanks;
            std::fprintf(to, "%*s", indent, "");
        }
        std::fprintf(to, "%.*s\n", length - blanks, line + blanks);
        line = end ? end + 1 : line + length;
    }
}

// The commands that make no connection: --connection means nothing to them.
bool ConnectsToUnit(const std::string& command)
{
    return command != "settings" && command != "check" && command != "fleet";
}

} // namespace

void PrintUsage(std::FILE* to)
{
    std::fprintf(to, "usage: qora-cli [--connection STRING] [--log FILE] [--trace FILE] COMMAND [ARGS]\n"
                     "       qora-cli COMMAND --help\n"
                     "\n"
                     "commands:\n");
    // Each command is a list item: its synopsis, then its summary at this
    // column, two blanks at least after a synopsis on the same line. A longer
    // synopsis has a line of its own and its further lines at the summary's
    // column, so that help2man sees one item (a man page's list needs the
    // text after an own-line tag at 20 blanks or more).
    constexpr int kSummaryColumn = 20;
    constexpr int kIndent = 2;
    constexpr int kGap = 2;
    for (const SCommandHelp& command : kCommands) {
        const int length = static_cast<int>(std::strlen(command.synopsis));
        if (kIndent + length + kGap <= kSummaryColumn && !std::strchr(command.synopsis, '\n')) {
            std::fprintf(to, "%*s%-*s", kIndent, "", kSummaryColumn - kIndent, command.synopsis);
        } else {
            std::fprintf(to, "%*s", kIndent, "");
            PrintIndented(to, command.synopsis, kSummaryColumn);
            std::fprintf(to, "%*s", kSummaryColumn, "");
        }
        PrintIndented(to, command.summary, kSummaryColumn);
    }
    std::fprintf(to,
                 "\n"
                 "options (before the command or among its own):\n"
                 "  --connection STRING  the unit's connection string (default: the local\n"
                 "                       connection of the settings)\n"
                 "  --log FILE           append the program's log (connections, failed requests\n"
                 "                       and why) to FILE; see logging.md\n"
                 "  --trace FILE         record every exchange with the unit to FILE (JSON lines,\n"
                 "                       appended; qora-unit-sim --replay plays it back); see\n"
                 "                       traffic-recording.md\n"
                 "  -h, --help           this overview; after a command, that command's usage\n"
                 "  --version            the program's release number (\"version\" asks the unit)\n"
                 "\n"
                 "Exit status: 0 done, 1 failed or refused, 2 no connection, 3 declined,\n"
                 "64 bad arguments.\n"
                 "\n"
                 "The link goes through the gateway in QORA_RKS_GATEWAY (host:port) when it is\n"
                 "set, else through the communication service's Gateway setting, else straight\n"
                 "to HOST and PORT of the connection string.\n"
                 "\n"
                 "The documents named here and in the commands' usage (NAME.md) are in\n"
                 "/usr/share/doc/qora-manager.\n");
    std::fflush(to);
}

bool IsCommand(const std::string& command)
{
    for (const SCommandHelp& help : kCommands) {
        if (command == help.name)
            return true;
    }
    return false;
}

bool PrintCommandUsage(const std::string& command, std::FILE* to)
{
    for (const SCommandHelp& help : kCommands) {
        if (command != help.name)
            continue;
        std::fprintf(to, "usage: qora-cli %s%s\n", ConnectsToUnit(command) ? "[--connection STRING] " : "",
                     help.synopsis);
        std::fprintf(to, "\n");
        std::fputs(help.details, to);
        std::fflush(to);
        return true;
    }
    return false;
}
