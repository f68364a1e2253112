// The commissioning progress dialog, the confirmation and a whole run, offscreen
// against a played unit.

#include "CommissionFixture.h"

#include "commissioning/procedure/CommissionProgress.h"
#include "commissioning/procedure/widgets/CommFinishDlg.h"
#include "commissioning/procedure/widgets/CommissionDlg.h"
#include "commissioning/procedure/widgets/CommissioningRunner.h"
#include "platform/StringTable.h"
#include "platform/TimerScale.h"
#include "support/ModalAnswer.h"
#include "support/PromptRecorder.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

using namespace commtest;

namespace {

template <typename T>
T* Child(const QWidget& w, const char* name)
{
    return w.findChild<T*>(QString::fromLatin1(name));
}

// --- the creeping bar ----------------------------------------------------------

TEST(CommissionProgress, BarCreepsSlowerEachStageAndStopsAt99)
{
    std::vector<int> shown;
    CCommissionProgress progress({[&](int p) { shown.push_back(p); }, {}});
    // Ticks 1..39 move the bar every tick; at tick 40 the divisor doubles and
    // the counter restarts, so the next 40 ticks move it every other tick.
    for (int i = 0; i < 39; ++i)
        progress.Tick();
    EXPECT_EQ(progress.Position(), 39);
    progress.Tick(); // counter back to 0: 0 % 2 == 0 moves
    EXPECT_EQ(progress.StepDivisor(), 2);
    EXPECT_EQ(progress.Position(), 40);
    for (int i = 0; i < 40; ++i)
        progress.Tick();
    EXPECT_EQ(progress.StepDivisor(), 4);
    EXPECT_EQ(progress.Position(), 60);

    // Long waits: never beyond 99, and the divisor stays usable.
    for (int i = 0; i < 200000; ++i)
        progress.Tick();
    EXPECT_EQ(progress.Position(), 99);
    EXPECT_GT(progress.StepDivisor(), 0);
    EXPECT_EQ(shown.back(), 99);
    EXPECT_EQ(std::count(shown.begin(), shown.end(), 99), 1);
}

// --- the dialogs ---------------------------------------------------------------

TEST(CommFinishDlgTest, AsksBeforeTheReset)
{
    CCommFinishDlg dlg;
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("QORA Manager"));
    EXPECT_EQ(Child<QLabel>(dlg, "textLabel")->text(),
              QStringLiteral("The QORA unit will be reset.\nAre you sure? Click Finish to continue."));
    EXPECT_EQ(Child<QPushButton>(dlg, "finishButton")->text(), QStringLiteral("Finish"));
    EXPECT_EQ(Child<QPushButton>(dlg, "cancelButton")->text(), QStringLiteral("Cancel"));

    CModalAnswer finish([](QDialog& d) { Child<QPushButton>(d, "finishButton")->click(); });
    EXPECT_EQ(dlg.exec(), 1);
    CModalAnswer cancel([](QDialog& d) { Child<QPushButton>(d, "cancelButton")->click(); });
    EXPECT_EQ(dlg.exec(), 2);
    CModalAnswer escape([](QDialog& d) { QTest::keyClick(&d, Qt::Key_Escape); });
    EXPECT_EQ(dlg.exec(), 2);
    EXPECT_FALSE(escape.SafetyClosed());
}

class CommissionDialogTest : public PlayedUnitTest {
protected:
    void SetUp() override
    {
        PlayedUnitTest::SetUp();
        SetTimerScale(0.05); // 100 ms ticks every 5 ms
        group.AddWindow(&dlg.Progress());
        group.Register();
        group.SetCommissionValues(SCommissionValues{});
        dlg.SetGroup(&group);
    }
    void TearDown() override
    {
        group.Unregister();
        SetTimerScale(1.0);
        PlayedUnitTest::TearDown();
    }

    int Bar() { return Child<QProgressBar>(dlg, "progressBar")->value(); }

    CCommissionData group;
    CCommissionDlg dlg;
};

