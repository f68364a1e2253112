#include "fleet/FleetOverviewModel.h"

#include "status/constellation/ConstellationStatisticsView.h"
#include "status/install/InstallStatusView.h"

#include <QDateTime>
#include <QFont>

#include <algorithm>
#include <array>
#include <map>
#include <numeric>

namespace {

QColor Rgb(std::uint32_t rgb)
{
    return QColor::fromRgb(QRgb(rgb));
}

QColor ColourOf(StatusColour colour)
{
    switch (colour) {
    case StatusColour::Good: return Rgb(InstallColours::kGood);
    case StatusColour::Warning: return Rgb(InstallColours::kWarning);
    case StatusColour::Caution: return Rgb(InstallColours::kCaution);
    case StatusColour::WindowText: break;
    }
    return {};
}

// The verdict pane's colours.
StatusColour VerdictColour(std::int32_t verdict)
{
    switch (verdict) {
    case CConstellationStatisticsView::kVerdictGood: return StatusColour::Good;
    case CConstellationStatisticsView::kVerdictSufficient: return StatusColour::Caution;
    case CConstellationStatisticsView::kVerdictBad: return StatusColour::Warning;
    default: return StatusColour::WindowText;
    }
}

// The coloured status cells of a row: column, colour, label for a tool tip.
struct StatusCell {
    int column;
    StatusColour colour;
    const char* label;
    const QString* text;
};

std::array<StatusCell, 4> StatusCells(const SFleetUnitHealth& h)
{
    return {{
        {CFleetOverviewModel::SelfTestColumn, CInstallStatusView::ColourOfCode(h.selfTestCode), "Self-tests",
         &h.selfTest},
        {CFleetOverviewModel::GpsFixColumn, CInstallStatusView::ColourOfCode(h.gpsFixCode), "GPS fix", &h.gpsFix},
        {CFleetOverviewModel::ClockStateColumn, CInstallStatusView::ColourOfCode(h.clockStateCode), "Clock state",
         &h.clockState},
        {CFleetOverviewModel::VerdictColumn, VerdictColour(h.verdictCode), "Constellation", &h.verdict},
    }};
}

const char* const kHeaders[CFleetOverviewModel::kColumnCount] = {
    "Health",      "Name",          "Connection",  "Reachable", "Serial Number", "Active Firmware", "Inactive Firmware",
    "Self-Tests",  "GPS Fix",       "Clock State", "Verdict",   "Latitude",      "Longitude",       "Error",
};

// Compares texts as people read them: runs of digits by their value
// ("QORA-9" before "QORA-10"), the rest without regard to case.
int NaturalCompare(const QString& a, const QString& b)
{
    qsizetype i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (a[i].isDigit() && b[j].isDigit()) {
            qsizetype ei = i, ej = j;
            while (ei < a.size() && a[ei].isDigit())
                ++ei;
            while (ej < b.size() && b[ej].isDigit())
                ++ej;
            // Leading zeros do not count; a longer run is the larger number.
            QStringView da = QStringView(a).mid(i, ei - i), db = QStringView(b).mid(j, ej - j);
            while (da.size() > 1 && da.front() == u'0')
                da = da.mid(1);
            while (db.size() > 1 && db.front() == u'0')
                db = db.mid(1);
            if (da.size() != db.size())
                return da.size() < db.size() ? -1 : 1;
            if (const int c = da.compare(db); c != 0)
                return c;
            i = ei;
            j = ej;
            continue;
        }
        const QChar ca = a[i].toCaseFolded(), cb = b[j].toCaseFolded();
        if (ca != cb)
            return ca < cb ? -1 : 1;
        ++i;
        ++j;
    }
    if (i < a.size() || j < b.size())
        return i < a.size() ? 1 : -1;
    return 0;
}

// A firmware name as its family (the text with each run of digits as '#',
// case folded) and its numbers (the digit runs without leading zeros).
struct FirmwareVersion {
    QString family;
    QStringList numbers;
};

