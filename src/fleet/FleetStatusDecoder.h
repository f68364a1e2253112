#pragma once
// Turns one unit's sweep replies into the row the fleet status shows: the
// protocol library decodes the replies into records, the status windows' text
// rules make the texts. Holds nothing between units and touches no state of
// the program, so any thread may use its own.

#include "fleet/FleetUnitReader.h"

#include <QString>

#include <cstdint>

#include <memory>
#include <optional>
#include <vector>

struct SFleetUnitHealth {
    bool reachable = false;
    QString serial;
    QString activeFirmware;
    QString inactiveFirmware;
    QString selfTest;   // installation status rows, as shown
    QString gpsFix;
    QString clockState;
    QString verdict;    // constellation verdict, as shown
    QString latitude;   // GPS status, as shown
    QString longitude;
    std::optional<double> latitudeDegrees; // the same in degrees, north and east positive
    std::optional<double> longitudeDegrees;
    QString error;      // why the unit, or part of it, could not be read
    bool selfTestOk = false;
    // The installation status codes and the constellation verdict behind the
    // texts, for colouring them as the status windows do.
    std::uint16_t selfTestCode = 5; // "?"
    std::uint16_t gpsFixCode = 5;
    std::uint16_t clockStateCode = 5;
    std::int32_t verdictCode = -1; // nothing known
};

class CFleetStatusDecoder {
public:
    CFleetStatusDecoder();

    // What to ask every unit, in the order Decode expects the replies.
    [[nodiscard]] const std::vector<CDeviceMessage>& Requests() const { return requests_; }

    // `unitAddressText`: the unit's ADDR, which the transmission row names.
    [[nodiscard]] SFleetUnitHealth Decode(const SFleetUnitReplies& replies, const QString& unitAddressText) const;

private:
    std::vector<CDeviceMessage> requests_;
};
