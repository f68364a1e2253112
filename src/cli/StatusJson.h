#pragma once
// The three status windows as one JSON object for programs (the keys are
// described in docs/status-json.md): numbers in degrees, metres, dBHz and
// seconds, null where a window shows dashes or "?", and beside each number
// the text the window shows, trimmed.

#include <QDateTime>
#include <QJsonObject>
#include <QString>

#include <optional>

class CGPSStatusView;
class CInstallStatusView;
class CConstellationStatisticsView;

// `utc`: when the snapshot was complete; `serial`: the unit's serial number,
// nothing when it is unknown.
[[nodiscard]] QJsonObject StatusJson(const CGPSStatusView& gps, const CInstallStatusView& install,
                                     const CConstellationStatisticsView& constellation, const QDateTime& utc,
                                     const std::optional<QString>& serial);
