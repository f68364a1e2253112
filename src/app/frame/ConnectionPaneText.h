#pragma once
// The status bar's lasting connection pane: what the connection is doing at
// every moment and with which unit, so that the engineer never has to guess
// from greyed menu entries whether the tool is connected.

#include <QString>

struct ConnectionPaneInputs {
    int handlerState = 0;            // the handler's: 0 none, 1 connecting, 2 connected, 4 entering, 5 commission mode
    bool failed = false;             // the frame's last connection attempt failed
    bool resetPending = false;       // the unit was told to restart
    bool silentReconnection = false; // the frame connects again after a reset
    QString unit;                    // "Local (192.168.255.120)", "Remote (QORA-131)", "Remote" or empty
};

[[nodiscard]] QString ConnectionPaneText(const ConnectionPaneInputs& inputs);
