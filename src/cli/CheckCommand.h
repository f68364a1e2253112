#pragma once
// qora-cli check: work orders checked before the visit, without a unit. Each
// unit of each file is read as "Open Work Order" reads it and checked as the
// wizard would check its values (commissioning/wizard/WorkOrderCheck.h).

#include "cli/CliOutput.h"

#include <string>
#include <vector>

// Exit statuses of the check.
inline constexpr int kExitCheckPassed = 0;
inline constexpr int kExitCheckFailed = 1;     // a unit has a problem
inline constexpr int kExitCheckUnreadable = 2; // a path could not be read as a work order

// PATH... are files, or folders whose .xml files are checked in name order.
// Prints, per file and unit, "OK" or each problem; a path that cannot be read
// is named with the reader's message and the others are still checked.
int RunCheckCommand(const std::vector<std::string>& arguments, const SCliOutput& output);
