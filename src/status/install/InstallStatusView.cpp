#include "status/install/InstallStatusView.h"

#include <QDateTime>

namespace {

constexpr std::uint8_t kClass = 0x84;
constexpr std::uint8_t kAddressing = 0x03;
constexpr std::uint8_t kRequestOpcode = 0x1B;
constexpr std::uint8_t kReplyOpcode = 0x1C;

// The largest bus time shown as a date: the last second of the year 9999.
constexpr std::int64_t kLastShownSecond = 253402300799LL;

bool Recognised(const CDeviceMessage& reply)
{
    std::int32_t c = 0, a = 0, o = 0;
    return reply.GetByte(0, c) && reply.GetByte(1, a) && reply.GetByte(2, o) && c == kClass && a == kAddressing &&
           o == kReplyOpcode;
}

} // namespace

CInstallStatusView::CInstallStatusView(IStatusFrame& frame, std::function<QString()> unitAddressText)
    : CStatusPoller(frame), unitAddressText_(std::move(unitAddressText))
{
    codes_.fill(Unset);
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
    return row >= 0 && row < kRowCount ? codes_[std::size_t(row)] : std::uint16_t(Unset);
}

StatusColour CInstallStatusView::RowColour(int row) const
{
    const std::uint16_t code = CodeOf(row);
    // A date that can't be shown is drawn as the "?" it shows.
    if (code == BusDate && FormatBusTime(busTimeMs_).isEmpty())
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
    switch (CodeOf(row)) {
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
        return QStringLiteral("OK (Survey) [%1 %]").arg(surveyProgress_);
    case OkLocked:
        return QStringLiteral("OK  (Locked)");
    case FreeRunning:
        return QStringLiteral("Free Running");
    case PllLocked:
        return QStringLiteral("PLL Locked");
    case Adjusting:
        return QStringLiteral("Adjusting");
    case BusDate: {
        const QString date = FormatBusTime(busTimeMs_);
        return date.isEmpty() ? QStringLiteral("?") : date;
    }
    case OkAddress:
        return QStringLiteral("OK (%1)").arg(unitAddressText_ ? unitAddressText_() : QString());
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
    codes_.fill(Unset);
    Redraw();
}

std::unique_ptr<CDeviceMessage> CInstallStatusView::BuildRequest() const
{
    auto request = std::make_unique<CDeviceMessage>();
    request->AppendByte(kClass);
    request->AppendByte(kAddressing);
    request->AppendByte(kRequestOpcode);
    return request;
}

void CInstallStatusView::OnStatusReply(const CDeviceMessage& reply)
{
    if (Recognised(reply) && Decode(reply)) {
        Redraw();
        emit Answered();
    }
}

bool CInstallStatusView::Decode(const CDeviceMessage& reply)
{
    std::int32_t b = 0;
    if (!reply.GetByte(3, b))
        return false;
    codes_[SelfTests] = b == 0 ? Ok : b == 1 ? NotOk : Unset;

    std::int32_t fix = 0, detail = 0;
    if (!reply.GetByte(4, fix) || !reply.GetByte(5, detail))
        return false;
    if (fix == 1)
        codes_[GpsFix] = NotOk;
    else if (fix == 0)
        codes_[GpsFix] = detail == 0 ? OkSurvey : detail == 1 ? OkLocked : Ok;
    else
        codes_[GpsFix] = Unset;

    if (!reply.GetByte(6, b))
        return false;
    codes_[ClockOutput] = b == 0 ? On : b == 1 ? Off : Unset;

    if (!reply.GetByte(7, b))
        return false;
    static constexpr std::uint16_t kClockStates[] = {Unknown, PllLocked, FreeRunning, Adjusting};
    codes_[ClockState] = b >= 0 && b < 4 ? kClockStates[b] : std::uint16_t(Unset);

    if (!reply.GetByte(8, b))
        return false;
    codes_[Transmission] = b == 0 ? Unknown : b == 1 ? OkAddress : Unset;

    std::uint64_t busTime = 0;
    if (!reply.GetUInt64(9, busTime))
        return false;
    busTimeMs_ = busTime;
    codes_[BusTime] = busTime > kEarliestBusTimeMs ? BusDate : Unknown;

    std::uint32_t progress = 0;
    if (!reply.GetUInt32(17, progress))
        return false;
    surveyProgress_ = progress;
    return true;
}

void CInstallStatusView::Redraw()
{
    ++redraws_;
    if (redraw_)
        redraw_();
}
