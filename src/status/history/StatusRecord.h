#pragma once
// One row of a status recording: the columns, their values from a GPS sample
// with the installation and constellation samples that go with it, and the
// row as a CSV line or as a JSON object on its own line (the same keys).
// docs/status-recording.md describes the format.

#include "platform/CsvField.h"
#include "status/history/StatusHistory.h"

#include <QByteArray>
#include <QLoggingCategory>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <vector>

// Recordings and exports that could not be written, with the reason.
Q_DECLARE_LOGGING_CATEGORY(lcStatusFiles)

enum class StatusRecordFormat { Csv, JsonLines };

// "csv" or "jsonl".
[[nodiscard]] std::optional<StatusRecordFormat> StatusRecordFormatNamed(const QString& name);
// JSON lines for a file ending in ".jsonl" (any case), CSV otherwise.
[[nodiscard]] StatusRecordFormat StatusRecordFormatOfPath(const QString& path);

// time, latitude, longitude, altitude_m, satellites, mean_cno, gps_fix,
// clock_state, self_test, verdict, ch1_sat, ch1_cno, ... ch12_sat, ch12_cno.
[[nodiscard]] const QStringList& StatusRecordColumns();

// One value; an empty text is an empty value (nothing known).
struct SStatusRecordValue {
    QString text;
    bool number = false;
};

// The values in column order. Without an installation or constellation
// sample their columns are empty.
[[nodiscard]] std::vector<SStatusRecordValue> StatusRecordValues(const SGpsSample& gps,
                                                                 const SInstallationSample* installation,
                                                                 const SConstellationSample* constellation);

// ISO 8601 in UTC with milliseconds: "2026-12-08T09:50:53.123Z".
[[nodiscard]] QString StatusRecordTime(std::int64_t timeMs);

// The first line of a file (the CSV header); empty for JSON lines.
[[nodiscard]] QByteArray StatusRecordHeader(StatusRecordFormat format);
// One row with its line break.
[[nodiscard]] QByteArray StatusRecordLine(StatusRecordFormat format, const std::vector<SStatusRecordValue>& values);
