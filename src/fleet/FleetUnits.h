#pragma once
// Which units a fleet job reads: the remote units of the node directory, all
// of them or those of one group and its subgroups.

#include "rks/RksNodeDirectory.h"

#include <QString>

#include <optional>
#include <string>
#include <vector>

// The nodes of the unit kind in a directory group and its subgroups, in the
// order the browser lists them.
[[nodiscard]] std::vector<const RksNode*> FleetUnitsOf(const RksNodeGroup& group);

// The units of every group of that name (compared without blanks at the
// ends), wherever it is; false when there is no such group.
bool CollectFleetGroup(const RksNodeGroup& group, const std::string& name, std::vector<const RksNode*>& units);

enum class EFleetLoad { Loaded, NoDirectory, Unreadable, NoGroup };

struct SFleetUnits {
    EFleetLoad result = EFleetLoad::NoDirectory;
    QString path; // the directory read (the configured one when none was given)
    QString why;  // why it could not be read
    std::vector<const RksNode*> units; // pointing into the directory
};

// Loads the node directory into `directory` (the configured one when
// `directoryPath` is empty) and lists its units, of `group` when given.
[[nodiscard]] SFleetUnits LoadFleetDirectory(const QString& directoryPath, const std::optional<std::string>& group,
                                             CRksNodeDirectory& directory);
