#pragma once
// What the download needs to know about the connected unit, filled in by the
// main frame: the engine itself stays free of the application layer.

#include <QString>

#include <cstdint>

struct SDownloadTarget {
    // The configured unit address (the settings' Q1 address). The download
    // names it in its commands unless the connection is a remote one whose
    // connection string names the unit's bus address ("ADDR="); that string
    // is read when the download starts.
    std::uint16_t unitAddress = 0;
    // How the main frame describes the connection, e.g. "Local (...)".
    QString connectionDescription;
};
