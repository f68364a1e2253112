#include "status/install/InstallStatusView.h"
#include "link/DeviceMessageNotice.h"
#include "platform/MessageIds.h"
#include "support/FakeStatusFrame.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// The installation status reply: header, the six bytes at offsets 3..8, bus
// time and survey progress.
std::vector<std::uint8_t> Reply(std::vector<std::uint8_t> bytes, std::uint64_t busTime, std::uint32_t progress)
{
    std::vector<std::uint8_t> reply{0x84, 0x03, 0x1C};
    reply.insert(reply.end(), bytes.begin(), bytes.end());
    for (int shift = 56; shift >= 0; shift -= 8)
        reply.push_back(std::uint8_t(busTime >> shift));
    for (int shift = 24; shift >= 0; shift -= 8)
        reply.push_back(std::uint8_t(progress >> shift));
    return reply;
}

class InstallStatusViewTest : public testing::Test {
protected:
    void Deliver(const std::vector<std::uint8_t>& bytes)
    {
        auto message = std::make_unique<CDeviceMessage>();
        message->AppendBytes(bytes.data(), std::int32_t(bytes.size()));
        DeliverDeviceMessage(view, std::move(message));
    }
    std::vector<QString> Texts() const
    {
        std::vector<QString> texts;
        for (int row = 0; row < CInstallStatusView::kRowCount; ++row)
            texts.push_back(view.RowText(row));
        return texts;
    }

    FakeStatusFrame frame;
    CInstallStatusView view{frame, [] { return QStringLiteral("131"); }};
};

TEST_F(InstallStatusViewTest, ReplyShowsTheSixRowsInTheirColours)
{
    Deliver(Reply({0, 0, 0, 0, 1, 1}, 0, 37));
    const std::vector<QString> expected{"OK", "OK (Survey) [37 %]", "On", "PLL Locked", "OK (131)", "Unknown"};
    EXPECT_EQ(Texts(), expected);
    EXPECT_EQ(view.RedrawCount(), 1);
    EXPECT_EQ(view.RowColour(CInstallStatusView::GpsFix), StatusColour::Good);
    EXPECT_EQ(view.RowColour(CInstallStatusView::BusTime), StatusColour::Warning);

    // The other half of each field's table.
    Deliver(Reply({1, 0, 1, 1, 2, 0}, 0, 100));
    const std::vector<QString> second{"Not OK", "OK  (Locked)", "Off", "Free Running", "Unknown", "Unknown"};
    EXPECT_EQ(Texts(), second);
    EXPECT_EQ(view.RowColour(CInstallStatusView::SelfTests), StatusColour::Warning);
    EXPECT_EQ(view.RowColour(CInstallStatusView::ClockState), StatusColour::Caution);

    Deliver(Reply({0, 1, 9, 0, 3, 0}, 0, 0));
    EXPECT_EQ(view.RowText(CInstallStatusView::GpsFix), "Not OK");
    EXPECT_EQ(view.RowText(CInstallStatusView::ClockState), "Adjusting");
    Deliver(Reply({0, 0, 9, 0, 0, 0}, 0, 0));
    EXPECT_EQ(view.RowText(CInstallStatusView::GpsFix), "OK"); // fix with an unknown detail
}

TEST_F(InstallStatusViewTest, OutOfRangeBytesShowAQuestionMark)
{
    Deliver(Reply({2, 2, 0, 2, 4, 2}, 0, 0));
    EXPECT_EQ(Texts(), (std::vector<QString>{"?", "?", "?", "?", "?", "Unknown"}));
    EXPECT_EQ(view.RowColour(CInstallStatusView::GpsFix), StatusColour::WindowText);
    Deliver(Reply({0, 2, 1, 0, 0, 0}, 0, 0));
    EXPECT_EQ(view.RowText(CInstallStatusView::GpsFix), "?"); // whatever byte 5 holds
}

TEST_F(InstallStatusViewTest, BusTimeBecomesADateAfterNineteenNinety)
{
    Deliver(Reply({0, 0, 0, 0, 1, 1}, 631152000000ULL, 0));
    EXPECT_EQ(view.RowText(CInstallStatusView::BusTime), "Unknown");
    Deliver(Reply({0, 0, 0, 0, 1, 1}, 631152000001ULL, 0));
    EXPECT_EQ(view.RowText(CInstallStatusView::BusTime), "01.01.1990   00:00:00");
    EXPECT_EQ(view.RowColour(CInstallStatusView::BusTime), StatusColour::Good);
    Deliver(Reply({0, 0, 0, 0, 1, 1}, 1767225599999ULL, 0));
    EXPECT_EQ(view.RowText(CInstallStatusView::BusTime), "31.12.2025   23:59:59");

    // A count no calendar reaches is not turned into a made-up date.
    Deliver(Reply({0, 0, 0, 0, 1, 1}, ~0ULL, 0));
    EXPECT_EQ(view.RowText(CInstallStatusView::BusTime), "?");
    EXPECT_EQ(view.RowColour(CInstallStatusView::BusTime), StatusColour::WindowText);
}

