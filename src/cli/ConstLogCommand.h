#pragma once
// "qora-cli constellation-log FILE": enters commission mode, fetches the
// unit's position and seven days of statistics and writes FILE exactly as
// the desktop tool saves the log.

#include <QString>

#include <string>

// Returns the exit status: 0 written (a suspect antenna installation is
// reported on standard error), 1 no statistics, no answer or FILE not
// written, 2 no connection. Needs a Qt application object.
int RunConstLogCommand(const std::string& connection, const QString& path);
