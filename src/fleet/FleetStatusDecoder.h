#pragma once
// Turns one unit's sweep replies into the row the fleet status shows, with the
// texts of the status windows: their own decoders do the work. Owns one set of
// them, cleared before every unit, so it is used from one thread only: the
// one that owns the program's constellation statistics, which it leaves as
// they were.

#include "fleet/FleetUnitReader.h"
#include "status/StatusPoller.h"

#include <QString>

#include <cstdint>

#include <memory>
#include <optional>
#include <vector>

class CGPSStatusView;
class CInstallStatusView;
class CConstellationStatisticsView;

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
    ~CFleetStatusDecoder();
    CFleetStatusDecoder(const CFleetStatusDecoder&) = delete;
    CFleetStatusDecoder& operator=(const CFleetStatusDecoder&) = delete;

    // What to ask every unit, in the order Decode expects the replies.
    [[nodiscard]] const std::vector<CDeviceMessage>& Requests() const { return requests_; }

    // `unitAddressText`: the unit's ADDR, which the transmission row names.
    [[nodiscard]] SFleetUnitHealth Decode(const SFleetUnitReplies& replies, const QString& unitAddressText);

private:
    struct Frame : IStatusFrame {
        bool ResetPending() const override { return false; }
        bool CommissioningRunning() const override { return false; }
        bool DownloadDialogOpen() const override { return false; }
        void SetLinkWatchdog(int) override {}
    };
    struct Gps;
    struct Install;
    struct Constellation;

    Frame frame_;
    QString unitAddressText_;
    std::unique_ptr<Gps> gps_;
    std::unique_ptr<Install> install_;
    std::unique_ptr<Constellation> constellation_;
    std::vector<CDeviceMessage> requests_;
};
