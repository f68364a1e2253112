#pragma once
// "qora-cli version": connects, reads the unit's version block and prints what
// the Version Information dialog shows, one "Label: value" line each.

#include <QString>

#include <string>

// The dialog's lines for the values read (serial number "--" when unset).
class CVersionData;
[[nodiscard]] QString VersionReport(const CVersionData& version);

// Runs the command on the connection string; returns the exit status: 0 read,
// 1 the unit could not be read, 2 no connection. Needs a Qt application object.
int RunVersionCommand(const std::string& connection);
