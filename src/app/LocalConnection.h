#pragma once
// The local connection: the unit on the site network, by host, port and Q1
// bus address, as the settings hold them.

#include <QString>

#include <cstdint>

class CManagerSettings;

struct LocalConnectionSettings {
    QString ipAddress = QStringLiteral("192.168.255.120");
    std::uint32_t q1Address = 131;
    std::uint32_t portAddress = 7000;
};

// The values in the stored settings; each one missing or unreadable keeps its default.
LocalConnectionSettings ReadLocalConnectionSettings();

// "WP=SOCKET,HOST=…,PORT=…,WP=NEQ1,ADDR=…"
QString BuildLocalConnectionString(const LocalConnectionSettings& settings);
QString BuildLocalConnectionString(const CManagerSettings& settings);

// The connection's ADDR item as written (empty when there is none).
QString UnitAddressText(const QString& connection);
