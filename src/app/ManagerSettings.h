#pragma once
// The application settings: the local connection (IP address, Q1 address,
// port), the software download channel and packet size, advanced mode and the
// reconnection time, kept under HKEY_CURRENT_USER\Software\QORAManager\Settings.
// One object belongs to the application for the whole run.

#include "settings/Registry.h"

#include <QString>

#include <cstdint>
#include <vector>

class CManagerSettings : public CRegistry {
public:
    CManagerSettings();

    QString ipAddress;                   // "IP address", string
    std::uint32_t q1Address;             // "Q1 Address"
    std::uint32_t portAddress;           // "Port Address"
    std::uint32_t swdlLogicalChannel;    // "SwDl Logical Channel"
    std::uint32_t swdlPacketSize;        // "SwDl Packet Size"
    std::uint32_t advancedMode;          // "Advanced Mode"
    QString startupNodeName;             // not stored
    std::uint32_t saveEnabled;           // not stored; 0: SaveSettings writes nothing
    std::uint32_t retryConnTime;         // "Retry_conn_Time", seconds

    // Reads every stored value; one that is missing or unreadable keeps its
    // current value. True only when all seven were read.
    bool LoadSettings();
    // Writes the seven values (creating the key); true only when all were
    // written. With saving disabled it writes nothing and returns true.
    bool SaveSettings();

    // The stored values by name, in the order they are kept, as text, and
    // whether the last LoadSettings read each one from the store.
    struct NamedValue {
        QString name;
        QString text;
        bool loaded = false;
    };
    [[nodiscard]] std::vector<NamedValue> StoredValues() const;

private:
    std::uint32_t loaded_ = 0; // bit i: value i of StoredValues came from the store
};