FirmwareVersion VersionOf(const QString& name)
{
    FirmwareVersion version;
    const QString text = name.trimmed();
    for (qsizetype i = 0; i < text.size();) {
        if (!text[i].isDigit()) {
            version.family += text[i++].toCaseFolded();
            continue;
        }
        qsizetype end = i;
        while (end < text.size() && text[end].isDigit())
            ++end;
        QString digits = text.mid(i, end - i);
        while (digits.size() > 1 && digits.front() == u'0')
            digits.remove(0, 1);
        version.numbers << digits;
        version.family += u'#';
        i = end;
    }
    return version;
}

QString TimeText(std::int64_t ms)
{
    return QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC).toString(QStringLiteral("HH:mm:ss"));
}

} // namespace

EFleetHealth FleetHealthOf(const SFleetUnitHealth& health)
{
    if (!health.reachable)
        return EFleetHealth::Unreachable;
    if (!health.selfTestOk)
        return EFleetHealth::Fault;
    if (!health.error.isEmpty())
        return EFleetHealth::Warning;
    for (const StatusCell& cell : StatusCells(health))
        if (cell.colour == StatusColour::Warning || cell.colour == StatusColour::Caution)
            return EFleetHealth::Warning;
    return EFleetHealth::Ok;
}

QString FleetHealthText(EFleetHealth health)
{
    switch (health) {
    case EFleetHealth::Unreachable: return QStringLiteral("Unreachable");
    case EFleetHealth::Fault: return QStringLiteral("Fault");
    case EFleetHealth::Warning: return QStringLiteral("Warning");
    case EFleetHealth::OldFirmware: return QStringLiteral("Old firmware");
    case EFleetHealth::Ok: return QStringLiteral("OK");
    case EFleetHealth::NotRead: break;
    }
    return QStringLiteral("Not read");
}

QColor FleetHealthColour(EFleetHealth health)
{
    switch (health) {
    case EFleetHealth::Unreachable:
    case EFleetHealth::Fault: return ColourOf(StatusColour::Warning);
    case EFleetHealth::Warning:
    case EFleetHealth::OldFirmware: return ColourOf(StatusColour::Caution);
    case EFleetHealth::Ok: return ColourOf(StatusColour::Good);
    case EFleetHealth::NotRead: break;
    }
    return {};
}

bool FirmwareOlder(const QString& name, const QString& than)
{
    const FirmwareVersion a = VersionOf(name), b = VersionOf(than);
    if (a.numbers.isEmpty() || a.family != b.family)
        return false;
    for (qsizetype i = 0; i < a.numbers.size(); ++i) {
        const QString& x = a.numbers[i];
        const QString& y = b.numbers[i];
        if (x.size() != y.size())
            return x.size() < y.size();
        if (const int c = x.compare(y); c != 0)
            return c < 0;
    }
    return false;
}

CFleetOverviewModel::CFleetOverviewModel(QObject* parent) : QAbstractTableModel(parent) {}

void CFleetOverviewModel::SetUnits(const std::vector<const RksNode*>& units)
{
    beginResetModel();
    // What was read of a unit stays on show until the unit is read again.
    std::map<std::pair<QString, QString>, Unit> before;
    for (Unit& unit : units_)
        if (unit.read)
            before.emplace(std::make_pair(unit.row.name, unit.row.connection), std::move(unit));
    units_.clear();
    units_.reserve(units.size());
    for (const RksNode* node : units) {
        Unit unit;
        unit.row.name = QString::fromStdString(node->name);
        unit.row.connection = QString::fromStdString(node->connection);
        if (auto found = before.find({unit.row.name, unit.row.connection}); found != before.end()) {
            unit = std::move(found->second);
            unit.earlier = true;
            before.erase(found);
        }
        units_.push_back(std::move(unit));
    }
    order_.resize(units_.size());
    std::iota(order_.begin(), order_.end(), std::size_t{0});
    rowOf_ = order_;
    readCount_ = 0;
    UpdateReference();
    for (Unit& unit : units_)
        unit.health = HealthOf(unit);
    endResetModel();
}

