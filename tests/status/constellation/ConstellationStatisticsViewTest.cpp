#include "status/constellation/ConstellationStatisticsView.h"

#include "platform/MessageIds.h"
#include "support/FakeStatusFrame.h"

#include <gtest/gtest.h>

#include <array>
#include <initializer_list>

namespace {

using Tone = CConstellationStatisticsView::Tone;

class Probe : public CConstellationStatisticsView {
public:
    using CConstellationStatisticsView::CConstellationStatisticsView;
    using CConstellationStatisticsView::BuildRequest;
    using CConstellationStatisticsView::OnStatusReply;
    // What the handler posts when a request could not be sent.
    void DeliverSendFailure() { OnMessage(WM_DEVICE_MESSAGE, 0, 0); }
};

// 0x83 0x13 0x28, status, verdict, 13 durations and the total; `length` cuts it.
CDeviceMessage Reply(int status, int verdict, const std::array<std::uint32_t, 13>& durations, std::uint32_t total,
                     int length = CConstellationStatisticsView::kReplyLength)
{
    CDeviceMessage full;
    for (int b : {0x83, 0x13, 0x28, status, verdict})
        full.AppendByte(std::uint8_t(b));
    for (std::uint32_t d : durations)
        full.AppendUInt32(d);
    full.AppendUInt32(total);
    CDeviceMessage cut;
    cut.AppendBytes(full.GetData(), length);
    return cut;
}

constexpr std::array<std::uint32_t, 13> kSome{0, 5, 0, 7, 100, 0, 0, 0, 0, 0, 0, 0, 3600};

class ConstellationViewTest : public testing::Test {
protected:
    void SetUp() override { view.ClearStatus(); }
    void TearDown() override { view.ClearStatus(); }

