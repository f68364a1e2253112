#include "status/constellation/ConstellationStatisticsView.h"

namespace {

const char* VerdictWord(std::int32_t verdict)
{
    switch (verdict) {
    case CConstellationStatisticsView::kVerdictGood:
        return "    Good        ";
    case CConstellationStatisticsView::kVerdictSufficient:
        return "Sufficient     ";
    case CConstellationStatisticsView::kVerdictBad:
        return "    Bad         ";
    case CConstellationStatisticsView::kVerdictInitialising:
        return "Initializing     ";
    default:
        return nullptr;
    }
}

} // namespace

ConstellationStatisticsData& SharedConstellationStatistics()
{
    static ConstellationStatisticsData data;
    return data;
}

CConstellationStatisticsView::CConstellationStatisticsView(IStatusFrame& frame) : CStatusPoller(frame) {}

std::unique_ptr<CDeviceMessage> CConstellationStatisticsView::BuildRequest() const
{
    return std::make_unique<CDeviceMessage>(CDeviceMessage::Of(Protocol::ConstellationStatisticsRequest()));
}

void CConstellationStatisticsView::OnStatusReply(const CDeviceMessage& reply)
{
    // The unit's verdict is kept even from a reply that carries no statistics;
    // a reply cut short keeps what was read but claims nothing valid.
    if (Protocol::DecodeConstellationStatistics(reply.Bytes(), SharedConstellationStatistics()) !=
        Protocol::Decoded::Whole)
        return;
    valid_ = true;
    Redraw();
    emit Answered();
}

void CConstellationStatisticsView::ClearStatus()
{
    ConstellationStatisticsData& stats = SharedConstellationStatistics();
    stats.durations.fill(0);
    stats.total = 0;
    stats.verdict = -1;
    // The valid flag stays: a window cleared for a new connection shows zeros
    // until the unit answers, not question marks.
    Redraw();
}

void CConstellationStatisticsView::OnSendFailed()
{
    valid_ = false;
    ClearStatus();
}

void CConstellationStatisticsView::Redraw()
{
    if (Frame().ResetPending())
        valid_ = false;
    ++redraws_;
    if (redraw_)
        redraw_();
}

bool CConstellationStatisticsView::Showable() const
{
    return valid_ && !Frame().ResetPending();
}

QString CConstellationStatisticsView::CellText(int row) const
{
    return CellText(SharedConstellationStatistics(), Showable(), row);
}

QString CConstellationStatisticsView::CellText(const ConstellationStatisticsData& stats, bool showable, int row)
{
    if (row < 0 || row >= kRows)
        return {};
    if (!showable)
        return QStringLiteral("?");
    if (stats.verdict == kVerdictInitialising)
        return QStringLiteral("--");
    return QString::number(stats.durations[row]);
}

CConstellationStatisticsView::Tone CConstellationStatisticsView::CellTone(int row) const
{
    if (row < 0 || row >= kRows || !Showable() || SharedConstellationStatistics().durations[row] == 0)
        return Tone::Default;
    if (row == 0)
        return Tone::Warning; // time without any satellite
    return row <= 3 ? Tone::Amber : Tone::Good;
}

QString CConstellationStatisticsView::TotalText() const
{
    return TotalText(SharedConstellationStatistics(), Showable());
}

QString CConstellationStatisticsView::TotalText(const ConstellationStatisticsData& stats, bool showable)
{
    if (!showable)
        return QStringLiteral("?");
    return QStringLiteral("%1 sec").arg(stats.total);
}

QString CConstellationStatisticsView::VerdictPaneText() const
{
    return VerdictPaneText(SharedConstellationStatistics(), Showable());
}

QString CConstellationStatisticsView::VerdictPaneText(const ConstellationStatisticsData& stats, bool showable)
{
    const char* word = showable ? VerdictWord(stats.verdict) : nullptr;
    return word ? QString::fromLatin1(word) : QStringLiteral("?");
}

CConstellationStatisticsView::Tone CConstellationStatisticsView::VerdictPaneTone() const
{
    if (!Showable())
        return Tone::Default;
    switch (SharedConstellationStatistics().verdict) {
    case kVerdictGood:
        return Tone::Good;
    case kVerdictSufficient:
        return Tone::Amber;
    case kVerdictBad:
        return Tone::Warning;
    default:
        return Tone::Default;
    }
}

QString CConstellationStatisticsView::GetVerdictText()
{
    return VerdictText(SharedConstellationStatistics().verdict);
}

QString CConstellationStatisticsView::VerdictText(std::int32_t verdict)
{
    const char* word = VerdictWord(verdict);
    return word ? QString::fromLatin1(word) : QStringLiteral("Undefined");
}