void CFleetOverviewModel::SetHealth(std::size_t unit, const SFleetUnitHealth& health, std::int64_t readAtMs)
{
    if (unit >= units_.size())
        return;
    Unit& target = units_[unit];
    // The unit that held the newest release may hold another now.
    const bool heldNewest = target.read && !newestFirmware_.isEmpty() &&
                            target.row.health.activeFirmware == newestFirmware_ &&
                            health.activeFirmware != newestFirmware_;
    target.row.health = health;
    readCount_ += target.read && !target.earlier ? 0 : 1;
    target.read = true;
    target.earlier = false;
    target.readAtMs = readAtMs;
    const QString reference = ReferenceFirmware();
    if (heldNewest)
        UpdateReference();
    else if (health.reachable &&
        (newestFirmware_.isEmpty() || FirmwareOlder(newestFirmware_, health.activeFirmware)))
        newestFirmware_ = health.activeFirmware;
    if (ReferenceFirmware() != reference) {
        // Every unit is compared with the new release.
        for (Unit& each : units_)
            each.health = HealthOf(each);
        emit dataChanged(index(0, 0), index(rowCount() - 1, kColumnCount - 1));
        return;
    }
    target.health = HealthOf(target);
    const int row = int(rowOf_[unit]);
    emit dataChanged(index(row, 0), index(row, kColumnCount - 1));
}

void CFleetOverviewModel::SetExpectedFirmware(const QString& name)
{
    if (name.trimmed() == expectedFirmware_)
        return;
    expectedFirmware_ = name.trimmed();
    UpdateReference();
    for (Unit& unit : units_)
        unit.health = HealthOf(unit);
    if (rowCount() > 0)
        emit dataChanged(index(0, 0), index(rowCount() - 1, kColumnCount - 1));
}

QString CFleetOverviewModel::ReferenceFirmware() const
{
    return expectedFirmware_.isEmpty() ? newestFirmware_ : expectedFirmware_;
}

void CFleetOverviewModel::UpdateReference()
{
    newestFirmware_.clear();
    for (const Unit& unit : units_)
        if (unit.read && unit.row.health.reachable &&
            (newestFirmware_.isEmpty() || FirmwareOlder(newestFirmware_, unit.row.health.activeFirmware)))
            newestFirmware_ = unit.row.health.activeFirmware;
}

bool CFleetOverviewModel::IsOld(const Unit& unit) const
{
    return unit.read && unit.row.health.reachable && FirmwareOlder(unit.row.health.activeFirmware, ReferenceFirmware());
}

EFleetHealth CFleetOverviewModel::HealthOf(const Unit& unit) const
{
    if (!unit.read)
        return EFleetHealth::NotRead;
    const EFleetHealth health = FleetHealthOf(unit.row.health);
    return health == EFleetHealth::Ok && IsOld(unit) ? EFleetHealth::OldFirmware : health;
}

std::vector<SFleetRow> CFleetOverviewModel::ReadRows() const
{
    std::vector<SFleetRow> rows;
    for (std::size_t unit : order_)
        if (units_[unit].read)
            rows.push_back(units_[unit].row);
    return rows;
}

QString CFleetOverviewModel::UnitError(int row) const
{
    const Unit* unit = UnitAt(row);
    return unit && unit->read && !unit->row.health.reachable ? unit->row.health.error : QString();
}

std::size_t CFleetOverviewModel::EarlierCount() const
{
    return std::size_t(std::count_if(units_.begin(), units_.end(), [](const Unit& u) { return u.earlier; }));
}

bool CFleetOverviewModel::IsFromEarlierRefresh(int row) const
{
    const Unit* unit = UnitAt(row);
    return unit && unit->earlier;
}

const CFleetOverviewModel::Unit* CFleetOverviewModel::UnitAt(int row) const
{
    return row >= 0 && std::size_t(row) < order_.size() ? &units_[order_[std::size_t(row)]] : nullptr;
}

QString CFleetOverviewModel::UnitConnection(int row) const
{
    const Unit* unit = UnitAt(row);
    return unit ? unit->row.connection : QString();
}

QString CFleetOverviewModel::UnitName(int row) const
{
    const Unit* unit = UnitAt(row);
    return unit ? unit->row.name : QString();
}

EFleetHealth CFleetOverviewModel::HealthAt(int row) const
{
    const Unit* unit = UnitAt(row);
    return unit ? unit->health : EFleetHealth::NotRead;
}

