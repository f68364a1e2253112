#pragma once
// qora-cli fleet status: the health of every unit of the node directory, read
// with a bounded number of connections at once (src/fleet).

#include "cli/CliOutput.h"
#include "rks/RksNodeDirectory.h"

#include <QString>

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

inline constexpr int kExitFleetHealthy = 0;
inline constexpr int kExitFleetUnhealthy = 1; // a unit unreachable or its self-test not OK
inline constexpr int kExitFleetNoDirectory = 2;

// Loads the node directory (the configured one when `directoryPath` is empty)
// into `directory` and lists its units, of `group` and its subgroups when
// given. Nothing when that worked; otherwise the exit status, the reason
// printed on `err`.
[[nodiscard]] std::optional<int> LoadFleetUnits(const QString& directoryPath, const std::optional<std::string>& group,
                                                CRksNodeDirectory& directory, std::vector<const RksNode*>& units,
                                                std::FILE* err);

// `arguments` start with the subcommand (status, download). Exit statuses as above, 64 bad arguments.
int RunFleetCommand(const std::vector<std::string>& arguments, const SCliOutput& output);
