#pragma once
// Where the program's data (help pages, the resource library) lies: beside
// the program, as in a build tree, or in an installation's share/qora-manager
// next to its bin folder. Widget-free.

#include <QString>
#include <QStringList>

// The data folder of an installation, relative to the folder of its programs.
inline constexpr const char* kInstalledDataFolder = "../share/qora-manager";

// The folders to look in, in order: the program's own folder, then the
// installation's data folder. Both are given whether they exist or not.
[[nodiscard]] QStringList ProgramDataFolders(const QString& programPath);
