#include "app/frame/FrameCommands.h"

#include <array>
#include <cctype>
#include <cstring>

namespace {

// Menu order. Accelerators are listed for the first command that takes the
// letter in the accelerator table; later ones share it but never fire.
constexpr std::array kCommands{
    FrameCommand{ID_FILE_NEW, "File", "&New", "Opens a new window\nNew", 0},
    FrameCommand{ID_OPEN_WORK_ORDER, "File", "&Open Work Order...", "Opens a work order file\nOpen Work Order", 'O'},
    FrameCommand{ID_COMM_PARAMETERS, "File", "&Communication Parameters...", "Sets communication parameters", 'C'},
    FrameCommand{ID_RECORD_UNIT_TRAFFIC, "File", "&Record Unit Traffic...",
                 "Records every exchange with the unit to a file\nRecord Unit Traffic", 0},
    FrameCommand{ID_APP_EXIT, "File", "E&xit", "Quits the application\nExit", 0},
    FrameCommand{ID_VIEW_TOOLBAR, "View", "&Toolbar", "Shows or hides the toolbar\nToggle Toolbar", 'T'},
    FrameCommand{ID_VIEW_STATUS_BAR, "View", "&Status Bar", "Shows or hides the status bar\nToggle Status Bar", 'S'},
    FrameCommand{ID_VIEW_UNIT_TRAFFIC, "View", "&Unit Traffic",
                 "Shows every exchange with the unit, decoded\nUnit Traffic", 0},
    FrameCommand{ID_ADVANCED, "View", "&Advanced", "Shows or hides advanced features", 'A'},
    FrameCommand{ID_LOCAL_CONNECTION, "Run", "&Local Connection",
                 "Creates a local connection to the QORA unit\nLocal Connection", 'L'},
    FrameCommand{ID_REMOTE_CONNECTION, "Run", "Remote &Connection...",
                 "Creates a remote connection to the QORA unit\nRemote Connection", 'C'},
    FrameCommand{ID_COMMISSION_MODE, "Run", "Commission &Mode", "Sets QORA to commission mode\nCommission Mode", 'M'},
    FrameCommand{ID_DISCONNECT, "Run", "&Disconnect", "Disconnects from the QORA unit\nDisconnect", 'D'},
    FrameCommand{ID_COMMISSIONING_WIZARD, "Run", "Commissioning &Wizard...",
                 "Launches the Commissioning Wizard\nCommissioning Wizard", 'W'},
    FrameCommand{ID_COMMISSIONING_REPORT, "Run", "Commissioning &Report...",
                 "Generates a commissioning report\nCommissioning Report", 'R'},
    // Needs no connection: it reads the units through links of its own.
    FrameCommand{ID_FLEET_OVERVIEW, "Run", "&Fleet Overview",
                 "Shows the health of every unit in the node directory\nFleet Overview", 0},
    FrameCommand{ID_SW_DOWNLOAD, "Maintenance", "&SW Download...", "Downloads and activates new firmware", 0},
    FrameCommand{ID_SW_ACTIVATION, "Maintenance", "SW &Activation...",
                 "Shows firmware information; old firmware can be activated", 'A'},
    FrameCommand{ID_CONSTELLATION_LOG, "Maintenance", "Cons&tellation Log...",
                 "Saves and opens constellation log file\nConstellation Log", 'T'},
    FrameCommand{ID_GPS_PARAMETERS, "Maintenance", "GPS &Parameters...", "Shows GPS parameters", 'P'},
    FrameCommand{ID_TIME_CALCULATION, "Maintenance", "&Time Calculation Settings...",
                 "Shows time calculation settings", 'T'},
    FrameCommand{ID_CLOCK_OUT_TIMING, "Maintenance", "&Clock Out Time Settings...", "Set clock out timing values", 'C'},
    FrameCommand{ID_RESET_QORA, "Maintenance", "&Reset QORA...", "Resets QORA\nReset QORA", 'R'},
    FrameCommand{ID_USER_INFORMATION, "Maintenance", "&User Information...", "Shows user information", 'U'},
    FrameCommand{ID_SYSTEM_PARAMETERS, "Maintenance", "&System Parameters", "Displays System Parameters ", 'S'},
    FrameCommand{ID_VERSION_INFORMATION, "Maintenance", "&Version Information", "Shows version information", 'V'},
    FrameCommand{ID_GPS_STATUS, "Status", "&GPS Status", "Shows the GPS Status window\nGPS Status", 'G'},
    FrameCommand{ID_INSTALLATION_STATUS, "Status", "&Installation Status",
                 "Shows the Installation Status window\nInstallation Status", 'I'},
    FrameCommand{ID_CONSTELLATION_STATISTICS, "Status", "GPS &Constellation Statistics",
                 "Shows the GPS constellation statistics window\nGPS constellation statistics", 'C'},
    // The history windows: enabled at all times, since the history outlives
    // a connection; no letters of their own.
    FrameCommand{ID_SKY_PLOT, "Status", "Sky Plot", "Shows the satellites in the sky and their tracks\nSky Plot", 0},
    FrameCommand{ID_SIGNAL_HISTORY, "Status", "Signal History",
                 "Shows the satellites' C/No over time\nSignal History", 0},
    FrameCommand{ID_INSTALLATION_TIMELINE, "Status", "Installation Timeline",
                 "Shows when the installation status changed\nInstallation Timeline", 0},
    FrameCommand{ID_SURVEY_PLOT, "Status", "Survey Plot",
                 "Shows the reported positions and the survey progress\nSurvey Plot", 0},
    FrameCommand{ID_CONSTELLATION_CHARTS, "Status", "Constellation Charts",
                 "Shows the constellation statistics and log as charts\nConstellation Charts", 0},
    FrameCommand{ID_RECORD_STATUS, "Status", "&Record to File...",
                 "Records the status answers to a file\nRecord to File", 0},
    FrameCommand{ID_WINDOW_CASCADE, "Window", "&Cascade", "Arranges windows so they overlap\nCascade Windows", 'C'},
    FrameCommand{ID_WINDOW_TILE, "Window", "&Tile", "Arranges windows as non-overlapping tiles\nTile Windows", 'T'},
    FrameCommand{ID_HELP_TOPICS, "Help", "&Help Topics", "Lists Help topics\nHelp Topics", 'H'},
    FrameCommand{ID_APP_ABOUT, "Help", "&About QORA Manager...",
                 "Displays program information, version number and copyright\nAbout", 'A'},
};

// The accelerator table's order: for each letter the command it triggers.
constexpr std::array<std::pair<char, int>, 16> kAccelerators{{
    {'A', ID_ADVANCED},           {'C', ID_COMM_PARAMETERS},    {'D', ID_DISCONNECT},
    {'G', ID_GPS_STATUS},         {'H', ID_HELP_TOPICS},        {'I', ID_INSTALLATION_STATUS},
    {'L', ID_LOCAL_CONNECTION},   {'M', ID_COMMISSION_MODE},    {'O', ID_OPEN_WORK_ORDER},
    {'P', ID_GPS_PARAMETERS},     {'R', ID_COMMISSIONING_REPORT}, {'S', ID_VIEW_STATUS_BAR},
    {'T', ID_VIEW_TOOLBAR},       {'U', ID_USER_INFORMATION},   {'V', ID_VERSION_INFORMATION},
    {'W', ID_COMMISSIONING_WIZARD},
}};

} // namespace

