#pragma once
// The three status windows' answers as one JSON object for programs (the keys are
// described in docs/status-json.md): numbers in degrees, metres, dBHz and
// seconds, null where a window shows dashes or "?", and beside each number
// the text the window shows, trimmed.

#include <QDateTime>
#include <QJsonObject>
#include <QString>

#include <optional>

struct SCliStatus;

// `metricUnits`: the altitude in metres, else in feet; `unitAddressText`: the
// address the bus transmission row names; `utc`: when the snapshot was
// complete; `serial`: the unit's serial number, nothing when it is unknown.
[[nodiscard]] QJsonObject StatusJson(const SCliStatus& status, bool metricUnits, const QString& unitAddressText,
                                     const QDateTime& utc, const std::optional<QString>& serial);
