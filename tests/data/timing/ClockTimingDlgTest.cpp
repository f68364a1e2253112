// The clock-out timing dialog offscreen: against a played unit, and through
// the real link to the simulated unit.

#include "SimLink.h"
#include "TimingFixture.h"

#include "data/timing/widgets/ClockTimingDlg.h"
#include "platform/FieldRange.h"
#include "platform/StringTable.h"
#include "support/ModalAnswer.h"
#include "support/PromptRecorder.h"

#include <QApplication>
#include <QFocusEvent>
#include <QLineEdit>
#include <QPushButton>

using namespace timingtest;

namespace {

struct Form {
    explicit Form(const QDialog& d)
        : fixLost(d.findChild<QLineEdit*>(QStringLiteral("fixLostEdit"))),
          clocksOut(d.findChild<QLineEdit*>(QStringLiteral("clocksOutEdit"))),
          disable(d.findChild<QLineEdit*>(QStringLiteral("disableEdit"))),
          ok(d.findChild<QPushButton*>(QStringLiteral("okButton"))),
          cancel(d.findChild<QPushButton*>(QStringLiteral("cancelButton")))
    {
    }
    // The user leaves row 2 with the Tab key.
    void LeaveClocksOut() const
    {
        QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
        QApplication::sendEvent(clocksOut, &out);
        PumpFor(5);
    }
    QLineEdit *fixLost, *clocksOut, *disable;
    QPushButton *ok, *cancel;
};

class ClockTimingDlgTest : public TimingFixture {
protected:
    std::unique_ptr<CClockTimingDlg> Open(const Bytes& value = TimingValue(10, 3540, 60))
    {
        auto dlg = std::make_unique<CClockTimingDlg>();
        EXPECT_EQ(Sent(), (std::vector<Bytes>{kTimingRead}));
        Form ui(*dlg);
        EXPECT_FALSE(ui.ok->isEnabled());
        EXPECT_FALSE(ui.clocksOut->isEnabled());
        EXPECT_FALSE(ui.disable->isEnabled());
        Reply(TimingReply(value));
        return dlg;
    }
};

TEST_F(ClockTimingDlgTest, ShowsTheTimesAndEnablesRowsTwoAndThreeOnlyWithFullControl)
{
    auto dlg = Open(TimingValue(20, 1200, 45, 7));
    Form ui(*dlg);
    EXPECT_EQ(ui.fixLost->text(), QStringLiteral("20"));
    EXPECT_EQ(ui.clocksOut->text(), QStringLiteral("1200"));
    EXPECT_EQ(ui.disable->text(), QStringLiteral("45"));
    EXPECT_FALSE(ui.fixLost->isEnabled());
    EXPECT_TRUE(ui.clocksOut->isEnabled());
    EXPECT_TRUE(ui.disable->isEnabled());
    dlg.reset();
    EXPECT_EQ(handler->ListenerCount(), 0u);

    SetAppFullControl(false);
    dlg = Open();
    EXPECT_FALSE(Form(*dlg).clocksOut->isEnabled());
    EXPECT_FALSE(Form(*dlg).disable->isEnabled());
    EXPECT_FALSE(Form(*dlg).fixLost->isEnabled());
}

TEST_F(ClockTimingDlgTest, RangeErrorsStayInTheDialogAndSendNothing)
{
    PromptRecorder prompts;
    auto dlg = Open();
    Form ui(*dlg);
    ui.clocksOut->setText(QStringLiteral("3541"));
    ASSERT_TRUE(ui.ok->isEnabled());
    ui.ok->click();
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].text, QStringLiteral("Enter an integer between 11 and 3540."));
    EXPECT_TRUE(Sent().empty());
    EXPECT_TRUE(ui.clocksOut->isEnabled());
    EXPECT_TRUE(ui.ok->isEnabled());
    EXPECT_EQ(dlg->result(), 0);

    ui.clocksOut->setText(QStringLiteral("3540"));
    ui.disable->setText(QStringLiteral("61"));
    ui.ok->click();
    ASSERT_EQ(prompts.shown.size(), 2u);
    EXPECT_EQ(prompts.shown[1].text, QStringLiteral("Enter an integer between 0 and 60."));
    EXPECT_TRUE(Sent().empty());
    EXPECT_EQ(ui.disable->text(), QStringLiteral("61")) << "the user's entry stays to be mended";
}

