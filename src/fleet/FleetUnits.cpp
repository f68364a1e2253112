#include "fleet/FleetUnits.h"

namespace {
void CollectUnits(const RksNodeGroup& group, std::vector<const RksNode*>& units)
{
    for (const RksNode& node : group.nodes) {
        if (node.kind == kRksRemoteUnitKind)
            units.push_back(&node);
    }
    for (const RksNodeGroup& inner : group.groups)
        CollectUnits(inner, units);
}
} // namespace

std::vector<const RksNode*> FleetUnitsOf(const RksNodeGroup& group)
{
    std::vector<const RksNode*> units;
    CollectUnits(group, units);
    return units;
}

bool CollectFleetGroup(const RksNodeGroup& group, const std::string& name, std::vector<const RksNode*>& units)
{
    bool found = false;
    for (const RksNodeGroup& inner : group.groups) {
        if (QString::fromStdString(inner.name).trimmed() == QString::fromStdString(name).trimmed()) {
            CollectUnits(inner, units);
            found = true;
        } else {
            found = CollectFleetGroup(inner, name, units) || found;
        }
    }
    return found;
}

SFleetUnits LoadFleetDirectory(const QString& directoryPath, const std::optional<std::string>& group,
                               CRksNodeDirectory& directory)
{
    SFleetUnits loaded;
    loaded.path = directoryPath.isEmpty() ? RksConfiguredDirectory() : directoryPath;
    if (loaded.path.isEmpty()) {
        loaded.result = EFleetLoad::NoDirectory;
        return loaded;
    }
    if (!directory.Load(loaded.path, loaded.why)) {
        loaded.result = EFleetLoad::Unreadable;
        return loaded;
    }
    if (!group)
        CollectUnits(directory.Root(), loaded.units);
    else if (!CollectFleetGroup(directory.Root(), *group, loaded.units)) {
        loaded.result = EFleetLoad::NoGroup;
        return loaded;
    }
    loaded.result = EFleetLoad::Loaded;
    return loaded;
}
