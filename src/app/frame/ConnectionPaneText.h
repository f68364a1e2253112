#pragma once
// The status bar's lasting connection pane: what the connection is doing at
// every moment and with which unit, so that the engineer never has to guess
// from greyed menu entries whether the tool is connected.

#include "link/ConnectionType.h"

#include <QString>

struct ConnectionPaneInputs {
    ConnectionState handlerState = ConnectionState::Disconnected; // the handler's
    bool failed = false;             // the frame's last connection attempt failed
    bool resetPending = false;       // the unit was told to restart
    bool silentReconnection = false; // the frame connects again after a reset
    QString unit;                    // "Local (192.168.255.120)", "Remote (QORA-131)", "Remote" or empty
    QString countdown;               // during the wait after a reset: the time to the reconnection
};

[[nodiscard]] QString ConnectionPaneText(const ConnectionPaneInputs& inputs);
