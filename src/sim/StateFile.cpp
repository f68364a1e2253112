#include "sim/StateFile.h"

#include "sim/CommissioningBlock.h"
#include "sim/FirmwareBanks.h"

#include <QByteArray>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

#include <string>
#include <utility>
#include <vector>

namespace sim {
namespace {

constexpr QLatin1StringView kFormat("qora-unit-sim-state");
constexpr int kVersion = 1;

struct PendingValue {
    CSimUnit* unit;
    std::uint16_t id;
    QByteArray value;
};

struct PendingBanks {
    CSimUnit* unit;
    std::string active;
    std::string inactive;
};

const QLatin1StringView kFirmwareKey("firmware");
const QLatin1StringView kCommissioningKey("commissioning");
const QLatin1StringView kAppliedKey("applied");
const QLatin1StringView kPendingKey("pending");

struct PendingCommissioning {
    CSimUnit* unit;
    std::optional<CommissioningSetup> applied;
    std::optional<CommissioningSetup> pending;
};

// {"active":"QOR0300.bin","inactive":""}: names a bank can hold, the active
// one not empty.
bool ParseBanks(const QJsonValue& value, std::string& active, std::string& inactive)
{
    const QJsonObject banks = value.toObject();
    const QJsonValue a = banks.value(QLatin1String("active"));
    const QJsonValue i = banks.value(QLatin1String("inactive"));
    if (!value.isObject() || !a.isString() || !i.isString())
        return false;
    active = a.toString().toStdString();
    inactive = i.toString().toStdString();
    return IsValidBankName(active) && (inactive.empty() || IsValidBankName(inactive));
}

bool ParseUnitKey(const QString& text, UnitAddress& address)
{
    const qsizetype colon = text.lastIndexOf(u':');
    bool ok = false;
    const uint q1 = text.mid(colon + 1).toUInt(&ok, 10);
    if (colon <= 0 || !ok || q1 > 0xFFFF || !address.ip.setAddress(text.left(colon)))
        return false;
    address.q1Address = std::uint16_t(q1);
    return true;
}

bool ParseHex(const QString& text, QByteArray& bytes)
{
    if (text.size() % 2 != 0)
        return false;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        const bool hex = (u >= '0' && u <= '9') || (u >= 'a' && u <= 'f') || (u >= 'A' && u <= 'F');
        if (!hex)
            return false;
    }
    bytes = QByteArray::fromHex(text.toLatin1());
    return true;
}

std::span<const std::uint8_t> Bytes(const QByteArray& bytes)
{
    return {reinterpret_cast<const std::uint8_t*>(bytes.constData()), std::size_t(bytes.size())};
}

QString Hex(std::span<const std::uint8_t> bytes)
{
    return QString::fromLatin1(
        QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size())).toHex());
}

// {"applied":"<hex>","pending":"<hex>"}, each optional, each a block the unit takes.
bool ParseCommissioning(const QJsonValue& value, PendingCommissioning& out)
{
    if (!value.isObject())
        return false;
    const QJsonObject object = value.toObject();
    for (const auto& [key, target] : {std::pair{kAppliedKey, &out.applied}, std::pair{kPendingKey, &out.pending}}) {
        if (!object.contains(key))
            continue;
        QByteArray block;
        if (!object.value(key).isString() || !ParseHex(object.value(key).toString(), block))
            return false;
        *target = ParseCommissioningBlock(Bytes(block));
        if (!*target)
            return false;
    }
    return true;
}

QJsonObject CommissioningEntry(const CCommissioning& commissioning)
{
    QJsonObject entry;
    if (const auto& applied = commissioning.Applied()) {
        entry.insert(QLatin1String("address"), QStringLiteral("%1:%2").arg(QString::fromStdString(applied->ip))
                                                   .arg(applied->q1Address));
        entry.insert(kAppliedKey, Hex(MakeCommissioningBlock(*applied)));
    }
    if (const auto& pending = commissioning.Pending())
        entry.insert(kPendingKey, Hex(MakeCommissioningBlock(*pending)));
    return entry;
}

} // namespace

CStateFile::CStateFile(QString path) : path_(std::move(path)) {}

