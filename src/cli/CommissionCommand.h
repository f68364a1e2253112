#pragma once
// "qora-cli commission WORKORDER [--unit N] [--report FILE] [--user NAME]
// [--date yyyy-MM-dd] [--comments T] [--actions T] [--no-reset]": commissions
// the unit with a work order's values as the Commissioning Wizard does when
// the user passes every page without changing anything:
//  - the pages are filled from the work order and checked before anything is
//    sent; the first refusal's message ends the command;
//  - with several units in the file, --unit N (from 1, in document order)
//    picks one; without it the units are listed and the first is taken, as
//    the desktop tool does when its selection is cancelled;
//  - the unit is put in commission mode, the guarded write runs (opening
//    command, both blocks, closing command) and the outcome is recorded in
//    the work order document;
//  - after success the unit is reset unless --no-reset, and, when the
//    connection came from the settings, the settings take the unit's new IP
//    and Q1 address so the next local connection finds it;
//  - --report saves the document (also after a failed write). Its measured
//    position, installation status and constellation verdict are read once,
//    just before the write, through the status command's decoders; what does
//    not answer stays unknown (no measured position, "Undefined").

#include "cli/CliOutput.h"

#include <string>
#include <vector>

// Returns the exit status: 0 commissioned (and reset, and the report saved),
// 1 the work order could not be used, a page refused, the unit refused or
// did not confirm, or the report could not be saved, 2 no connection,
// 64 bad arguments. Needs a Qt application object.
int RunCommissionCommand(const std::string& connection, bool connectionFromSettings,
                         const std::vector<std::string>& arguments,
                         const SCliOutput& output = SCliOutput::Standard());
