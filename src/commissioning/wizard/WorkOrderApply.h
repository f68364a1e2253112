#pragma once
// Bringing the wizard's pages to a known state before each run: the defaults,
// then the work order's values with the bounds the pages accept.

#include "commissioning/WorkOrder.h"
#include "commissioning/wizard/WizardPageValues.h"

// Position, altitude and GPS flags; both delays and 1PPS; Q1 address, speed
// and relay default; user name, actions and comments. Everything else stays
// (the addresses taken from a work order among them).
void ResetPages(SWizardPageValues& pages);

// Pre-fills the pages from a work order's values; a value out of the page's
// bounds gives way to 0 or the page's default.
void ApplyWorkOrderValues(SWizardPageValues& pages, const WorkOrderValues& values);

// An address text of a work order, split at its first three dots, each part's
// leading digits as a number (absolute value). Nothing when there are fewer
// than three dots or a part is beyond 255.
[[nodiscard]] std::optional<Ipv4Fields> WorkOrderOctets(const QString& text);
