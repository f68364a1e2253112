// A source that reaches up into the application: the layering check must refuse it.
#include "settings/Registry.h"
#include "app/ManagerSettings.h"
