#include "app/LocalConnection.h"

#include "app/ManagerSettings.h"

LocalConnectionSettings ReadLocalConnectionSettings()
{
    CManagerSettings settings;
    settings.LoadSettings();
    return {settings.ipAddress, settings.q1Address, settings.portAddress};
}

QString BuildLocalConnectionString(const LocalConnectionSettings& settings)
{
    return QStringLiteral("WP=SOCKET,HOST=%1,PORT=%2,WP=NEQ1,ADDR=%3")
        .arg(settings.ipAddress)
        .arg(static_cast<int>(settings.portAddress))
        .arg(static_cast<int>(settings.q1Address));
}

QString BuildLocalConnectionString(const CManagerSettings& settings)
{
    return BuildLocalConnectionString(
        LocalConnectionSettings{settings.ipAddress, settings.q1Address, settings.portAddress});
}

QString UnitAddressText(const QString& connection)
{
    const QString marker = QStringLiteral(",ADDR=");
    const qsizetype at = connection.indexOf(marker);
    if (at < 0)
        return {};
    const qsizetype from = at + marker.size();
    const qsizetype comma = connection.indexOf(QLatin1Char(','), from);
    return connection.mid(from, comma < 0 ? -1 : comma - from);
}
