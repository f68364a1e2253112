#pragma once
// The work order values that the wizard's pages would not take as they stand:
// ApplyWorkOrderValues puts 0 or the page's default in their place (a latitude
// of 95 degrees becomes 0, a speed code of 12 becomes 9600, an address text
// that is no address becomes the default address, ...). On a screen the user
// sees the page; where nobody does, these are to be named.

#include "commissioning/WorkOrder.h"

#include <QList>
#include <QString>

struct SWorkOrderReplacement {
    enum class Field {
        Latitude,
        Longitude,
        Altitude,
        GpsMode,
        GpsAntennaDelay,
        FrameClockDelay,
        Q1Address,
        Q1Speed,
        IpAddress,
        Gateway,
        SubnetMask,
    };

    Field field = Field::Latitude;
    QString parameter;   // the work order's parameter name, e.g. "qorGPSAntennaLatitudeLocation"
    QString value;       // the value as the work order gives it, e.g. "950000000 (95 degrees)"
    QString replacement; // what the page holds instead, e.g. "0"

    // The parameter, its value and what takes its place, on one line.
    [[nodiscard]] QString Describe() const;
    // One of the three dotted addresses, which only the Q1 page takes: a
    // wizard without that page (a remote connection) never uses them.
    [[nodiscard]] bool IsAddressText() const;
};

// Every value of the work order that ApplyWorkOrderValues would replace, in
// the work order's parameter order; empty when the pages take all as given.
// Found by applying the values to fresh pages, so it follows the pages' rules.
[[nodiscard]] QList<SWorkOrderReplacement> WorkOrderReplacements(const WorkOrderValues& values);
