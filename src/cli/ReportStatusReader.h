#pragma once
// Reads once what the status windows would add to a commissioning report:
// the measured position (GPS status), the installation status and the
// constellation verdict, through the same decoders the status command uses.
// The unit must be in commission mode. What did not answer in time stays
// unknown: no measured position, "Undefined" status words and texts.

#include "commissioning/report/CommissionReport.h"
#include "status/StatusPoller.h"

#include <QString>
#include <QTimer>

#include <functional>
#include <memory>

class CGPSStatusView;
class CInstallStatusView;
class CConstellationStatisticsView;

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
    struct Frame : IStatusFrame {
        bool ResetPending() const override { return false; }
        bool CommissioningRunning() const override { return false; }
        bool DownloadDialogOpen() const override { return false; }
        void SetLinkWatchdog(int) override {}
    };

    void Check();
    void Complete(bool complete);

    Frame frame_;
    std::unique_ptr<CGPSStatusView> gps_;
    std::unique_ptr<CInstallStatusView> install_;
    std::unique_ptr<CConstellationStatisticsView> constellation_;
    bool gpsAnswered_ = false, installAnswered_ = false, constellationAnswered_ = false;
    QTimer giveUp_;
    Done done_;
};
