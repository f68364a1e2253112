#pragma once
// What the download needs to know about the connected unit, filled in by the
// main frame: the engine itself stays free of the application layer.

#include <QString>

#include <cstdint>

struct SDownloadTarget {
    // The Q1 address of the remote connection's ADDR, or the configured unit
    // address when the connection names none.
    std::uint16_t unitAddress = 0;
    // How the main frame describes the connection, e.g. "Local (...)".
    QString connectionDescription;
};
