#pragma once
// "qora-cli fleet download MASTERFILE [--directory FILE] [--group NAME]
// [--activate] [--jobs N] [--restart-timeout S] [--yes]": loads the firmware
// of the master file into every unit of the node directory, N units at once
// (src/fleet/FleetRollout.h), and with --activate makes it the running
// firmware. The results go to standard output as CSV (name, connection,
// outcome, reason), a summary line to standard error.

#include "cli/CliOutput.h"

#include <string>
#include <vector>

inline constexpr int kExitRolloutDone = 0;     // every unit got the software or had it
inline constexpr int kExitRolloutIncomplete = 1; // a unit failed or was cancelled; a bad master file
inline constexpr int kExitRolloutNoDirectory = 2;
inline constexpr int kExitRolloutRefused = 3;  // the question was answered no: nothing was sent

// `arguments` start with "download". Exit statuses as above, 64 bad
// arguments. Asks on standard error and reads the answer from standard input
// unless --yes. Needs a Qt application object.
int RunFleetDownload(const std::vector<std::string>& arguments, const SCliOutput& output);