std::span<const FrameCommand> FrameCommands()
{
    return kCommands;
}

const FrameCommand* FindFrameCommand(int id)
{
    for (const FrameCommand& command : kCommands)
        if (command.id == id)
            return &command;
    return nullptr;
}

bool IsFrameCommandEnabled(int id, const FrameCommandState& s)
{
    const bool connected = IsConnected(s.connectionType);
    const bool commission = InCommissionMode(s.connectionType);
    const bool connecting = s.connectionState == ConnectionState::Connecting;
    const bool entering = s.connectionState == ConnectionState::EnteringCommission;
    // While the tool waits for a restarted unit the engineer can give up
    // waiting, or connect anew (which ends the wait first); the tries in
    // between are no connection to work on.
    const bool waiting = s.waitingForRestart;
    switch (id) {
    case ID_LOCAL_CONNECTION:
    case ID_REMOTE_CONNECTION:
        return (!connected && !connecting) || waiting;
    case ID_COMMISSION_MODE:
        return connected && !commission && !entering && !waiting;
    case ID_DISCONNECT:
        return connected || waiting;
    case ID_SW_DOWNLOAD:
        return connected && !entering && !waiting && s.fullControl;
    case ID_COMMISSIONING_WIZARD:
        return commission && s.workOrderValues && s.fullControl;
    case ID_COMMISSIONING_REPORT:
        return commission && s.reportReady;
    case ID_RESET_QORA:
        return commission && s.fullControl;
    case ID_VERSION_INFORMATION:
        return connected && !entering && !waiting;
    case ID_SW_ACTIVATION:
    case ID_CONSTELLATION_LOG:
    case ID_GPS_PARAMETERS:
    case ID_TIME_CALCULATION:
    case ID_CLOCK_OUT_TIMING:
    case ID_USER_INFORMATION:
    case ID_GPS_STATUS:
    case ID_INSTALLATION_STATUS:
    case ID_CONSTELLATION_STATISTICS:
    case ID_SYSTEM_PARAMETERS:
        return commission;
    case ID_WINDOW_CASCADE:
    case ID_WINDOW_TILE:
        return s.windowOpen;
    default:
        return true; // file, view, help and the window commands of the framework
    }
}

std::optional<int> CommandForAccelerator(char letter)
{
    const char upper = static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
    for (const auto& [key, id] : kAccelerators)
        if (key == upper)
            return id;
    return std::nullopt;
}

QString CommandStatusText(const FrameCommand& command)
{
    return QString::fromLatin1(command.prompt).section(QLatin1Char('\n'), 0, 0);
}

QString CommandToolTip(const FrameCommand& command)
{
    const QString prompt = QString::fromLatin1(command.prompt);
    return prompt.contains(QLatin1Char('\n')) ? prompt.section(QLatin1Char('\n'), 1) : CommandStatusText(command);
}
