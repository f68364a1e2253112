#pragma once
// Writing parameters into the work order document and saving it. A parameter
// is the first p element of that name below the unit element; a missing one
// is appended as the unit element's last child, in the unit's namespace.
// Everything else in the document stays as loaded.

#include "commissioning/WorkOrder.h"

#include <QString>

#include <cstdint>

// Each false when there is no unit element or the document cannot take the
// value; the parameter then stays as it was.
bool SetParameterText(CWorkOrder& workOrder, const QString& name, const QString& text);
bool SetParameterInt(CWorkOrder& workOrder, const QString& name, std::int32_t value);
// "%.*f" of the value with the precision.
bool SetParameterReal(CWorkOrder& workOrder, const QString& name, double value, int precision);

// The first p element of that name below the unit element, or none.
[[nodiscard]] xmlNodePtr FindParameterElement(const CWorkOrder& workOrder, const QString& name);

// Text as an XML document can hold it: characters XML 1.0 forbids (control
// characters other than tab and line ends, lone surrogates) are left out.
[[nodiscard]] QString XmlSafeText(const QString& text);

struct WorkOrderSaveResult {
    bool saved = false;
    QString error; // why the file could not be written
};

// Writes the document whole or not at all: a file already at the path stays
// as it was when anything fails.
[[nodiscard]] WorkOrderSaveResult SaveWorkOrder(const CWorkOrder& workOrder, const QString& path);
