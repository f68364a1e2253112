#pragma once
// The main frame as the status windows see it: its states as the test sets
// them, and the link watchdog modes the windows asked for, in order.

#include "status/StatusPoller.h"

#include <vector>

struct FakeStatusFrame : IStatusFrame {
    bool resetPending = false;
    bool commissioning = false;
    bool download = false;
    std::vector<int> watchdog;

    bool ResetPending() const override { return resetPending; }
    bool CommissioningRunning() const override { return commissioning; }
    bool DownloadDialogOpen() const override { return download; }
    void SetLinkWatchdog(int mode) override { watchdog.push_back(mode); }
};
