#include "fleet/FleetTable.h"

#include "platform/CsvField.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

QStringList Fields(const SFleetRow& row)
{
    const SFleetUnitHealth& h = row.health;
    return {row.name,           row.connection, h.reachable ? QStringLiteral("yes") : QStringLiteral("no"),
            h.serial,           h.activeFirmware, h.inactiveFirmware, h.selfTest, h.gpsFix, h.clockState,
            h.verdict,          h.latitude,       h.longitude,        h.error};
}

} // namespace

QByteArray FleetCsv(const std::vector<SFleetRow>& rows)
{
    QByteArray csv = QByteArray(kFleetCsvHeader) + '\n';
    for (const SFleetRow& row : rows) {
        const QStringList fields = Fields(row);
        for (qsizetype i = 0; i < fields.size(); ++i) {
            if (i)
                csv += ',';
            csv += CsvField(fields[i]);
        }
        csv += '\n';
    }
    return csv;
}

QByteArray FleetJson(const std::vector<SFleetRow>& rows)
{
    const QStringList keys = QString::fromLatin1(kFleetCsvHeader).split(u',');
    QJsonArray units;
    for (const SFleetRow& row : rows) {
        const QStringList fields = Fields(row);
        QJsonObject unit;
        for (qsizetype i = 0; i < keys.size(); ++i)
            unit.insert(keys[i], fields[i]);
        unit.insert(QStringLiteral("reachable"), row.health.reachable);
        // Numbers in degrees, as status --json gives them, the texts beside.
        const auto degrees = [](const std::optional<double>& value) {
            return value ? QJsonValue(*value) : QJsonValue(QJsonValue::Null);
        };
        unit.insert(QStringLiteral("latitude"), degrees(row.health.latitudeDegrees));
        unit.insert(QStringLiteral("latitude_text"), row.health.latitude);
        unit.insert(QStringLiteral("longitude"), degrees(row.health.longitudeDegrees));
        unit.insert(QStringLiteral("longitude_text"), row.health.longitude);
        units.append(unit);
    }
    return QJsonDocument(QJsonObject{{QStringLiteral("units"), units}}).toJson(QJsonDocument::Indented);
}

bool FleetHealthy(const std::vector<SFleetRow>& rows)
{
    for (const SFleetRow& row : rows) {
        if (!row.health.reachable || !row.health.selfTestOk)
            return false;
    }
    return true;
}

QString FleetUnitsText(std::size_t count)
{
    return count == 1 ? QStringLiteral("1 unit") : QStringLiteral("%1 units").arg(count);
}

QString FleetSummary(const std::vector<SFleetRow>& rows)
{
    std::size_t reachable = 0, failed = 0;
    for (const SFleetRow& row : rows) {
        reachable += row.health.reachable ? 1 : 0;
        failed += row.health.reachable && !row.health.selfTestOk ? 1 : 0;
    }
    return QStringLiteral("%1: %2 reachable, %3 unreachable, %4 not reporting self-test OK")
        .arg(FleetUnitsText(rows.size()))
        .arg(reachable)
        .arg(rows.size() - reachable)
        .arg(failed);
}
