#pragma once
// Texts by string id. The built-in table is a Qt resource; a replacement table
// (the resource library beside the program) can be laid over it.

#include <QByteArray>
#include <QString>

#include <map>

namespace StringId {
inline constexpr unsigned AppTitle = 128;
inline constexpr unsigned CannotConnect = 61264;
inline constexpr unsigned ConfirmReset = 61277;
inline constexpr unsigned IncompatibleUnit = 61356;
inline constexpr unsigned GpsStatusCaption = 61229;
inline constexpr unsigned InstallationStatusCaption = 61231;
inline constexpr unsigned ConstellationStatisticsCaption = 61313;
inline constexpr unsigned DeviceNotConnected = 61239;
inline constexpr unsigned ReadingProblem = 61235;
inline constexpr unsigned CannotOpenNetworkBrowser = 61268;
inline constexpr unsigned HandlerWindowCaption = 61228;
inline constexpr unsigned VersionText = 32796;
} // namespace StringId

// The text of the id, or an empty string when no table has it.
[[nodiscard]] QString LoadResString(unsigned id);

// Lays the texts of a table file over the built-in ones; false (and nothing
// changed) when the file cannot be read or is malformed.
bool LoadStringOverrides(const QString& path);

// Drops every text laid over the built-in table: back to the built-in texts.
void ClearStringOverrides();

// Parses the table format: one "id<TAB>text" per line, "\n", "\t" and "\\" as
// escapes, blank lines and lines starting with '#' ignored. False on a line
// that is not of that form.
bool ParseStringTable(const QByteArray& content, std::map<unsigned, QString>& out);
