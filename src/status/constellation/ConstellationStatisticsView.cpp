#include "status/constellation/ConstellationStatisticsView.h"

namespace {

constexpr std::uint8_t kStatusClass = 0x83;
constexpr std::uint8_t kStatusAddress = 0x13;

constexpr std::int32_t kStatusOffset = 3;
constexpr std::int32_t kVerdictOffset = 4;
constexpr std::int32_t kDurationsOffset = 5;
constexpr std::int32_t kTotalOffset = kDurationsOffset + 4 * ConstellationStatisticsData::kRows;

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
    auto request = std::make_unique<CDeviceMessage>();
    request->AppendByte(kStatusClass);
    request->AppendByte(kStatusAddress);
    request->AppendByte(kRequestOpcode);
    request->AppendUInt16(0);
    return request;
}

void CConstellationStatisticsView::OnStatusReply(const CDeviceMessage& reply)
{
    std::int32_t b0 = 0, b1 = 0, b2 = 0;
    if (!reply.GetByte(0, b0) || !reply.GetByte(1, b1) || !reply.GetByte(2, b2) || b0 != kStatusClass ||
        b1 != kStatusAddress || b2 != kReplyOpcode)
        return;
    std::int32_t status = 0, verdict = 0;
    if (!reply.GetByte(kStatusOffset, status) || !reply.GetByte(kVerdictOffset, verdict))
        return;
    ConstellationStatisticsData& stats = SharedConstellationStatistics();
    // The unit's verdict is kept even from a reply that carries no statistics.
    stats.verdict = verdict;
    if (status != 0)
        return;
    for (int row = 0; row < kRows; ++row) {
        if (!reply.GetUInt32(kDurationsOffset + 4 * row, stats.durations[row]))
            return; // cut short: what was read stays, nothing is claimed valid
    }
    if (!reply.GetUInt32(kTotalOffset, stats.total))
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
    if (row < 0 || row >= kRows)
        return {};
    if (!Showable())
        return QStringLiteral("?");
    const ConstellationStatisticsData& stats = SharedConstellationStatistics();
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
    if (!Showable())
        return QStringLiteral("?");
    return QStringLiteral("%1 sec").arg(SharedConstellationStatistics().total);
}

QString CConstellationStatisticsView::VerdictPaneText() const
{
    const char* word = Showable() ? VerdictWord(SharedConstellationStatistics().verdict) : nullptr;
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
    const char* word = VerdictWord(SharedConstellationStatistics().verdict);
    return word ? QString::fromLatin1(word) : QStringLiteral("Undefined");
}
