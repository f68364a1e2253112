#pragma once
// Reads a unit as the fleet sweep does: a link of its own for every reading,
// the identity probe, then the version block, the firmware names and the
// three status replies, decoded by the protocol library into typed values. The scrape's deadline
// interrupts the link, and the reading comes back with what it has.

#include "exporter/DeadlineWatch.h"
#include "exporter/UnitReader.h"
#include "link/DeviceMessage.h"

#include <vector>

struct SFleetUnitReplies;

class CLinkUnitReader final : public IUnitReader {
public:
    CLinkUnitReader();
    [[nodiscard]] SUnitReading Read(const std::string& connection, Clock::time_point deadline) override;

private:
    std::vector<CDeviceMessage> requests_; // only read once made
    CDeadlineWatch watch_;
};

// The typed values of one unit's replies, in the order of UnitRequests().
[[nodiscard]] std::vector<CDeviceMessage> UnitRequests();
[[nodiscard]] SUnitReading DecodeUnitReplies(const SFleetUnitReplies& replies);