TEST_F(InstallStatusViewTest, ShortRepliesKeepWhatWasReadAndDoNotRedraw)
{
    Deliver(Reply({0, 0, 0, 0, 1, 1}, 631152000001ULL, 37));
    ASSERT_EQ(view.RedrawCount(), 1);

    // Ends inside the bus time: rows 0..4 taken, the time and progress kept.
    std::vector<std::uint8_t> cut = Reply({1, 1, 1, 2, 0, 0}, 0, 99);
    cut.resize(12);
    Deliver(cut);
    EXPECT_EQ(view.RedrawCount(), 1);
    EXPECT_EQ(view.CodeOf(CInstallStatusView::SelfTests), CInstallStatusView::NotOk);
    EXPECT_EQ(view.CodeOf(CInstallStatusView::Transmission), CInstallStatusView::Unknown);
    EXPECT_EQ(view.CodeOf(CInstallStatusView::BusTime), CInstallStatusView::BusDate);
    EXPECT_EQ(view.BusTimeMs(), 631152000001ULL);
    EXPECT_EQ(view.SurveyProgress(), 37u);

    // Ends inside the progress: the bus time is taken, the progress is not.
    cut = Reply({0, 0, 0, 0, 1, 1}, 0, 99);
    cut.resize(20);
    Deliver(cut);
    EXPECT_EQ(view.RedrawCount(), 1);
    EXPECT_EQ(view.CodeOf(CInstallStatusView::BusTime), CInstallStatusView::Unknown);
    EXPECT_EQ(view.SurveyProgress(), 37u);

    // Ends before the fix detail: the fix row keeps its code.
    cut = Reply({0, 0, 0, 0, 1, 1}, 0, 0);
    cut.resize(5);
    const std::uint16_t fixBefore = view.CodeOf(CInstallStatusView::GpsFix);
    Deliver(cut);
    EXPECT_EQ(view.CodeOf(CInstallStatusView::GpsFix), fixBefore);
    EXPECT_EQ(view.CodeOf(CInstallStatusView::SelfTests), CInstallStatusView::Ok);
    EXPECT_EQ(view.RedrawCount(), 1);
}

TEST_F(InstallStatusViewTest, OtherMessagesOnlyStopTheWatchdog)
{
    Deliver(Reply({0, 0, 0, 0, 1, 1}, 0, 37));
    const std::vector<QString> before = Texts();
    Deliver({0x84, 0x03, 0x1D, 1, 1, 1, 1, 1, 1}); // another opcode
    Deliver({0x84, 0x04, 0x1C, 1, 1, 1, 1, 1, 1}); // another addressing byte
    Deliver({0x84, 0x03, 0xF0});                   // the unit's refusal
    Deliver({0x84});
    EXPECT_EQ(Texts(), before);
    EXPECT_EQ(view.RedrawCount(), 1);
    EXPECT_EQ(frame.watchdog, (std::vector<int>{0, 0, 0, 0, 0}));
}

TEST_F(InstallStatusViewTest, ClearingShowsQuestionMarksAndKeepsTimeAndProgress)
{
    const std::vector<QString> cleared(6, QStringLiteral("?"));
    EXPECT_EQ(Texts(), cleared); // nothing received yet

    Deliver(Reply({0, 0, 0, 0, 1, 1}, 631152000001ULL, 37));
    view.ClearStatus();
    EXPECT_EQ(Texts(), cleared);
    EXPECT_EQ(view.RedrawCount(), 2);
    EXPECT_EQ(view.BusTimeMs(), 631152000001ULL);
    EXPECT_EQ(view.SurveyProgress(), 37u);

    // A failed send clears as well.
    Deliver(Reply({0, 0, 0, 0, 1, 1}, 0, 37));
    view.Send(WM_DEVICE_MESSAGE, 0, 0x84031B);
    EXPECT_EQ(Texts(), cleared);
}

TEST_F(InstallStatusViewTest, SummaryCopiesCodesAndTexts)
{
    Deliver(Reply({0, 0, 0, 1, 2, 1}, 631152000001ULL, 5));
    InstallationSummary summary;
    view.GetInstallationSummary(summary);
    EXPECT_EQ(summary.selfTests, 1u);
    EXPECT_EQ(summary.clockOutput, 3u);
    EXPECT_EQ(summary.clockState, 8u);
    EXPECT_EQ(summary.transmission, "OK (131)");
    EXPECT_EQ(summary.busTime, "01.01.1990   00:00:00");
    EXPECT_EQ(summary.gpsFix, "OK (Survey) [5 %]");
}

} // namespace
