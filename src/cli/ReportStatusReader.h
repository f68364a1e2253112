#pragma once
// Reads once what the status windows would add to a commissioning report:
// the measured position (GPS status), the installation status and the
// constellation verdict, through the same poller the status command uses.
// The unit must be in commission mode. What did not answer in time (or was
// cleared by a failed request since) stays unknown: no measured position,
// "Undefined" status words and texts.

#include "cli/CliStatusPoller.h"
#include "commissioning/report/CommissionReport.h"

#include <QString>
#include <QTimer>

#include <functional>

class CReportStatusReader {
public:
    // complete: every one of the three answered.
    using Done = std::function<void(const SReportStatus& status, bool complete)>;

    // unitAddressText: the connection's ADDR, shown in the bus transmission text.
    explicit CReportStatusReader(QString unitAddressText, int giveUpMs = 15000);
    ~CReportStatusReader();
    CReportStatusReader(const CReportStatusReader&) = delete;
    CReportStatusReader& operator=(const CReportStatusReader&) = delete;

    // Asks all three now; `done` is called once, after which nothing more is asked.
    void Start(Done done);

    // Everything unknown: no measured position, "Undefined" words and texts.
    [[nodiscard]] static SReportStatus Unknown();

private:
    void Check();
    void Complete(bool complete);

    QString unitAddressText_;
    CCliStatusPoller poller_;
    bool gpsAnswered_ = false, installAnswered_ = false, constellationAnswered_ = false;
    QTimer giveUp_;
    Done done_;
};