CStateFile::LoadResult CStateFile::Load(CUnitRegistry& registry, QString& error)
{
    QFile file(path_);
    if (!file.exists())
        return LoadResult::Missing;
    const auto bad = [&](const QString& why) {
        error = QStringLiteral("state file %1 is not usable (%2); starting from defaults").arg(path_, why);
        return LoadResult::Bad;
    };
    if (!file.open(QIODevice::ReadOnly))
        return bad(file.errorString());

    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &parseError);
    if (parseError.error != QJsonParseError::NoError)
        return bad(QStringLiteral("%1 at byte %2").arg(parseError.errorString()).arg(parseError.offset));
    const QJsonObject root = document.object();
    if (!document.isObject() || root.value(QLatin1String("format")).toString() != kFormat)
        return bad(QStringLiteral("not a qora-unit-sim state file"));
    if (root.value(QLatin1String("version")).toInt(-1) != kVersion)
        return bad(QStringLiteral("unknown version"));
    const QJsonValue unitsValue = root.value(QLatin1String("units"));
    if (!unitsValue.isArray())
        return bad(QStringLiteral("no unit list"));

    std::vector<PendingValue> pending;
    std::vector<PendingBanks> pendingBanks;
    std::vector<PendingCommissioning> pendingCommissioning;
    QJsonArray others;
    for (const QJsonValue& entryValue : unitsValue.toArray()) {
        const QJsonObject entry = entryValue.toObject();
        const QString key = entry.value(QLatin1String("unit")).toString();
        UnitAddress address;
        if (!entryValue.isObject() || !ParseUnitKey(key, address)
            || !entry.value(QLatin1String("parameters")).isObject())
            return bad(QStringLiteral("malformed unit entry"));

        CSimUnit* unit = nullptr;
        for (const auto& candidate : registry.Units()) {
            if (candidate->HomeAddress() == address)
                unit = candidate.get();
        }
        if (!unit) {
            others.append(entry);
            continue;
        }

        if (entry.contains(kFirmwareKey)) {
            PendingBanks banks{unit, {}, {}};
            if (!ParseBanks(entry.value(kFirmwareKey), banks.active, banks.inactive))
                return bad(QStringLiteral("malformed firmware banks of unit %1").arg(key));
            pendingBanks.push_back(std::move(banks));
        }

        PendingCommissioning commissioning{unit, std::nullopt, std::nullopt};
        if (entry.contains(kCommissioningKey) && !ParseCommissioning(entry.value(kCommissioningKey), commissioning))
            return bad(QStringLiteral("malformed commissioning of unit %1").arg(key));
        pendingCommissioning.push_back(std::move(commissioning));

        const QJsonObject parameters = entry.value(QLatin1String("parameters")).toObject();
        for (auto it = parameters.begin(); it != parameters.end(); ++it) {
            bool ok = false;
            const uint id = it.key().toUInt(&ok, 16);
            QByteArray value;
            if (!ok || id > 0xFFFF || !it.value().isString() || !ParseHex(it.value().toString(), value))
                return bad(QStringLiteral("malformed value of parameter %1 of unit %2").arg(it.key(), key));
            const ParameterDescriptor* p = unit->Model().Catalog().FindParameter(std::uint16_t(id));
            if (!p || p->access != Access::ReadWrite)
                continue; // not something this unit keeps
            const bool fits = value.size() >= p->minLength && value.size() <= p->maxLength
                && (!p->checkWrite || p->checkWrite(Bytes(value)) == kStatusOk);
            if (!fits)
                return bad(QStringLiteral("value of parameter %1 of unit %2 is refused").arg(it.key(), key));
            pending.push_back({unit, std::uint16_t(id), std::move(value)});
        }
    }

    for (const PendingValue& v : pending)
        v.unit->Model().Restore(v.id, Bytes(v.value));
    for (const PendingBanks& b : pendingBanks)
        b.unit->Model().RestoreBanks(b.active, b.inactive);
    // After the values: a pending block overrides them as its restart would.
    for (const PendingCommissioning& c : pendingCommissioning) {
        c.unit->Model().RestoreCommissioning(c.applied, c.pending);
        c.unit->FollowCommissioning();
    }
    otherUnits_ = others;
    return LoadResult::Loaded;
}

bool CStateFile::Save(const CUnitRegistry& registry, QString& error)
{
    QJsonArray units;
    for (const auto& unit : registry.Units()) {
        QJsonObject parameters;
        for (const ParameterDescriptor& p : unit->Model().Catalog().parameters) {
            // Defaults stay out: the file holds what the tool wrote.
            if (p.access != Access::ReadWrite || !unit->Model().Written(p.id))
                continue;
            const std::span<const std::uint8_t> value = unit->Model().Value(p.id);
            const QByteArray bytes(reinterpret_cast<const char*>(value.data()), qsizetype(value.size()));
            parameters.insert(QString::asprintf("%04x", unsigned(p.id)), QString::fromLatin1(bytes.toHex()));
        }
        QJsonObject entry;
        entry.insert(QLatin1String("unit"), QString::fromStdString(unit->HomeAddress().ToString()));
        entry.insert(QLatin1String("parameters"), parameters);
        // Likewise the banks, once a download or an activation changed them.
        const CFirmwareBanks& banks = unit->Model().Firmware().Banks();
        if (banks.Changed()) {
            QJsonObject names;
            names.insert(QLatin1String("active"), QString::fromStdString(banks.Active()));
            names.insert(QLatin1String("inactive"), QString::fromStdString(banks.Inactive()));
            entry.insert(kFirmwareKey, names);
        }
        const CCommissioning& commissioning = unit->Model().Commissioning();
        if (commissioning.Applied() || commissioning.Pending())
            entry.insert(kCommissioningKey, CommissioningEntry(commissioning));
        units.append(entry);
    }
    for (const QJsonValue& other : otherUnits_)
        units.append(other);

    QJsonObject root;
    root.insert(QLatin1String("format"), kFormat);
    root.insert(QLatin1String("version"), kVersion);
    root.insert(QLatin1String("units"), units);

    // QSaveFile writes a temporary file beside the target, syncs it and renames
    // it over the target, so a crash leaves either the old or the new file.
    QSaveFile file(path_);
    if (!file.open(QIODevice::WriteOnly)) {
        error = QStringLiteral("cannot write state file %1: %2").arg(path_, file.errorString());
        return false;
    }
    file.write(QJsonDocument(root).toJson(QJsonDocument::Indented));
    if (!file.commit()) {
        error = QStringLiteral("cannot write state file %1: %2").arg(path_, file.errorString());
        return false;
    }
    return true;
}

} // namespace sim
