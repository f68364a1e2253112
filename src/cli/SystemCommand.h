#pragma once
// "qora-cli system": connects, reads the system group and prints what the
// System Parameters dialog holds, one "Label: value" line each.

#include <QString>

#include <string>

class CSystemData;

// The lines for the values read: the offsets ("N/A" when the unit has none)
// and the two bus options as "yes" or "no".
[[nodiscard]] QString SystemReport(const CSystemData& system);

// Runs the command on the connection string; returns the exit status: 0 read,
// 1 the unit could not be read, 2 no connection. Needs a Qt application object.
int RunSystemCommand(const std::string& connection);
