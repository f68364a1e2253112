#pragma once
// "qora-cli gps": connects, reads the GPS group as the GPS Parameters dialog
// does and prints what the dialog shows, one "Label: value" line each.

#include "data/gps/GpsData.h"

#include <QStringList>

#include <optional>
#include <string>

// The lines the GPS Parameters dialog would show for a read group; the
// altitude follows the measurement setting (metres when it can't be read).
[[nodiscard]] QStringList GpsReport(const CGPSData& group, const std::optional<QString>& measure);

// Runs the command with its own event loop (a QCoreApplication must exist)
// and returns the exit status: 0 with the lines on standard output; otherwise
// one line on standard error and kExitNoConnection (no connection) or
// kExitRequestFailed (the unit did not give the values).
int RunGpsCommand(const std::string& connection);
