#pragma once
// The fleet overview as a table: one row per unit of the node directory with
// what a sweep read of it (the columns of the fleet status CSV) and a health
// that sums the row up, coloured as the status windows colour the same
// conditions (amber fills its cell rather than colouring the text, which
// could not be read on a light window). Rows are listed from the directory before anything is read.
// No widgets: the window only shows it.

#include "fleet/FleetTable.h"
#include "fleet/FleetUnits.h"
#include "rks/RksNodeDirectory.h"

#include <QAbstractTableModel>
#include <QColor>

#include <cstddef>
#include <cstdint>
#include <vector>

// From worst to best, so that sorting by health puts the trouble first.
enum class EFleetHealth { Unreachable, Fault, Warning, OldFirmware, Ok, NotRead };

// Unreachable: no answer to the identity probe. Fault: the self-tests are not
// reported OK. Warning: another status the windows draw in their warning or
// caution colour (no GPS fix, a clock not locked, a bad or merely sufficient
// constellation), or part of the unit could not be read. OK otherwise.
[[nodiscard]] EFleetHealth FleetHealthOf(const SFleetUnitHealth& health);
[[nodiscard]] QString FleetHealthText(EFleetHealth health);
// The status windows' colour for the condition; invalid for "not read".
[[nodiscard]] QColor FleetHealthColour(EFleetHealth health);

// Whether firmware `name` is an older release than `than`: both names are
// of one family (the same text around their numbers, "QOR0290.bin" and
// "QOR0300.bin") and its numbers, read left to right, are smaller. Names of
// different families are not compared.
[[nodiscard]] bool FirmwareOlder(const QString& name, const QString& than);

class CFleetOverviewModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column {
        HealthColumn,
        NameColumn,
        ConnectionColumn,
        ReachableColumn,
        SerialColumn,
        ActiveFirmwareColumn,
        InactiveFirmwareColumn,
        SelfTestColumn,
        GpsFixColumn,
        ClockStateColumn,
        VerdictColumn,
        LatitudeColumn,
        LongitudeColumn,
        ErrorColumn,
        kColumnCount
    };

    explicit CFleetOverviewModel(QObject* parent = nullptr);

    // Every unit not read yet, in this order; a sweep's unit index is the
    // position in this list, whatever the sorting.
    void SetUnits(const std::vector<const RksNode*>& units);
    // A unit listed before (the same name and connection) keeps what was
    // read of it, marked as from an earlier refresh until it is read again.
    // What the sweep read of unit `unit` at `readAtMs` (ms since the epoch,
    // UTC); ignored for an index out of range.
    void SetHealth(std::size_t unit, const SFleetUnitHealth& health, std::int64_t readAtMs = 0);

    // The firmware every unit should run; empty: the newest one read.
    // Reachable units on an older release show "Old firmware".
    void SetExpectedFirmware(const QString& name);
    [[nodiscard]] QString ExpectedFirmware() const { return expectedFirmware_; }
    // What the units are compared with: the expected firmware, or else the
    // newest active firmware of the units read.
    [[nodiscard]] QString ReferenceFirmware() const;

    [[nodiscard]] std::size_t UnitCount() const { return units_.size(); }
    // Units read by the sweep since the last SetUnits.
    [[nodiscard]] std::size_t ReadCount() const { return readCount_; }
    // Units that show what an earlier refresh read of them.
    [[nodiscard]] std::size_t EarlierCount() const;
    [[nodiscard]] bool IsFromEarlierRefresh(int row) const;
    [[nodiscard]] QString UnitConnection(int row) const;
    [[nodiscard]] QString UnitName(int row) const;
    [[nodiscard]] EFleetHealth HealthAt(int row) const;
    // Why the unit could not be reached when it was last read; empty when it
    // was reached or not read.
    [[nodiscard]] QString UnitError(int row) const;
    // The units with values, in the order of the rows, as the fleet status CSV lists them.
    [[nodiscard]] std::vector<SFleetRow> ReadRows() const;
    // The connection strings in unit order, for the sweep.
    [[nodiscard]] std::vector<std::string> Connections() const;
    // The summary of the units read so far, as qora-cli prints it, with how
    // many are left when not all were read.
    [[nodiscard]] QString Summary() const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    // Stable: rows that compare equal keep their order.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

private:
    struct Unit {
        SFleetRow row;
        bool read = false;    // values are shown (from this refresh or an earlier one)
        bool earlier = false; // they are from an earlier refresh
        std::int64_t readAtMs = 0;
        EFleetHealth health = EFleetHealth::NotRead;
    };
    [[nodiscard]] const Unit* UnitAt(int row) const;
    [[nodiscard]] bool IsOld(const Unit& unit) const;
    [[nodiscard]] EFleetHealth HealthOf(const Unit& unit) const;
    // Takes the newest firmware read again; every row's health when it moved.
    void UpdateReference();
    [[nodiscard]] QString Text(const Unit& unit, int column) const;
    [[nodiscard]] QVariant Foreground(const Unit& unit, int column) const;
    [[nodiscard]] QVariant Background(const Unit& unit, int column) const;
    [[nodiscard]] QString ToolTip(const Unit& unit, int column) const;

    std::vector<Unit> units_;        // in directory order
    std::vector<std::size_t> order_; // row -> unit
    std::vector<std::size_t> rowOf_; // unit -> row
    std::size_t readCount_ = 0;
    QString expectedFirmware_;
    QString newestFirmware_; // of the units read
};
