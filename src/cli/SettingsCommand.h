#pragma once
// "qora-cli settings": the settings in effect, each with the name it is stored
// under, and where they are stored.

#include <QString>

// One "name: value" line per setting ("(default)" after values that are not
// stored), the local connection string, and first the store's location.
[[nodiscard]] QString SettingsReport();
