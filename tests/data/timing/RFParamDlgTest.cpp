// The time calculation dialog offscreen.

#include "SimLink.h"
#include "TimingFixture.h"

#include "data/timing/widgets/RFParamDlg.h"
#include "platform/StringTable.h"
#include "support/ModalAnswer.h"
#include "support/PromptRecorder.h"

#include <QLineEdit>
#include <QPushButton>

using namespace timingtest;

namespace {

struct RfForm {
    explicit RfForm(const QDialog& d)
        : antenna(d.findChild<QLineEdit*>(QStringLiteral("antennaDelayEdit"))),
          frameClock(d.findChild<QLineEdit*>(QStringLiteral("frameClockDelayEdit"))),
          ok(d.findChild<QPushButton*>(QStringLiteral("okButton")))
    {
    }
    QLineEdit *antenna, *frameClock;
    QPushButton* ok;
};

using RFParamDlgTest = TimingFixture;

TEST_F(RFParamDlgTest, ShowsBothDelaysAndClosesWithOkWhateverTheyAre)
{
    PromptRecorder prompts;
    CRFParamDlg dlg;
    RfForm ui(dlg);
    EXPECT_FALSE(ui.ok->isEnabled());
    EXPECT_EQ(Sent(), (std::vector<Bytes>{kAntennaDelayRead}));
    Reply(ReadReply(6, 0xC003, {0xFF, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(Sent(), (std::vector<Bytes>{kFrameClockDelayRead}));
    // Beyond what commissioning sets: still shown, and OK still closes.
    Reply(ReadReply(6, 0xC004, {0x13, 0x88}));
    EXPECT_EQ(ui.antenna->text(), QStringLiteral("4294967295"));
    EXPECT_EQ(ui.frameClock->text(), QStringLiteral("5000"));
    EXPECT_FALSE(ui.antenna->isEnabled());
    EXPECT_FALSE(ui.frameClock->isEnabled());
    ASSERT_TRUE(ui.ok->isEnabled());
    ui.ok->click();
    EXPECT_TRUE(prompts.shown.empty());
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(handler->ListenerCount(), 0u);
}

TEST_F(RFParamDlgTest, FailedReadShowsTheReadingProblemAndCloses)
{
    PromptRecorder prompts;
    CRFParamDlg dlg;
    Sent();
    Reply({0x84, 0x06, 0xF0});
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].text, LoadResString(StringId::ReadingProblem));
    EXPECT_EQ(prompts.shown[0].icon, MsgIcon::Error);
    EXPECT_EQ(dlg.result(), QDialog::Rejected);
}

TEST(RFParamDlgOverTheLink, ShowsTheUnitsDelays)
{
    SimLink link(std::map<QString, QString>{{QStringLiteral("c003"), QStringLiteral("0000007b")}, {QStringLiteral("c004"), QStringLiteral("012c")}});
    ASSERT_TRUE(link.Connected());
    CRFParamDlg dlg;
    QString antenna, frameClock;
    CModalAnswer answer([&](QDialog& d) {
        RfForm ui(d);
        ASSERT_TRUE(PumpUntil([&] { return ui.ok->isEnabled(); }, 10000));
        antenna = ui.antenna->text();
        frameClock = ui.frameClock->text();
        ui.ok->click();
    }, 15000);
    EXPECT_EQ(dlg.exec(), QDialog::Accepted);
    EXPECT_FALSE(answer.SafetyClosed());
    EXPECT_EQ(antenna, QStringLiteral("123"));
    EXPECT_EQ(frameClock, QStringLiteral("300"));
}

} // namespace