    FakeStatusFrame frame;
    Probe view{frame};
};

TEST_F(ConstellationViewTest, RequestIsTheFiveByteStatusQuery)
{
    const auto request = view.BuildRequest();
    ASSERT_EQ(request->GetLength(), 5);
    const std::uint8_t* b = request->GetData();
    EXPECT_EQ((std::array<int, 5>{b[0], b[1], b[2], b[3], b[4]}), (std::array<int, 5>{0x83, 0x13, 0x27, 0, 0}));
}

TEST_F(ConstellationViewTest, GoodReplyIsShownWithColoursByRow)
{
    const int before = view.RedrawCount();
    view.OnStatusReply(Reply(0, 0, kSome, 3712));
    EXPECT_TRUE(view.IsValid());
    EXPECT_EQ(view.RedrawCount(), before + 1);
    EXPECT_EQ(view.CellText(1), "5");
    EXPECT_EQ(view.CellText(12), "3600");
    EXPECT_EQ(view.TotalText(), "3712 sec");
    EXPECT_EQ(view.VerdictPaneText(), "    Good        ");
    EXPECT_EQ(view.VerdictPaneTone(), Tone::Good);
    // A zero duration keeps the window text colour, whatever its row.
    EXPECT_EQ(view.CellText(0), "0");
    EXPECT_EQ(view.CellTone(0), Tone::Default);
    EXPECT_EQ(view.CellTone(2), Tone::Default);
    EXPECT_EQ(view.CellTone(1), Tone::Amber);
    EXPECT_EQ(view.CellTone(3), Tone::Amber);
    EXPECT_EQ(view.CellTone(4), Tone::Good);
    EXPECT_EQ(view.CellTone(12), Tone::Good);

    std::array<std::uint32_t, 13> blind{};
    blind[0] = 60;
    view.OnStatusReply(Reply(0, 2, blind, 60));
    EXPECT_EQ(view.CellTone(0), Tone::Warning);
    EXPECT_EQ(view.VerdictPaneText(), "    Bad         ");
    EXPECT_EQ(view.VerdictPaneTone(), Tone::Warning);
    view.OnStatusReply(Reply(0, 1, blind, 60));
    EXPECT_EQ(view.VerdictPaneText(), "Sufficient     ");
    EXPECT_EQ(view.VerdictPaneTone(), Tone::Amber);
}

TEST_F(ConstellationViewTest, FailedStatusChangesOnlyTheStoredVerdict)
{
    view.OnStatusReply(Reply(0, 0, kSome, 3712));
    const int redraws = view.RedrawCount();
    view.OnStatusReply(Reply(1, 2, {}, 0));
    EXPECT_EQ(view.RedrawCount(), redraws); // nothing on screen changes yet
    EXPECT_EQ(CConstellationStatisticsView::GetVerdictText(), "    Bad         ");
    EXPECT_EQ(SharedConstellationStatistics().durations[12], 3600u);
    EXPECT_EQ(SharedConstellationStatistics().total, 3712u);
    // The next redraw shows the new verdict over the old statistics.
    view.Redraw();
    EXPECT_EQ(view.VerdictPaneText(), "    Bad         ");
    EXPECT_EQ(view.CellText(12), "3600");
}

TEST_F(ConstellationViewTest, InitialisingShowsDashesInEveryCell)
{
    view.OnStatusReply(Reply(0, 255, kSome, 3712));
    for (int row = 0; row < 13; ++row)
        EXPECT_EQ(view.CellText(row), "--") << row;
    EXPECT_EQ(view.VerdictPaneText(), "Initializing     ");
    EXPECT_EQ(view.VerdictPaneTone(), Tone::Default);
    EXPECT_EQ(CConstellationStatisticsView::GetVerdictText(), "Initializing     ");
}

TEST_F(ConstellationViewTest, ResetPendingShowsQuestionMarksEverywhere)
{
    view.OnStatusReply(Reply(0, 0, kSome, 3712));
    frame.resetPending = true;
    for (int row = 0; row < 13; ++row) {
        EXPECT_EQ(view.CellText(row), "?") << row;
        EXPECT_EQ(view.CellTone(row), Tone::Default) << row;
    }
    EXPECT_EQ(view.TotalText(), "?");
    EXPECT_EQ(view.VerdictPaneText(), "?");
    EXPECT_EQ(view.VerdictPaneTone(), Tone::Default);
    // A redraw during the reset forgets that the statistics were valid ...
    view.Redraw();
    frame.resetPending = false;
    EXPECT_FALSE(view.IsValid());
    EXPECT_EQ(view.CellText(4), "?");
    // ... while the report still has the unit's last verdict.
    EXPECT_EQ(CConstellationStatisticsView::GetVerdictText(), "    Good        ");
}

TEST_F(ConstellationViewTest, ShortRepliesKeepWhatWasReadAndDoNotRedraw)
{
    const int redraws = view.RedrawCount();
    std::array<std::uint32_t, 13> next{};
    next.fill(9);
    // Cut inside the seventh duration: six stored, the rest as they were.
    view.OnStatusReply(Reply(0, 1, next, 99, 5 + 4 * 6 + 2));
    EXPECT_EQ(view.RedrawCount(), redraws);
    EXPECT_FALSE(view.IsValid());
    EXPECT_EQ(SharedConstellationStatistics().verdict, 1);
    EXPECT_EQ(SharedConstellationStatistics().durations[5], 9u);
    EXPECT_EQ(SharedConstellationStatistics().durations[6], 0u);
    EXPECT_EQ(view.CellText(5), "?");
    // Cut inside the total: not valid either.
    view.OnStatusReply(Reply(0, 1, next, 99, 59));
    EXPECT_FALSE(view.IsValid());
    EXPECT_EQ(SharedConstellationStatistics().total, 0u);
    // Without a verdict byte nothing is stored at all.
    view.OnStatusReply(Reply(0, 2, next, 99, 4));
    EXPECT_EQ(SharedConstellationStatistics().verdict, 1);
    // Other replies are not ours.
    CDeviceMessage other = Reply(0, 2, next, 99);
    other.GetData()[2] = 0x13;
    view.OnStatusReply(other);
    EXPECT_EQ(SharedConstellationStatistics().verdict, 1);
    EXPECT_EQ(view.RedrawCount(), redraws);
}

TEST_F(ConstellationViewTest, OutOfRangeValuesAndClearing)
{
    std::array<std::uint32_t, 13> huge{};
    huge[4] = 0xFFFFFFF0u; // far above what a signed 32-bit number holds
    view.OnStatusReply(Reply(0, 7, huge, 0xFFFFFFFFu));
    EXPECT_EQ(view.CellText(4), "4294967280");
    EXPECT_EQ(view.TotalText(), "4294967295 sec");
    EXPECT_EQ(view.VerdictPaneText(), "?");
    EXPECT_EQ(view.VerdictPaneTone(), Tone::Default);
    EXPECT_EQ(CConstellationStatisticsView::GetVerdictText(), "Undefined");

    // Cleared for a new connection: zeros, not question marks, and no verdict.
    view.ClearStatus();
    EXPECT_TRUE(view.IsValid());
    EXPECT_EQ(SharedConstellationStatistics().verdict, -1);
    EXPECT_EQ(SharedConstellationStatistics().durations[4], 0u);
    EXPECT_EQ(SharedConstellationStatistics().total, 0u);
    for (int row = 0; row < 13; ++row) {
        EXPECT_EQ(view.CellText(row), "0") << row;
        EXPECT_EQ(view.CellTone(row), Tone::Default) << row;
    }
    EXPECT_EQ(view.TotalText(), "0 sec");
    EXPECT_EQ(view.VerdictPaneText(), "?");
    EXPECT_EQ(view.VerdictPaneTone(), Tone::Default);
    EXPECT_EQ(CConstellationStatisticsView::GetVerdictText(), "Undefined");
}

TEST_F(ConstellationViewTest, AFailedSendClearsAndInvalidates)
{
    // Before the first answer nothing is known.
    EXPECT_FALSE(view.IsValid());
    EXPECT_EQ(view.CellText(0), "?");

    view.OnStatusReply(Reply(0, 0, kSome, 3712));
    const int redraws = view.RedrawCount();
    view.DeliverSendFailure();
    EXPECT_FALSE(view.IsValid());
    EXPECT_EQ(view.RedrawCount(), redraws + 1);
    EXPECT_EQ(SharedConstellationStatistics().durations[12], 0u);
    EXPECT_EQ(SharedConstellationStatistics().verdict, -1);
    EXPECT_EQ(view.CellText(12), "?");
    EXPECT_EQ(view.TotalText(), "?");
}

TEST(ConstellationStatisticsData, NothingKnownBeforeTheFirstReply)
{
    // A fresh program has no verdict: the report must not read "Good".
    EXPECT_EQ(ConstellationStatisticsData{}.verdict, -1);
}

} // namespace
