#include "sim/UnitRegistry.h"

#include "sim/ConnectionString.h"

#include <QString>

#include <charconv>

namespace sim {
namespace {

UnitSeed SeedOf(const UnitAddress& address)
{
    return UnitSeed{address.ip.toString().toStdString(), address.q1Address};
}

bool ParseQ1Address(std::string_view text, std::uint16_t& value)
{
    if (text.empty())
        return false;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 10);
    return error == std::errc() && end == text.data() + text.size();
}

} // namespace

std::string UnitAddress::ToString() const
{
    return ip.toString().toStdString() + ':' + std::to_string(q1Address);
}

bool operator==(const UnitAddress& a, const UnitAddress& b)
{
    return a.q1Address == b.q1Address && a.ip.isEqual(b.ip, QHostAddress::TolerantConversion);
}

CSimUnit::CSimUnit(const UnitAddress& address, const UnitCatalog& catalog, const UnitBehaviour& behaviour)
    : home_(address), address_(address), label_(address.ToString()), model_(catalog, SeedOf(address), behaviour)
{
}

void CSimUnit::FollowCommissioning()
{
    address_ = home_;
    if (const std::optional<CommissioningSetup>& setup = model_.Commissioning().Applied())
        address_ = UnitAddress{QHostAddress(QString::fromStdString(setup->ip)), setup->q1Address};
    label_ = address_.ToString();
}

bool CUnitRegistry::Add(const UnitAddress& address, const UnitCatalog& catalog, const UnitBehaviour& behaviour)
{
    for (const auto& unit : units_) {
        if (unit->Address() == address)
            return false;
    }
    units_.push_back(std::make_unique<CSimUnit>(address, catalog, behaviour));
    return true;
}

CSimUnit* CUnitRegistry::Resolve(std::string_view connection) const
{
    const auto addrText = ConnectionItem(connection, "ADDR");
    std::uint16_t q1 = 0;
    if (!addrText || !ParseQ1Address(*addrText, q1))
        return nullptr;

    auto hostText = ConnectionItem(connection, "HOST");
    if (hostText && hostText->empty())
        hostText.reset(); // "HOST=" names no host
    QHostAddress host;
    if (hostText && !host.setAddress(QString::fromLatin1(hostText->data(), qsizetype(hostText->size()))))
        return nullptr;

    const auto find = [&](bool byHost) -> CSimUnit* {
        for (const auto& unit : units_) {
            if (unit->Address().q1Address != q1)
                continue;
            if (byHost && !unit->Address().ip.isEqual(host, QHostAddress::TolerantConversion))
                continue;
            return unit.get();
        }
        return nullptr;
    };
    if (!hostText)
        return find(false);
    if (CSimUnit* unit = find(true))
        return unit;
    if (!ownAddress_.isNull() && host.isEqual(ownAddress_, QHostAddress::TolerantConversion)) {
        // The gateway itself, unless a unit has its address (then HOST meant that unit).
        for (const auto& unit : units_) {
            if (unit->Address().ip.isEqual(host, QHostAddress::TolerantConversion))
                return nullptr;
        }
        return find(false);
    }
    return nullptr;
}

} // namespace sim
