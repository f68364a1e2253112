#pragma once
// "qora-cli timing": the unit's clock delays and clock-out timing, as the Time
// Calculation Settings and Clock Out Time Settings dialogs show them; and
// "qora-cli timing set CLOCKS_OUT DISABLE", which writes what the clock-out
// dialog lets a user with Full Control change, with the same range checks.

#include <string>
#include <vector>

// Returns the exit status: 0 done, 1 refused or the unit could not be read or
// written, 2 no connection, 64 bad arguments. Needs a Qt application object.
int RunTimingCommand(const std::string& connection, const std::vector<std::string>& arguments);
