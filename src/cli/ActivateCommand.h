#pragma once
// "qora-cli activate [--dry-run]": puts the unit in commission mode, prints
// the names of its active and inactive firmware and, unless --dry-run, makes
// the inactive firmware the active one as the Software Activation dialog
// does. The unit restarts after an activation.

#include "cli/CliOutput.h"

#include <string>
#include <vector>

// Returns the exit status: 0 activated (or read, with --dry-run; or the
// activation went out and the unit went quiet, as one that restarts at once
// does), 1 the
// names could not be read or the activation was refused (an empty inactive
// bank and the same build in both banks among them), 2 no connection,
// 64 bad arguments. Needs a Qt application object.
int RunActivateCommand(const std::string& connection, const std::vector<std::string>& arguments,
                       const SCliOutput& output = SCliOutput::Standard());