std::vector<std::string> CFleetOverviewModel::Connections() const
{
    std::vector<std::string> connections;
    connections.reserve(units_.size());
    for (const Unit& unit : units_)
        connections.push_back(unit.row.connection.toStdString());
    return connections;
}

QString CFleetOverviewModel::Summary() const
{
    std::vector<SFleetRow> read;
    for (const Unit& unit : units_)
        if (unit.read)
            read.push_back(unit.row);
    if (read.empty())
        return QStringLiteral("%1, not read yet").arg(FleetUnitsText(units_.size()));
    QString summary = FleetSummary(read);
    QStringList notes;
    if (read.size() < units_.size())
        notes << QStringLiteral("%1 of %2 not read").arg(units_.size() - read.size()).arg(FleetUnitsText(units_.size()));
    if (const std::size_t earlier = EarlierCount(); earlier > 0)
        notes << QStringLiteral("%1 of %2 as an earlier refresh read %3")
                     .arg(earlier)
                     .arg(FleetUnitsText(units_.size()), earlier == 1 ? QStringLiteral("it") : QStringLiteral("them"));
    if (!notes.isEmpty())
        summary += QStringLiteral(" (%1)").arg(notes.join(QStringLiteral("; ")));
    return summary;
}

int CFleetOverviewModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(order_.size());
}

int CFleetOverviewModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : kColumnCount;
}

QString CFleetOverviewModel::Text(const Unit& unit, int column) const
{
    const SFleetUnitHealth& h = unit.row.health;
    switch (column) {
    case HealthColumn: return FleetHealthText(unit.health);
    case NameColumn: return unit.row.name;
    case ConnectionColumn: return unit.row.connection;
    default: break;
    }
    if (!unit.read)
        return {};
    switch (column) {
    case ReachableColumn: return h.reachable ? QStringLiteral("Yes") : QStringLiteral("No");
    case SerialColumn: return h.serial;
    case ActiveFirmwareColumn: return h.activeFirmware;
    case InactiveFirmwareColumn: return h.inactiveFirmware;
    case SelfTestColumn: return h.selfTest;
    case GpsFixColumn: return h.gpsFix;
    case ClockStateColumn: return h.clockState;
    case VerdictColumn: return h.verdict;
    case LatitudeColumn: return h.latitude;
    case LongitudeColumn: return h.longitude;
    case ErrorColumn: return h.error;
    default: return {};
    }
}

QVariant CFleetOverviewModel::Foreground(const Unit& unit, int column) const
{
    if (column == ActiveFirmwareColumn && IsOld(unit))
        return QColor(Qt::black);
    if (column == HealthColumn) {
        // The health is a filled cell; amber takes dark text, the others light.
        if (unit.health == EFleetHealth::NotRead)
            return {};
        return unit.health == EFleetHealth::Warning ? QColor(Qt::black) : QColor(Qt::white);
    }
    if (!unit.read || !unit.row.health.reachable)
        return unit.earlier ? QVariant(QColor(Qt::darkGray)) : QVariant();
    for (const StatusCell& cell : StatusCells(unit.row.health))
        if (cell.column == column) {
            // Amber text can't be read on a light window: it fills the cell instead.
            if (cell.colour == StatusColour::Caution)
                return QColor(Qt::black);
            const QColor colour = ColourOf(cell.colour);
            return colour.isValid() ? QVariant(colour) : QVariant();
        }
    // Values of an earlier refresh are greyed until the unit is read again.
    return unit.earlier ? QVariant(QColor(Qt::darkGray)) : QVariant();
}

QVariant CFleetOverviewModel::Background(const Unit& unit, int column) const
{
    if (column == ActiveFirmwareColumn && IsOld(unit))
        return ColourOf(StatusColour::Caution);
    if (column == HealthColumn)
        return unit.health == EFleetHealth::NotRead ? QVariant() : QVariant(FleetHealthColour(unit.health));
    if (!unit.read || !unit.row.health.reachable)
        return {};
    for (const StatusCell& cell : StatusCells(unit.row.health))
        if (cell.column == column && cell.colour == StatusColour::Caution)
            return ColourOf(cell.colour);
    return {};
}

