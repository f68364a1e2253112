#include "app/LocalConnection.h"

#include "app/UserSettings.h"

namespace {
void ReadDword(QSettings& settings, const char* name, std::uint32_t& value)
{
    const QVariant stored = settings.value(QLatin1String(name));
    bool ok = false;
    const qulonglong number = stored.toULongLong(&ok);
    if (ok && number <= 0xFFFFFFFFull)
        value = static_cast<std::uint32_t>(number);
}
} // namespace

LocalConnectionSettings ReadLocalConnectionSettings()
{
    LocalConnectionSettings values;
    auto settings = OpenUserSettings(QLatin1String(kSettingsRootPath) + QLatin1String(kSettingsSubKey));
    const QVariant ip = settings->value(QStringLiteral("IP address"));
    if (ip.isValid() && !ip.toString().isEmpty())
        values.ipAddress = ip.toString().left(199);
    ReadDword(*settings, "Q1 Address", values.q1Address);
    ReadDword(*settings, "Port Address", values.portAddress);
    return values;
}

QString BuildLocalConnectionString(const LocalConnectionSettings& settings)
{
    return QStringLiteral("WP=SOCKET,HOST=%1,PORT=%2,WP=NEQ1,ADDR=%3")
        .arg(settings.ipAddress)
        .arg(static_cast<int>(settings.portAddress))
        .arg(static_cast<int>(settings.q1Address));
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
