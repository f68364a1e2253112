#include "sim/NodeDirectoryWriter.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

#include <string>
#include <unordered_map>

namespace sim {
namespace {

constexpr std::size_t kIndentedDirectoryUnits = 1000;

QString ConnectionTo(const QHostAddress& host, std::uint16_t port, std::uint16_t q1)
{
    return QStringLiteral("WP=SOCKET,HOST=%1,PORT=%2,WP=NEQ1,ADDR=%3").arg(host.toString()).arg(port).arg(q1);
}

} // namespace

QHostAddress OwnAddress(const QHostAddress& listen)
{
    if (listen == QHostAddress(QHostAddress::Any) || listen == QHostAddress(QHostAddress::AnyIPv4))
        return QHostAddress(QHostAddress::LocalHost);
    if (listen == QHostAddress(QHostAddress::AnyIPv6))
        return QHostAddress(QHostAddress::LocalHostIPv6);
    return listen;
}

QByteArray NodeDirectoryJson(const CUnitRegistry& registry, const QHostAddress& own, std::uint16_t port,
                             const QString& site)
{
    const auto& units = registry.Units();
    // Counted and resolved once per Q1 address: a fleet of thousands shares one.
    std::unordered_map<std::uint16_t, std::size_t> sharing;
    for (const auto& unit : units)
        ++sharing[unit->Address().q1Address];
    std::unordered_map<std::uint16_t, const CSimUnit*> foundByOwn;
    QJsonArray nodes;
    for (const auto& unit : units) {
        const UnitAddress& address = unit->Address();
        const bool shared = sharing[address.q1Address] > 1;

        // Through our own address when that finds this very unit; otherwise
        // by its IP, which only a client with the gateway setting can use.
        QString connection = ConnectionTo(own, port, address.q1Address);
        const auto found = foundByOwn.find(address.q1Address);
        const CSimUnit* byOwn = found != foundByOwn.end()
            ? found->second
            : foundByOwn.emplace(address.q1Address, registry.Resolve(connection.toStdString())).first->second;
        if (byOwn != unit.get())
            connection = ConnectionTo(address.ip, port, address.q1Address);

        QString name = QStringLiteral("QORA-%1").arg(address.q1Address);
        if (shared)
            name += QStringLiteral(" (%1)").arg(address.ip.toString());
        nodes.append(QJsonObject{{QStringLiteral("name"), name},
                                 {QStringLiteral("kind"), 1},
                                 {QStringLiteral("connection"), connection}});
    }
    const QJsonObject siteGroup{{QStringLiteral("name"), site}, {QStringLiteral("nodes"), nodes}};
    const QJsonObject network{{QStringLiteral("name"), QLatin1String(kDirectoryNetworkGroup)},
                              {QStringLiteral("groups"), QJsonArray{siteGroup}}};
    const QJsonObject top{
        {QStringLiteral("version"), 1},
        {QStringLiteral("comment"),
         QStringLiteral("Written by qora-unit-sim listening on %1; replaced whenever it starts with --directory.")
             .arg(site)},
        {QStringLiteral("groups"), QJsonArray{network}}};
    // Small directories are for reading; a fleet's is kept compact.
    const bool large = units.size() > kIndentedDirectoryUnits;
    return QJsonDocument(top).toJson(large ? QJsonDocument::Compact : QJsonDocument::Indented);
}

bool WriteFileWhole(const QString& path, const QByteArray& text, QString& error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        error = QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
        return false;
    }
    if (file.write(text) != text.size()) {
        error = QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
        file.cancelWriting(); // the file keeps what it held
        file.commit();
        return false;
    }
    if (!file.commit()) {
        error = QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
        return false;
    }
    return true;
}

} // namespace sim
