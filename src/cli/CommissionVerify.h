#pragma once
// "qora-cli commission --verify": after the reset, looks for the unit where
// it must now be, every few seconds until it answers or the time is up,
// reads back what it runs with and sets it against what was written.

#include "commissioning/verify/VerifyTable.h"

#include <QString>

#include <optional>
#include <string>

inline constexpr int kDefaultVerifyTimeoutSeconds = 180;
inline constexpr int kVerifyPollMs = 2000;

// The connection string with HOST and ADDR set to the place (a remote
// place keeps the string as it is).
[[nodiscard]] std::string ConnectionAt(const std::string& connection, const SUnitPlace& place);

// Where a local connection string points (HOST and ADDR); nothing when it
// names no such place.
[[nodiscard]] std::optional<SUnitPlace> PlaceOf(const std::string& connection);

// Polls `connection` every kVerifyPollMs, the first time one period after
// the reset, until the restarted unit answers in commission mode (or
// `timeoutSeconds` passed; the last try is at that limit), then reads it back.
// A unit may acknowledge its reset and go on answering with its old setup for
// a while: one that answers counts as restarted only after a try found it
// gone (refused or unanswered), or once `restartedAfterSeconds` (at most the
// timeout) have passed, as the window's single reconnection after the retry
// time. 0 takes the first answer. Needs a Qt application object; uses the
// application's handler slot while it runs.
[[nodiscard]] SVerification VerifyCommissionedUnit(const std::string& connection, const SCommissionValues& written,
                                                   const SUnitPlace& place, int timeoutSeconds,
                                                   int restartedAfterSeconds);

// Writes the JSON report completely (through a temporary file renamed into
// place) or not at all; false with the reason in `error`.
bool SaveVerificationReport(const QString& path, const SVerification& verification, QString& error);
