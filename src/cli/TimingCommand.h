#pragma once
// "qora-cli timing": the unit's clock delays and clock-out timing, as the Time
// Calculation Settings and Clock Out Time Settings dialogs show them; and
// "qora-cli timing set CLOCKS_OUT DISABLE", which writes what the clock-out
// dialog lets a user with Full Control change, with the same range checks.

#include <string>
#include <vector>

// Returns the exit status: 0 done, 1 the unit could not be read or written,
// 2 no connection, 64 bad arguments (a value out of its range, or a
// clocks-out time before the unit's fix-lost alarm, named with its value). Needs a Qt application object.
int RunTimingCommand(const std::string& connection, const std::vector<std::string>& arguments);
