#pragma once
// Reading a work order: the streaming parse that keeps the QORA units, the
// units offered for the choice, and the opening of a work order with its
// values for the main frame and qora-cli. Nothing here asks or tells the
// user: the caller chooses the unit and shows the messages the failures
// carry, in the order they come.

#include "commissioning/WorkOrder.h"
#include "commissioning/WorkOrderResult.h"
#include "commissioning/XmlPtr.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <vector>

// A work order as read, before its unit is chosen: the filtered document and
// its units in document order, each named by its distName.
class CWorkOrderUnits {
public:
    CWorkOrderUnits(XmlPtr<xmlDoc> doc, std::vector<xmlNodePtr> units, QStringList names);

    [[nodiscard]] const QStringList& Names() const { return names_; }

    // The work order holding the unit at `index` (outside the list: the first)
    // and no other unit.
    [[nodiscard]] CWorkOrder Choose(int index) &&;
    // A copy of that unit as Choose leaves it (the units inside it dropped),
    // in a document of its own without what stands around it: its values read
    // as they read after Choose, while the list stays whole for the next unit.
    // Throws std::bad_alloc when memory runs out.
    [[nodiscard]] CWorkOrder CopyUnit(int index) const;

private:
    XmlPtr<xmlDoc> doc_;
    std::vector<xmlNodePtr> units_; // inside doc_, never empty
    QStringList names_;
};

// The file's units, or why it cannot be used: 61289 when it cannot be read,
// is not well-formed, declares a document type or keeps more than
// CWorkOrder::MaxKeptSize; 61290 when it has no unit or a unit without a
// distName; 61288 when no query can be made; 61250 when memory runs out.
[[nodiscard]] WorkOrderResult<CWorkOrderUnits> ReadWorkOrderFile(const QString& path);
[[nodiscard]] WorkOrderResult<CWorkOrderUnits> ReadWorkOrderBytes(const QByteArray& xml);

// The index of the unit to keep: what `choose` answers when the work order
// offers several units, else 0. `choose` is never asked about a single unit.
[[nodiscard]] int ChooseUnit(const CWorkOrderUnits& units, const UnitChooser& choose);

// What the user is told when a work order could not be opened: the reader's
// own message first, as an error, when it refused the file; then plainly
// 61249, or 61250 alone when memory ran out.
struct WorkOrderOpenFailure {
    std::optional<WorkOrderError> reading;
    unsigned messageId = WorkOrderStringId::ReadError;
    QString detail; // why, for the log
};

// Opens a work order for the main frame or qora-cli: replaces the current
// one, has `choose` pick the unit when the file holds several, reads its
// values into the record (created when there is none) and remembers the
// path. A failure leaves no work order (and, when the values could not be
// read, no record either), keeps the path and is logged with its reason.
WorkOrderStatus<WorkOrderOpenFailure> OpenWorkOrder(const QString& path, const UnitChooser& choose,
                                                    std::unique_ptr<CWorkOrder>& workOrder,
                                                    std::unique_ptr<WorkOrderValues>& values, QString& currentPath);
