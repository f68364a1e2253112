#pragma once
// What Finish hands to commissioning: the pages' values in the form the
// commissioning group writes.

#include "commissioning/CommissionValues.h"
#include "commissioning/wizard/WizardPageValues.h"

[[nodiscard]] SCommissionValues GatherCommissionValues(const SWizardPageValues& pages);
