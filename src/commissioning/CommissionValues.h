#pragma once
// The values a commissioning writes to the unit, as the wizard's pages hold
// them when the user presses Finish. The wizard fills it; the commissioning
// group turns it into the unit's blocks; the report reads what was sent.

#include <QString>

#include <cstdint>

struct SCommissionValues {
    // GPS page
    double latitude = 0.0;      // degrees, north positive
    double longitude = 0.0;     // degrees, east positive
    std::int32_t altitudeCm = 0;
    bool selfSurvey = false;     // start self survey after the next reset
    bool positionLocked = false; // use the entered position as surveyed position
    // time calculation page
    std::int32_t gpsAntennaDelayNs = 0;
    std::int32_t frameClockDelayNs = 0;
    bool onePps = false;
    // Q1 page
    std::int32_t q1Address = 131;
    std::int32_t q1SpeedCode = 7; // the selected speed's index + 3
    // The dotted texts the Q1 page accepted; empty, like the page's, until
    // it was passed. An empty text goes to the unit as an empty field, never
    // as an address the engineer did not see.
    QString ipAddress;
    QString gatewayAddress;
    QString subnetMask;
    bool q1Relay = true; // the unit is the last Q1 device of the chain
    // user page
    QString userName;
    QString actions;
    QString comments;
    std::int32_t year = 0;
    std::int32_t month = 0;
    std::int32_t day = 0;
};
