#pragma once
// "qora-cli status [--json]": one snapshot of the three status windows (GPS
// status, installation status, constellation statistics) as text or JSON.
// "qora-cli watch": the same every 5 s until stopped.

#include <string>
#include <vector>

// Returns the exit status: 0 done, 1 the unit did not answer, 2 no
// connection, 64 bad arguments. Needs a Qt application object.
int RunStatusCommand(const std::string& connection, const std::vector<std::string>& arguments, bool watch);
