#include "app/LocalConnection.h"

#include "app/ManagerSettings.h"
#include "protocol/Connection.h"

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
    return QString::fromStdString(Protocol::ParseConnection(connection.toStdString()).addressText);
}
