#pragma once
// The commissioning report: the work order document with the results of a
// commissioning written into it, saved by the "Commissioning Report" command.
// The status windows' figures come in through plain values, so the main frame
// wires its windows in without this code knowing them.

#include "commissioning/CommissionValues.h"
#include "commissioning/WorkOrder.h"

#include <QDateTime>
#include <QString>

#include <cstdint>
#include <functional>

// The GPS status window's position.
struct SMeasuredPosition {
    double latitudeDegrees = 0.0;  // north positive
    double longitudeDegrees = 0.0; // east positive
    double altitudeMetres = 0.0;
};

// The installation status window's rows at one moment.
struct SInstallationSnapshot {
    std::uint32_t selfTestCode = 0;
    std::uint32_t clockOutputCode = 0;
    std::uint32_t clockStateCode = 0;
    QString q1Transmission; // texts as shown, "?" when undetermined
    QString q1Time;
    QString gpsFix;
};

// Everything the status windows add to a report.
struct SReportStatus {
    SMeasuredPosition position;
    SInstallationSnapshot installation;
    std::int32_t constellationVerdict = -1; // 0 good, 1 sufficient, 2 bad, 255 initialising
};

// Writes the outcome of a commissioning run: status, date, installer's
// entries, the status windows' figures and the values sent to the unit, in
// this order; a parameter that cannot be written stays as it was.
void RecordResult(CWorkOrder& workOrder, const SCommissionValues& values, bool success,
                  const SReportStatus& status, const QDateTime& localNow);

// Rewrites the measured position, the installation status and the verdict.
void WriteReportStatus(CWorkOrder& workOrder, const SReportStatus& status);

class CCommissionReport {
public:
    struct Sources {
        std::function<SMeasuredPosition()> measuredPosition;
        std::function<SInstallationSnapshot()> installation;
        std::function<std::int32_t()> constellationVerdict;
        // Local time now; the clock when not given.
        std::function<QDateTime()> now;
    };

    explicit CCommissionReport(Sources sources);

    // The end of a commissioning run; nothing without a work order. Makes the
    // report ready.
    void RecordResult(CWorkOrder* workOrder, const SCommissionValues& values, bool success);

    // Whether a run was recorded since the last work order was opened: the
    // "Commissioning Report" command waits for it.
    [[nodiscard]] bool IsReportReady() const { return ready_; }
    // Opening a work order discards what was recorded.
    void OnWorkOrderOpened() { ready_ = false; }

    // The "Commissioning Report" command: refreshes the status windows'
    // figures, asks for the file, saves it and lets the desktop open it. A
    // failed save is told to the user and nothing is opened. Returns the path
    // saved; empty when cancelled, failed or without a work order.
    QString SaveReport(CWorkOrder* workOrder);

    [[nodiscard]] const QString& ReportPath() const { return reportPath_; }

private:
    [[nodiscard]] SReportStatus CurrentStatus() const;

    Sources sources_;
    bool ready_ = false;
    QString reportPath_;
};