QString CFleetOverviewModel::ToolTip(const Unit& unit, int column) const
{
    if (column == ErrorColumn || column == ConnectionColumn)
        return Text(unit, column);
    const QString olderThan = expectedFirmware_.isEmpty()
                                  ? QStringLiteral("older than %1, the newest firmware read").arg(ReferenceFirmware())
                                  : QStringLiteral("older than %1, the expected firmware").arg(ReferenceFirmware());
    if (column == ActiveFirmwareColumn && IsOld(unit))
        return olderThan.at(0).toUpper() + olderThan.mid(1);
    if (column != HealthColumn || !unit.read)
        return {};
    const SFleetUnitHealth& h = unit.row.health;
    QStringList why;
    if (unit.earlier)
        why << (unit.readAtMs ? QStringLiteral("As read at %1 UTC, by an earlier refresh").arg(TimeText(unit.readAtMs))
                              : QStringLiteral("As an earlier refresh read it"));
    if (!h.reachable)
        return (why << h.error).join(u'\n');
    for (const StatusCell& cell : StatusCells(h))
        if (cell.colour == StatusColour::Warning || cell.colour == StatusColour::Caution
            || (cell.column == SelfTestColumn && !h.selfTestOk))
            why << QStringLiteral("%1: %2").arg(QLatin1String(cell.label), *cell.text);
    if (!h.error.isEmpty())
        why << h.error;
    if (IsOld(unit))
        why << QStringLiteral("Active firmware %1: %2").arg(h.activeFirmware, olderThan);
    return why.join(u'\n');
}

QVariant CFleetOverviewModel::data(const QModelIndex& index, int role) const
{
    const Unit* unit = index.isValid() ? UnitAt(index.row()) : nullptr;
    if (!unit || index.column() < 0 || index.column() >= kColumnCount)
        return {};
    switch (role) {
    case Qt::DisplayRole: return Text(*unit, index.column());
    case Qt::ForegroundRole: return Foreground(*unit, index.column());
    case Qt::BackgroundRole: return Background(*unit, index.column());
    case Qt::FontRole:
        if (unit->earlier) {
            QFont italic;
            italic.setItalic(true);
            return italic;
        }
        return {};
    case Qt::ToolTipRole: {
        const QString tip = ToolTip(*unit, index.column());
        return tip.isEmpty() ? QVariant() : QVariant(tip);
    }
    default: return {};
    }
}

QVariant CFleetOverviewModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= kColumnCount)
        return QAbstractTableModel::headerData(section, orientation, role);
    return QString::fromLatin1(kHeaders[section]);
}

void CFleetOverviewModel::sort(int column, Qt::SortOrder order)
{
    if (column < 0 || column >= kColumnCount)
        return;
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    std::vector<std::size_t> unitsBefore;
    unitsBefore.reserve(std::size_t(before.size()));
    for (const QModelIndex& index : before)
        unitsBefore.push_back(order_[std::size_t(index.row())]);

    const auto less = [&](std::size_t a, std::size_t b) {
        const Unit& ua = units_[a];
        const Unit& ub = units_[b];
        if (column == HealthColumn)
            return ua.health < ub.health;
        return NaturalCompare(Text(ua, column), Text(ub, column)) < 0;
    };
    std::stable_sort(order_.begin(), order_.end(), [&](std::size_t a, std::size_t b) {
        if (column != HealthColumn) {
            const bool ea = Text(units_[a], column).isEmpty(), eb = Text(units_[b], column).isEmpty();
            if (ea != eb)
                return eb; // empty cells after filled ones, in both orders
        }
        return order == Qt::AscendingOrder ? less(a, b) : less(b, a);
    });

    for (std::size_t row = 0; row < order_.size(); ++row)
        rowOf_[order_[row]] = row;
    QModelIndexList after;
    after.reserve(before.size());
    for (qsizetype i = 0; i < before.size(); ++i)
        after.append(index(int(rowOf_[unitsBefore[std::size_t(i)]]), before[i].column()));
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}
