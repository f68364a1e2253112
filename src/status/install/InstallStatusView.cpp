#include "status/install/InstallStatusView.h"

#include <QDateTime>

namespace {

// The largest bus time shown as a date: the last second of the year 9999.
constexpr std::int64_t kLastShownSecond = 253402300799LL;

} // namespace

CInstallStatusView::CInstallStatusView(IStatusFrame& frame, std::function<QString()> unitAddressText)
    : CStatusPoller(frame), unitAddressText_(std::move(unitAddressText))
{
}

QString CInstallStatusView::RowLabel(int row)
{
    switch (row) {
    case SelfTests:
        return QStringLiteral("QORA internal self-tests:");
    case GpsFix:
        return QStringLiteral("GPS fix:");
    case ClockOutput:
        return QStringLiteral("Clock output:");
    case ClockState:
        return QStringLiteral("Clock State:");
    case Transmission:
        return QStringLiteral("Q1 transmission:");
    case BusTime:
        return QStringLiteral("Q1 Time:");
    default:
        return {};
    }
}

StatusColour CInstallStatusView::ColourOfCode(std::uint16_t code)
{
    switch (code) {
    case NotOk:
    case Unknown:
    case Off:
        return StatusColour::Warning;
    case Ok:
    case On:
    case OkSurvey:
    case OkLocked:
    case PllLocked:
    case BusDate:
    case OkAddress:
        return StatusColour::Good;
    case FreeRunning:
    case Adjusting:
        return StatusColour::Caution;
    default:
        return StatusColour::WindowText;
    }
}

std::uint16_t CInstallStatusView::CodeOf(int row) const
{
    return row >= 0 && row < kRowCount ? status_.codes[std::size_t(row)] : std::uint16_t(Unset);
}

StatusColour CInstallStatusView::RowColour(int row) const
{
    const std::uint16_t code = CodeOf(row);
    // A date that can't be shown is drawn as the "?" it shows.
    if (code == BusDate && FormatBusTime(BusTimeMs()).isEmpty())
        return StatusColour::WindowText;
    return ColourOfCode(code);
}

QString CInstallStatusView::FormatBusTime(std::uint64_t milliseconds)
{
    const std::uint64_t seconds = milliseconds / 1000;
    if (seconds > std::uint64_t(kLastShownSecond))
        return {};
    // No time zone is applied: the bus time is shown as the unit counts it.
    const QDateTime time = QDateTime::fromSecsSinceEpoch(std::int64_t(seconds), Qt::UTC);
    return time.toString(QStringLiteral("dd.MM.yyyy   HH:mm:ss"));
}

QString CInstallStatusView::RowText(int row) const
{
    return RowText(status_, row, unitAddressText_ ? unitAddressText_() : QString());
}

QString CInstallStatusView::RowText(const Protocol::SInstallationStatus& status, int row,
                                    const QString& unitAddressText)
{
    const std::uint16_t code = row >= 0 && row < kRowCount ? status.codes[std::size_t(row)] : std::uint16_t(Unset);
    switch (code) {
    case NotOk:
        return QStringLiteral("Not OK");
    case Ok:
        return QStringLiteral("OK");
    case Unknown:
        return QStringLiteral("Unknown");
    case Off:
        return QStringLiteral("Off");
    case On:
        return QStringLiteral("On");
    case OkSurvey:
        return QStringLiteral("OK (Survey) [%1 %]").arg(status.surveyPercent);
    case OkLocked:
        return QStringLiteral("OK  (Locked)");
    case FreeRunning:
        return QStringLiteral("Free Running");
    case PllLocked:
        return QStringLiteral("PLL Locked");
    case Adjusting:
        return QStringLiteral("Adjusting");
    case BusDate: {
        const QString date = FormatBusTime(status.busTime.value);
        return date.isEmpty() ? QStringLiteral("?") : date;
    }
    case OkAddress:
        return QStringLiteral("OK (%1)").arg(unitAddressText);
    default:
        return QStringLiteral("?");
    }
}

void CInstallStatusView::GetInstallationSummary(InstallationSummary& summary) const
{
    summary.selfTests = CodeOf(SelfTests);
    summary.clockOutput = CodeOf(ClockOutput);
    summary.clockState = CodeOf(ClockState);
    summary.transmission = RowText(Transmission);
    summary.busTime = RowText(BusTime);
    summary.gpsFix = RowText(GpsFix);
}

void CInstallStatusView::ClearStatus()
{
    status_.codes.fill(Unset);
    Redraw();
}

std::unique_ptr<CDeviceMessage> CInstallStatusView::BuildRequest() const
{
    return std::make_unique<CDeviceMessage>(CDeviceMessage::Of(Protocol::InstallStatusRequest()));
}

void CInstallStatusView::OnStatusReply(const CDeviceMessage& reply)
{
    if (Protocol::DecodeInstallationStatus(reply.Bytes(), status_) == Protocol::Decoded::Whole) {
        Redraw();
        emit Answered();
    }
}

void CInstallStatusView::Redraw()
{
    ++redraws_;
    if (redraw_)
        redraw_();
}