TEST_F(ClockTimingDlgTest, LeavingRowTwoChecksItAgainstRowOne)
{
    PromptRecorder prompts;
    auto dlg = Open(TimingValue(20, 1200, 45));
    Form ui(*dlg);
    ui.clocksOut->setText(QStringLiteral("+20"));
    ui.LeaveClocksOut();
    EXPECT_TRUE(prompts.shown.empty()) << "equal times pass";
    EXPECT_EQ(ui.clocksOut->text(), QStringLiteral("20")) << "shown again from the data";

    ui.clocksOut->setText(QStringLiteral("19"));
    ui.LeaveClocksOut();
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].icon, MsgIcon::Warning);
    EXPECT_EQ(prompts.shown[0].buttons, MsgButtons::Ok);
    EXPECT_EQ(prompts.shown[0].text, clocktiming::ClocksOutBeforeFixLostWarning(20));
    EXPECT_EQ(ui.clocksOut->selectedText(), QStringLiteral("19"));
    EXPECT_TRUE(Sent().empty());

    // Out of range on leaving: the range message, not the order warning.
    ui.clocksOut->setText(QStringLiteral("5"));
    ui.LeaveClocksOut();
    ASSERT_EQ(prompts.shown.size(), 2u);
    EXPECT_EQ(prompts.shown[1].text, IntegerRangeMessage(11, 3540));
}

TEST_F(ClockTimingDlgTest, OkWritesTheGroupAndClosesWhenTheUnitTookIt)
{
    auto dlg = Open(TimingValue(20, 1200, 45, 7));
    Form ui(*dlg);
    ui.clocksOut->setText(QStringLiteral("600"));
    ui.disable->setText(QStringLiteral("0"));
    ui.ok->click();
    EXPECT_EQ(Sent(), (std::vector<Bytes>{TimingWrite(TimingValue(20, 600, 0, 1))}));
    EXPECT_FALSE(ui.ok->isEnabled());
    EXPECT_FALSE(ui.clocksOut->isEnabled());
    EXPECT_FALSE(ui.disable->isEnabled());
    Reply(WriteReply(0));
    EXPECT_EQ(dlg->result(), QDialog::Accepted);
    EXPECT_EQ(handler->ListenerCount(), 0u);
}

TEST_F(ClockTimingDlgTest, RefusedWriteShowsTheSendingProblemAndReenablesRowsTwoAndThree)
{
    PromptRecorder prompts;
    auto dlg = Open();
    Form ui(*dlg);
    ui.clocksOut->setText(QStringLiteral("700"));
    ui.ok->click();
    ASSERT_EQ(Sent().size(), 1u);
    Reply(WriteReply(2));
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].text, LoadResString(kSendingProblemStringId));
    EXPECT_TRUE(prompts.shown[0].text.startsWith(QStringLiteral("Problems encountered when sending data")));
    EXPECT_EQ(prompts.shown[0].icon, MsgIcon::Error);
    EXPECT_TRUE(ui.clocksOut->isEnabled());
    EXPECT_TRUE(ui.disable->isEnabled());
    EXPECT_FALSE(ui.ok->isEnabled());
    EXPECT_EQ(ui.clocksOut->text(), QStringLiteral("700"));
    EXPECT_EQ(dlg->result(), 0) << "the dialog stays open";

    // Losing the unit before OK: told at once, rows back, nothing hangs.
    ui.clocksOut->setText(QStringLiteral("800"));
    handler->CloseConnection();
    PumpFor(5);
    ui.ok->click();
    ASSERT_EQ(prompts.shown.size(), 2u);
    EXPECT_EQ(prompts.shown[1].text, LoadResString(kSendingProblemStringId));
    EXPECT_TRUE(ui.clocksOut->isEnabled());
    EXPECT_EQ(ui.clocksOut->text(), QStringLiteral("800"));
}

