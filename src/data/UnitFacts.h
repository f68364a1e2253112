#pragma once
// What the main frame knows of the connected unit, as the data groups hand
// it over: its serial number and its last known position with the texts the
// frame shows and the constellation log prints.

#include <QString>

#include <cstdint>

struct UnitFacts {
    QString serialNumber;
    double latitude = 0.0;  // degrees, south negative
    double longitude = 0.0; // degrees, west negative
    std::int32_t altitudeCm = 0;
    QString latitudeText;
    QString longitudeText;
    QString altitudeText;
    bool surveyedPosition = false;
};

// The one record of the running program (the main frame's members).
UnitFacts& AppUnitFacts();
