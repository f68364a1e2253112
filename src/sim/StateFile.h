#pragma once
// The state file: the values the tool wrote to the units' writable
// parameters, so that a restarted simulator keeps its configuration. JSON:
//   {"format":"qora-unit-sim-state","version":1,
//    "units":[{"unit":"192.168.255.120:131","parameters":{"9002":"<hex>"},
//              "firmware":{"active":"QOR0300.bin","inactive":"QOR0310.bin"}}]}
// ("firmware" only once a download or an activation changed the banks), and
// once a commissioning was closed
//   "commissioning":{"address":"10.1.2.3:200","applied":"<hex>","pending":"<hex>"}
// with the 88-byte blocks the unit runs with and will run with after its next
// restart ("address", where the applied block puts the unit, is for the
// reader). "unit" is always the address the unit was started with; a pending
// block is applied on loading, as the restart it is.
// A file is taken whole or not at all, and replaced whole or not at all.

#include "sim/UnitRegistry.h"

#include <QJsonArray>
#include <QString>

namespace sim {

class CStateFile {
public:
    explicit CStateFile(QString path);

    enum class LoadResult { Missing, Loaded, Bad };

    // Sets the values kept for the registry's units. On Bad nothing is changed
    // and `error` says why. Entries of units not in the registry, and values of
    // parameters the units do not keep, are left alone.
    LoadResult Load(CUnitRegistry& registry, QString& error);

    // Replaces the file with the registry's values (and the entries of other
    // units found by Load) through a synced temporary file in the same folder.
    bool Save(const CUnitRegistry& registry, QString& error);

    [[nodiscard]] const QString& Path() const { return path_; }

private:
    QString path_;
    QJsonArray otherUnits_;
};

} // namespace sim
