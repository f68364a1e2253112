#pragma once
// Where the help pages lie and the start-up check for them. Widget-free.
//
// The pages lie beside the program in a folder named after it: program
// ".../QORAManager" (or "QORAManager.exe") -> ".../qoramanager-help/", with
// "index.html" as the contents page. That is where a build tree has them; an
// installation keeps them in its data folder, ".../share/qora-manager/help/".

#include <QString>
#include <QStringList>

// The help contents page for a program: the program's own path with the help
// ending in place of its name, or, when that is missing and the installation's
// data folder holds the help, the page there. Only the file name is
// lower-cased; the folders stay as they are (on a case-sensitive file system a
// lower-cased folder would be another folder). When neither exists the path
// beside the program is the one named.
[[nodiscard]] QString HelpFilePath(const QString& programPath);

// The help folder inside an installation's data folder.
inline constexpr const char* kInstalledHelpFolder = "help";

// The message shown when the help is missing.
[[nodiscard]] QString HelpFileNotFoundText(const QString& helpPath);

// True when the help contents page exists. Otherwise shows the plain message
// box "Help file not found:" with the path, through ShowMessageBox, and
// returns false: the caller ends the program.
bool CheckHelpFile(const QString& programPath);

// The page that describes a command or dialog, by the frame's command id
// (e.g. "local-connection.html"); the contents page for any other id.
[[nodiscard]] QString HelpPageForCommand(int commandId);

// Every page the program links to by name, the contents page first.
[[nodiscard]] const QStringList& HelpPageNames();