TEST_F(ClockTimingDlgTest, FailedReadShowsTheReadingProblemAndCloses)
{
    PromptRecorder prompts;
    auto dlg = std::make_unique<CClockTimingDlg>();
    Sent();
    Reply(TimingReply(TimingValue(10, 3540, 60), 1));
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].text, LoadResString(StringId::ReadingProblem));
    EXPECT_EQ(prompts.shown[0].icon, MsgIcon::Error);
    EXPECT_EQ(dlg->result(), QDialog::Rejected);
    EXPECT_EQ(handler->ListenerCount(), 0u);
}

// Through the real link: the dialog run modally as the main frame runs it.

TEST(ClockTimingDlgOverTheLink, ChangesAreWrittenToTheUnitAndTheDialogCloses)
{
    SimLink link;
    ASSERT_TRUE(link.Connected());
    SetAppFullControl(true);
    CClockTimingDlg dlg;
    CModalAnswer answer([](QDialog& d) {
        Form ui(d);
        ASSERT_TRUE(PumpUntil([&] { return ui.clocksOut->isEnabled(); }, 10000));
        EXPECT_EQ(ui.clocksOut->text(), QStringLiteral("3540"));
        ui.clocksOut->setText(QStringLiteral("1800"));
        ui.disable->setText(QStringLiteral("30"));
        ui.ok->click();
    }, 15000);
    EXPECT_EQ(dlg.exec(), QDialog::Accepted);
    EXPECT_FALSE(answer.SafetyClosed());

    CClockTimingDlg again;
    ASSERT_TRUE(PumpUntil([&] { return Form(again).clocksOut->isEnabled(); }, 10000));
    EXPECT_EQ(Form(again).clocksOut->text(), QStringLiteral("1800"));
    EXPECT_EQ(Form(again).disable->text(), QStringLiteral("30"));
}

TEST(ClockTimingDlgOverTheLink, RefusedWriteKeepsTheDialogOpenWithItsValues)
{
    // The unit's fix-lost alarm is 30 s; OK alone does not check the order,
    // the unit refuses 20 s.
    SimLink link(std::map<QString, QString>{{QStringLiteral("c005"), QStringLiteral("001e0dd4003c0001")}});
    ASSERT_TRUE(link.Connected());
    PromptRecorder prompts;
    CClockTimingDlg dlg;
    Form ui(dlg);
    ASSERT_TRUE(PumpUntil([&] { return ui.clocksOut->isEnabled(); }, 10000));
    EXPECT_EQ(ui.fixLost->text(), QStringLiteral("30"));
    ui.clocksOut->setText(QStringLiteral("20"));
    ui.ok->click();
    ASSERT_TRUE(PumpUntil([&] { return !prompts.shown.empty(); }, 10000));
    EXPECT_EQ(prompts.shown[0].text, LoadResString(kSendingProblemStringId));
    EXPECT_TRUE(ui.clocksOut->isEnabled());
    EXPECT_EQ(ui.clocksOut->text(), QStringLiteral("20"));
    EXPECT_EQ(dlg.result(), 0);
}

TEST(ClockTimingDlgOverTheLink, NegativeAcknowledgementOfTheWriteIsASendingProblem)
{
    SimLink link({}, {QStringLiteral("--nak-opcode"), QStringLiteral("0x53")});
    ASSERT_TRUE(link.Connected());
    PromptRecorder prompts;
    CClockTimingDlg dlg;
    Form ui(dlg);
    ASSERT_TRUE(PumpUntil([&] { return ui.clocksOut->isEnabled(); }, 10000));
    ui.disable->setText(QStringLiteral("10"));
    ui.ok->click();
    ASSERT_TRUE(PumpUntil([&] { return !prompts.shown.empty(); }, 10000));
    EXPECT_EQ(prompts.shown[0].text, LoadResString(kSendingProblemStringId));
    EXPECT_EQ(ui.disable->text(), QStringLiteral("10"));
    EXPECT_EQ(dlg.result(), 0);
}

} // namespace