TEST_F(CommissionDialogTest, EndsWithOneWhenEveryItemIsAcknowledged)
{
    CModalAnswer answer([this](QDialog&) {
        EXPECT_EQ(Sent(), std::vector<Bytes>{Command(1)});
        EXPECT_TRUE(PumpUntil([this] { return Bar() >= 3; }, 2000));
        Reply(CommandAck(1));
        Reply(WriteAck(0x9001));
        Reply(WriteAck(0x9002));
        Reply(CommandAck(0));
    });
    EXPECT_EQ(dlg.exec(), 1);
    EXPECT_FALSE(answer.SafetyClosed());
    EXPECT_FALSE(dlg.Progress().IsTimerRunning(CCommissionProgress::kTimerId));
    EXPECT_EQ(Sent().size(), 3u);
}

TEST_F(CommissionDialogTest, EndsWithTwoOnFailure)
{
    CModalAnswer answer([this](QDialog&) { Reply({0x84, kAddress, 0xF0}); });
    EXPECT_EQ(dlg.exec(), 2);
    EXPECT_FALSE(answer.SafetyClosed());
}

TEST_F(CommissionDialogTest, AbortAndEscapeEndWithThreeAndClearTheMark)
{
    int cleared = 0;
    dlg.SetAbortAction([&] { ++cleared; });
    CModalAnswer abort([this](QDialog& d) {
        EXPECT_TRUE(PumpUntil([this] { return Bar() >= 30; }, 3000));
        Child<QPushButton>(d, "abortButton")->click();
    });
    EXPECT_EQ(dlg.exec(), 3);
    EXPECT_EQ(cleared, 1);
    EXPECT_FALSE(dlg.Progress().IsTimerRunning(CCommissionProgress::kTimerId));

    // Reopened: the bar starts again from 0 and a fresh write begins.
    Sent();
    CModalAnswer escape([this](QDialog& d) {
        EXPECT_LT(Bar(), 30);
        EXPECT_EQ(Sent(), std::vector<Bytes>{Command(1)});
        QTest::keyClick(&d, Qt::Key_Escape);
    });
    EXPECT_EQ(dlg.exec(), 3);
    EXPECT_EQ(cleared, 2);
    EXPECT_FALSE(escape.SafetyClosed());

    // A notice of the aborted write that arrives later changes nothing.
    PostMessageTo(&dlg.Progress(), WM_COMMISSION_WRITE_DONE, 1, 0);
    PumpFor(5);
    EXPECT_FALSE(dlg.isVisible());
}

TEST_F(CommissionDialogTest, WithoutAUnitTheBarCreepsUntilAbort)
{
    handler->Disconnect();
    PumpFor(5);
    CModalAnswer answer([this](QDialog& d) {
        EXPECT_TRUE(Sent().empty());
        EXPECT_TRUE(PumpUntil([this] { return Bar() >= 20; }, 3000));
        EXPECT_TRUE(d.isVisible());
        Child<QPushButton>(d, "abortButton")->click();
    });
    EXPECT_EQ(dlg.exec(), 3);
}

// --- a whole run ---------------------------------------------------------------

class CommissioningRunTest : public PlayedUnitTest {
protected:
    void SetUp() override
    {
        PlayedUnitTest::SetUp();
        SetTimerScale(0.05);
        hooks.clearInProgress = [this] { ++cleared; };
        hooks.recordResult = [this](bool success) { recorded.push_back(success); };
        hooks.isRemote = [this] { return remote; };
    }
    void TearDown() override
    {
        runner.reset();
        SetTimerScale(1.0);
        PlayedUnitTest::TearDown();
    }

    // Plays the unit through a whole successful write; returns what was sent.
    std::vector<Bytes> AcknowledgeAll()
    {
        std::vector<Bytes> requests;
        for (const Bytes& ack : {CommandAck(1), WriteAck(0x9001), WriteAck(0x9002), CommandAck(0)}) {
            for (Bytes& r : Sent())
                requests.push_back(std::move(r));
            Reply(ack);
        }
        return requests;
    }

    std::unique_ptr<CCommissioningRunner> runner = std::make_unique<CCommissioningRunner>();
    SCommissioningHooks hooks;
    int cleared = 0;
    std::vector<bool> recorded;
    bool remote = false;
};

