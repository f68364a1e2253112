#pragma once
// The main frame's commands: identifiers, menu texts, status-bar prompts,
// accelerator letters, and the rules that enable them. Widget-free, so the
// rules are tested without a window.

#include "link/ConnectionType.h"

#include <QString>

#include <optional>
#include <span>

enum FrameCommandId : int {
    ID_OPEN_WORK_ORDER = 32771,
    ID_COMM_PARAMETERS = 32783,
    ID_ADVANCED = 32803,
    ID_LOCAL_CONNECTION = 32774,
    ID_REMOTE_CONNECTION = 32798,
    ID_COMMISSION_MODE = 32811,
    ID_DISCONNECT = 32799,
    ID_SW_DOWNLOAD = 32819,
    ID_SW_ACTIVATION = 32810,
    ID_COMMISSIONING_WIZARD = 32778,
    ID_COMMISSIONING_REPORT = 32777,
    ID_CONSTELLATION_LOG = 32822,
    ID_GPS_PARAMETERS = 32779,
    ID_TIME_CALCULATION = 32781,
    ID_CLOCK_OUT_TIMING = 32818,
    ID_RESET_QORA = 32809,
    ID_USER_INFORMATION = 32785,
    ID_VERSION_INFORMATION = 61216,
    ID_GPS_STATUS = 32786,
    ID_INSTALLATION_STATUS = 32794,
    ID_CONSTELLATION_STATISTICS = 32823,
    ID_SYSTEM_PARAMETERS = 32825,
    // The windows over the status history.
    ID_SKY_PLOT = 32861,
    ID_SIGNAL_HISTORY = 32862,
    ID_INSTALLATION_TIMELINE = 32863,
    ID_SURVEY_PLOT = 32864,
    ID_CONSTELLATION_CHARTS = 32865,
    ID_WINDOW_CASCADE = 57650,
    ID_WINDOW_TILE = 57651,
    ID_FILE_NEW = 57600,
    ID_APP_EXIT = 57665,
    ID_APP_ABOUT = 57664,
    ID_HELP_TOPICS = 57667,
    ID_VIEW_TOOLBAR = 59392,
    ID_VIEW_STATUS_BAR = 59393,
    ID_VIEW_UNIT_TRAFFIC = 32830,
    ID_RECORD_UNIT_TRAFFIC = 32831,
    // Status > Record to File... (check-marked while a recording runs)
    ID_RECORD_STATUS = 32870,
    // Run > Fleet Overview: every unit of the node directory at a glance.
    ID_FLEET_OVERVIEW = 32880,
};

// What the enabling rules look at.
struct FrameCommandState {
    ConnectionType connectionType = ConnectionType::None;          // the handler's
    ConnectionState connectionState = ConnectionState::Disconnected; // the frame's
    bool fullControl = true;
    bool workOrderValues = false;
    bool reportReady = false;
    bool windowOpen = false;          // a child window of the frame is shown
    bool waitingForRestart = false;   // the wait after a reset runs
};

struct FrameCommand {
    int id;
    const char* menu;   // "File", "View", "Run", "Maintenance", "Status", "Window", "Help"
    const char* text;   // with its '&' mnemonic
    const char* prompt; // status-bar prompt "\n" tooltip
    char accelerator;   // plain letter, 0 for none
};

// Every command in menu order.
[[nodiscard]] std::span<const FrameCommand> FrameCommands();
[[nodiscard]] const FrameCommand* FindFrameCommand(int id);
[[nodiscard]] bool IsFrameCommandEnabled(int id, const FrameCommandState& state);
// The command a plain letter key triggers: the first listed with it.
[[nodiscard]] std::optional<int> CommandForAccelerator(char letter);
// The prompt's status-bar part (before "\n") and tooltip part (after it).
[[nodiscard]] QString CommandStatusText(const FrameCommand& command);
[[nodiscard]] QString CommandToolTip(const FrameCommand& command);
