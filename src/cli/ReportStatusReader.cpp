#include "cli/ReportStatusReader.h"

#include "status/install/InstallStatusView.h"

#include <limits>

CReportStatusReader::CReportStatusReader(QString unitAddressText, int giveUpMs)
    : unitAddressText_(std::move(unitAddressText))
{
    giveUp_.setSingleShot(true);
    giveUp_.setInterval(giveUpMs);
    QObject::connect(&giveUp_, &QTimer::timeout, [this] { Complete(false); });
    QObject::connect(&poller_, &CCliStatusPoller::Answered, [this](CCliStatusPoller::Kind kind) {
        (kind == CCliStatusPoller::Kind::Gps            ? gpsAnswered_
         : kind == CCliStatusPoller::Kind::Installation ? installAnswered_
                                                        : constellationAnswered_) = true;
        Check();
    });
    // A failed request clears every answer kept: what was cleared is not
    // reported as measured. The refresh asks again.
    QObject::connect(&poller_, &CCliStatusPoller::RequestFailed,
                     [this] { gpsAnswered_ = installAnswered_ = constellationAnswered_ = false; });
}

CReportStatusReader::~CReportStatusReader()
{
    poller_.Stop();
}

SReportStatus CReportStatusReader::Unknown()
{
    constexpr double kUnknown = std::numeric_limits<double>::quiet_NaN();
    SReportStatus status;
    status.position = SMeasuredPosition{kUnknown, kUnknown, kUnknown};
    const std::uint32_t undefined = CInstallStatusView::Unset;
    status.installation = SInstallationSnapshot{undefined, undefined, undefined, QStringLiteral("?"),
                                                QStringLiteral("?"), QStringLiteral("?")};
    status.constellationVerdict = -1;
    return status;
}

void CReportStatusReader::Start(Done done)
{
    done_ = std::move(done);
    gpsAnswered_ = installAnswered_ = constellationAnswered_ = false;
    giveUp_.start();
    poller_.Start(true); // listens and asks at once, then every 5 s
}

void CReportStatusReader::Check()
{
    if (gpsAnswered_ && installAnswered_ && constellationAnswered_)
        Complete(true);
}

void CReportStatusReader::Complete(bool complete)
{
    if (!done_)
        return;
    giveUp_.stop();
    poller_.Stop();

    const SCliStatus& read = poller_.Status();
    SReportStatus status = Unknown();
    if (gpsAnswered_)
        status.position = SMeasuredPosition{read.gps.latitude.InDegrees().value, read.gps.longitude.InDegrees().value,
                                            read.gps.altitude.InMetres().value};
    if (installAnswered_) {
        using Row = Protocol::SInstallationStatus::Row;
        const auto text = [&](Row row) { return CInstallStatusView::RowText(read.installation, row, unitAddressText_); };
        const auto& codes = read.installation.codes;
        status.installation = SInstallationSnapshot{codes[Row::SelfTests], codes[Row::ClockOutput],
                                                    codes[Row::ClockState], text(Row::Transmission),
                                                    text(Row::BusTime),     text(Row::GpsFix)};
    }
    if (constellationAnswered_)
        status.constellationVerdict = read.constellation.verdict;
    const Done done = std::exchange(done_, nullptr);
    done(status, complete);
}
