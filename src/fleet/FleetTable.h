#pragma once
// The fleet status as files: CSV with a fixed header, or JSON, and the
// one-line summary.

#include "fleet/FleetStatusDecoder.h"

#include <QByteArray>
#include <QString>

#include <vector>

struct SFleetRow {
    QString name;
    QString connection;
    SFleetUnitHealth health;
};

inline constexpr const char* kFleetCsvHeader =
    "name,connection,reachable,serial,active_firmware,inactive_firmware,self_test,gps_fix,clock_state,verdict,"
    "latitude,longitude,error";


// Header line and one line per row, each ended by "\n"; a field holding a
// comma, a quote or a line break is quoted, its quotes doubled.
[[nodiscard]] QByteArray FleetCsv(const std::vector<SFleetRow>& rows);
// {"units": [ {one key per CSV column, "reachable" true or false, "latitude"
// and "longitude" in degrees or null, with "latitude_text" and
// "longitude_text" as the CSV has them}, ... ]}
[[nodiscard]] QByteArray FleetJson(const std::vector<SFleetRow>& rows);

// Every unit reachable with its self-test OK.
[[nodiscard]] bool FleetHealthy(const std::vector<SFleetRow>& rows);
// "1 unit", "5 units".
[[nodiscard]] QString FleetUnitsText(std::size_t count);
// "5 units: 4 reachable, 1 unreachable, 1 with a failed self-test"
[[nodiscard]] QString FleetSummary(const std::vector<SFleetRow>& rows);
