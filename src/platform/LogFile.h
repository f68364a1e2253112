#pragma once
// The log file of --log FILE: every enabled message of the qora.* categories
// at info level and up, and warnings and up of everything else, appended to
// FILE one line each with an ISO time (UTC), the level and the category. Each
// line is written through at once, so a crash loses nothing; the driver's
// thread logs too, so writing is serialised. Without a log file, messages
// follow QT_LOGGING_RULES and Qt's own output.

#include <QDateTime>
#include <QString>
#include <QtGlobal>

#include <optional>

// Starts appending to `path` (replacing a log file already started) and turns
// the qora.* categories on at info level, unless QT_LOGGING_RULES says
// otherwise. When the file cannot be opened nothing changes and the reason
// comes back: "cannot open FILE: REASON".
[[nodiscard]] std::optional<QString> StartLogFile(const QString& path);

// Closes the log file and gives messages back to the handler that was there
// before. Nothing happens without a log file.
void StopLogFile();

// Whether the log file takes a message of this level and category.
[[nodiscard]] bool LogFileTakes(QtMsgType type, const char* category);

// One entry: "2026-12-08T06:15:09.123Z warning qora.rks: TEXT". Lines of a
// text that spans several are indented by a tab, so every entry starts a line
// with its time.
[[nodiscard]] QString LogFileLine(const QDateTime& time, QtMsgType type, const char* category, const QString& text);
