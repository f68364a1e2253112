#pragma once
// "qora-cli commission WORKORDER [--unit N] [--report FILE] [--user NAME]
// [--date yyyy-MM-dd] [--comments T] [--actions T] [--no-reset] [--remote]
// [--advanced|--basic] [--accept-replaced]": commissions the unit with a work
// order's values as the Commissioning Wizard does when the user passes every
// page without changing anything:
//  - the unit is first checked as "qora-cli check" checks it, and what the
//    check fails is refused on the check's own lines (parameter and value),
//    saying that nothing was sent: nobody sees the pages that would show it.
//    --accept-replaced takes the values the wizard itself would replace (out
//    of their bounds); a remote connection leaves the addresses unchecked;
//  - the work order's position is written only in advanced mode (the
//    settings' Advanced Mode, or --advanced / --basic), and the command says
//    which it is;
//  - --remote: the wizard of a remote connection, which has no Q1 page, so
//    the unit keeps its addresses; the queues are emptied before the write
//    and the settings are left alone;
//  - the pages are filled from the work order and checked before anything is
//    sent; the first refusal's message ends the command;
//  - with several units in the file, --unit N (from 1, in document order)
//    picks one; without it the units are listed and the first is taken, as
//    the desktop tool does when its selection is cancelled;
//  - the unit is put in commission mode, the guarded write runs (opening
//    command, both blocks, closing command) and the outcome is recorded in
//    the work order document;
//  - after success the unit is reset unless --no-reset (a reset the unit
//    does not answer, as one that restarts at once, is said and is no
//    failure; a refused one is), and, when the connection came from the
//    settings and is not remote, the settings take the unit's new IP and Q1
//    address so the next local connection finds it;
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
