#pragma once
// qora-cli fleet status: the health of every unit of the node directory, read
// with a bounded number of connections at once (src/fleet).

#include "cli/CliOutput.h"

#include <string>
#include <vector>

inline constexpr int kExitFleetHealthy = 0;
inline constexpr int kExitFleetUnhealthy = 1; // a unit unreachable or its self-test not OK
inline constexpr int kExitFleetNoDirectory = 2;

// `arguments` start with the subcommand. Exit statuses as above, 64 bad arguments.
int RunFleetCommand(const std::vector<std::string>& arguments, const SCliOutput& output);