TEST_F(CommissioningRunTest, SuccessRecordsAndShowsNothing)
{
    PromptRecorder prompts;
    remote = true;
    std::vector<Bytes> requests;
    CModalAnswer answer([&](QDialog&) { requests = AcknowledgeAll(); });
    EXPECT_TRUE(runner->RunCommissioning(SCommissionValues{}, hooks));
    EXPECT_FALSE(answer.SafetyClosed());
    ASSERT_EQ(requests.size(), 4u);
    EXPECT_EQ(requests[0], Command(1));
    EXPECT_EQ(WrittenId(requests[1]), 0x9001);
    EXPECT_EQ(Bytes(requests[1].end() - 4, requests[1].end()), (Bytes{0, 0, 0, 1}));
    EXPECT_EQ(WrittenId(requests[2]), 0x9002);
    EXPECT_EQ(requests[3], Command(0));
    EXPECT_TRUE(prompts.shown.empty());
    EXPECT_EQ(recorded, std::vector<bool>{true});
    EXPECT_EQ(cleared, 1);
}

TEST_F(CommissioningRunTest, RefusedBlockShowsTheProblemAndRecordsFailure)
{
    PromptRecorder prompts;
    CModalAnswer answer([this](QDialog&) {
        Reply(CommandAck(1));
        Reply(WriteAck(0x9001, 3));
    });
    EXPECT_FALSE(runner->RunCommissioning(SCommissionValues{}, hooks));
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].text, LoadResString(61243));
    EXPECT_TRUE(prompts.shown[0].text.startsWith(QStringLiteral("Problems encountered when commissioning the target\n")));
    EXPECT_EQ(prompts.shown[0].icon, MsgIcon::None);
    EXPECT_EQ(recorded, std::vector<bool>{false});
    EXPECT_EQ(cleared, 1);
}

TEST_F(CommissioningRunTest, SendFailureAndAbortAreReportedTheSameWay)
{
    PromptRecorder prompts;
    {
        CModalAnswer answer([this](QDialog&) {
            PostMessageTo(&runner->Group(), WM_DEVICE_MESSAGE, 0, 0);
            PumpFor(5);
        });
        EXPECT_FALSE(runner->RunCommissioning(SCommissionValues{}, hooks));
    }
    {
        CModalAnswer answer([](QDialog& d) { Child<QPushButton>(d, "abortButton")->click(); });
        EXPECT_FALSE(runner->RunCommissioning(SCommissionValues{}, hooks));
    }
    EXPECT_EQ(prompts.shown.size(), 2u);
    EXPECT_EQ(recorded, (std::vector<bool>{false, false}));
    EXPECT_EQ(cleared, 3); // each run's end, and the Abort itself
}

TEST_F(CommissioningRunTest, RunsReuseTheDialogAndStartClean)
{
    PromptRecorder prompts;
    // The first run is aborted with the user block outstanding.
    CModalAnswer first([this](QDialog& d) {
        Reply(CommandAck(1));
        Reply(WriteAck(0x9001));
        Child<QPushButton>(d, "abortButton")->click();
    });
    EXPECT_FALSE(runner->RunCommissioning(SCommissionValues{}, hooks));
    CCommissionDlg* dialog = runner->Dialog();
    ASSERT_NE(dialog, nullptr);
    Sent();

    SCommissionValues values;
    values.q1Address = 140;
    std::vector<Bytes> requests;
    CModalAnswer second([&](QDialog&) { requests = AcknowledgeAll(); });
    EXPECT_TRUE(runner->RunCommissioning(values, hooks));
    EXPECT_EQ(runner->Dialog(), dialog);
    ASSERT_EQ(requests.size(), 4u);
    EXPECT_EQ(requests[0], Command(1));
    EXPECT_EQ(WrittenId(requests[1]), 0x9001);
    EXPECT_EQ(requests[1][6 + 81], 140);
    EXPECT_EQ(WrittenId(requests[2]), 0x9002);
    EXPECT_EQ(requests[3], Command(0));
    EXPECT_EQ(recorded, (std::vector<bool>{false, true}));
    EXPECT_EQ(handler->ListenerCount(), 1u);
}

} // namespace
