#pragma once
// What Finish hands to commissioning: the pages' values in the form the
// commissioning group writes. The address texts are the Q1 page's own, empty
// when that page was never passed.

#include "commissioning/CommissionValues.h"
#include "commissioning/wizard/WizardPageValues.h"

[[nodiscard]] SCommissionValues GatherCommissionValues(const SWizardPageValues& pages);
