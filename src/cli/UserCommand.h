#pragma once
// "qora-cli user": connects and prints the unit's user information as the
// User Information dialog shows it; "qora-cli user set NAME DATE COMMENTS
// ACTIONS" writes all four as the dialog does for a Full Control user.
// DATE is dd/MM/yyyy (as the dialog shows it) or yyyy-MM-dd; "-" writes the
// "no date" text. Texts longer than the dialog allows (name 31, comments and
// actions 99 bytes, a line break "\n" counting two) are refused, not cut.

#include <QString>

#include <optional>
#include <string>
#include <vector>

class CUserData;
struct UserDate;

// "Name:", "Date:" (dd/MM/yyyy, or the unit's numbers when they are no
// calendar date), "Comments:", "Actions:" lines.
[[nodiscard]] QString UserReport(const CUserData& user);

// The date argument of "user set"; nothing when it is none of the accepted forms.
[[nodiscard]] std::optional<UserDate> ParseUserDateArgument(const QString& text);

// Runs the command; returns the exit status: 0 done, 1 the unit could not be
// read or refused the write, 2 no connection, 64 wrong arguments. Needs a Qt
// application object.
int RunUserCommand(const std::string& connection, const std::vector<std::string>& args);
