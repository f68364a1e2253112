#pragma once
// One unit of a fleet sweep, read through a link of its own: open, identity
// probe, then a fixed list of requests, one after the other. Nothing here is
// shared with the other units' readers, so any number run side by side.

#include "link/DeviceMessage.h"
#include "link/IRksLink.h"

#include <optional>
#include <string>
#include <vector>

struct SFleetUnitReplies {
    bool reachable = false; // opened and answered the identity probe as a QORA unit
    // One entry per request: the reply as the tool reads it (class, address
    // and opcode restored), or nothing when that request failed.
    std::vector<std::optional<CDeviceMessage>> replies;
    std::string error; // why the unit, or its first failed request, could not be read
};

// Reads the unit named by `connection`. Closes the link before it returns.
[[nodiscard]] SFleetUnitReplies ReadFleetUnit(IRksLink& link, const std::string& connection,
                                              const std::vector<CDeviceMessage>& requests);
