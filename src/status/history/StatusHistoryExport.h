#pragma once
// Each series of the status history saved as CSV, for the plot windows'
// export: written completely or not at all (a temporary file renamed over
// the target once every byte is on disk). docs/status-recording.md lists the
// columns.

#include "status/history/StatusHistory.h"

#include <QByteArray>
#include <QString>

// The whole file, header first.
[[nodiscard]] QByteArray GpsHistoryCsv(const CStatusHistory& history);
[[nodiscard]] QByteArray InstallationHistoryCsv(const CStatusHistory& history);
[[nodiscard]] QByteArray ConstellationHistoryCsv(const CStatusHistory& history);

// Saves one of them; false with the reason when the file was not written (an
// existing file is then left as it was).
bool ExportStatusHistoryCsv(const CStatusHistory& history, StatusSampleKind kind, const QString& path,
                            QString& error);
