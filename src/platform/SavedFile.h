#pragma once
// What the user learns after a file was saved for them (a log, a report):
// where it went, and whether the desktop could open it.

#include <QString>

namespace SavedFileString {
inline constexpr unsigned SavedTo = 62620;    // %1 the file
inline constexpr unsigned NotSaved = 62621;   // %1 the file
inline constexpr unsigned CannotOpen = 62622; // %1 the file
} // namespace SavedFileString

// The status bar says where the file went, then the desktop opens it. When
// the desktop cannot, a message box names the file so that the user can
// find it. True when the desktop opened it.
bool OpenSavedFile(const QString& path);

// The status bar says the file was not saved, and the reason goes to the
// log; the caller's message box gives the reason to the user.
void ReportFileNotSaved(const QString& path, const QString& reason);
