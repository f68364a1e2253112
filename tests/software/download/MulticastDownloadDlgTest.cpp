// The Software Download dialog offscreen, run modally against a played unit.

#include "DownloadFixture.h"

#include "software/download/SlicedChecksum.h"
#include "software/download/widgets/MulticastDownloadDlg.h"
#include "support/ModalAnswer.h"
#include "support/PromptRecorder.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

using namespace dltest;

namespace {

class DownloadDialogTest : public DownloadFixture {
protected:
    void SetUp() override
    {
        DownloadFixture::SetUp();
        CDownloadCounters::Program().Reset();
        dlg = std::make_unique<CMulticastDownloadDlg>();
        dlg->SetTarget({kUnitAddress, QStringLiteral("Local (192.168.0.1:131)")});
        dlg->SetMasterFile(MasterPath());
    }
    void TearDown() override
    {
        dlg.reset();
        DownloadFixture::TearDown();
    }

    template <typename T>
    T* Child(const char* name)
    {
        return dlg->findChild<T*>(QString::fromLatin1(name));
    }

    // Plays the dialogue up to the image's write request.
    void PlayToImage()
    {
        Reply(Echo("M:17,2,1\r"));
        Reply(Ack(0));
        Sent();
        Reply(Ack(1));
        Awaited();
        Reply(VersionReply(0));
        Reply(StatusQueryReply(0, 0));
        Reply(TransferStartReply(0));
        Sent();
    }

    // Runs the dialog modally; `play` acts as the unit (and user) once it is up.
    int Run(const std::function<void(QDialog&)>& play)
    {
        CModalAnswer answer(play, 8000);
        const int result = dlg->exec();
        EXPECT_TRUE(answer.Answered());
        EXPECT_FALSE(answer.SafetyClosed());
        return result;
    }

    std::unique_ptr<CMulticastDownloadDlg> dlg;
};

TEST_F(DownloadDialogTest, MasterThatCannotBeOpenedEndsAtOnce)
{
    PromptRecorder prompts;
    dlg->SetMasterFile(dir.filePath("NONE.MFI"));
    EXPECT_EQ(dlg->exec(), QDialog::Rejected);
    EXPECT_FALSE(dlg->isVisible());
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].text,
              QStringLiteral("Error while opening the source file.\n\nCheck that the source file exists and is not "
                             "used by another\nprocess, then try again."));
    EXPECT_EQ(prompts.shown[0].icon, MsgIcon::None);
    EXPECT_TRUE(Sent().empty());
    EXPECT_EQ(handler->ListenerCount(), 0u);
}

TEST_F(DownloadDialogTest, ALargeImageFailingItsCheckEndsLikeAStartThatFailed)
{
    // Too large to check before the dialog runs: the check ends while it is up.
    WriteFile("QORA.IMG", ImageBytes(static_cast<int>(kChecksumFirstSliceBytes) + 1000, false));
    PromptRecorder prompts;
    EXPECT_EQ(dlg->exec(), QDialog::Rejected);
    EXPECT_FALSE(dlg->isVisible());
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].text, QStringLiteral("Error encountered when reading data from the source file."));
    EXPECT_EQ(prompts.shown[0].icon, MsgIcon::None);
    EXPECT_TRUE(Sent().empty());
    EXPECT_EQ(handler->ListenerCount(), 0u);
}

TEST_F(DownloadDialogTest, AbortWhileTheImageIsCheckedClosesWithoutAWordToTheUnit)
{
    // Zeros throughout: a 48-byte header, and a check long enough to abort.
    WriteFile("QORA.IMG", QByteArray(24'000'000, '\0'));
    PromptRecorder prompts;
    bool checking = false;
    const int result = Run([&](QDialog&) {
        checking = dlg->Engine().IsCheckingImage();
        EXPECT_TRUE(Child<QPushButton>("abortButton")->isVisible());
        Child<QPushButton>("abortButton")->click();
    });
    ASSERT_TRUE(checking) << "the check ended before the dialog was up";
    EXPECT_EQ(result, QDialog::Rejected);
    EXPECT_FALSE(dlg->Engine().IsCheckingImage());
    EXPECT_FALSE(dlg->Engine().IsImageOpen());
    PumpFor(20);
    EXPECT_TRUE(Sent().empty());
    EXPECT_TRUE(prompts.shown.empty());
    EXPECT_EQ(handler->ListenerCount(), 0u);
}

TEST_F(DownloadDialogTest, SuccessfulDownloadShowsProgressVerifiesAndReportsSuccess)
{
    PromptRecorder prompts;
    WriteFile("QORA.IMG", ImageBytes(1012));
    const int result = Run([this](QDialog& shown) {
        EXPECT_EQ(shown.windowTitle(), QStringLiteral("Software Download"));
        EXPECT_EQ(Child<QLabel>("statusLabel")->text(), QStringLiteral("Initializing download... please wait."));
        EXPECT_EQ(Child<QLabel>("percentLabel")->text(), QStringLiteral("0 %"));
        EXPECT_FALSE(Child<QPushButton>("activateButton")->isVisible());
        PlayToImage();
        Reply(Ack(0));
        Reply(Ack(1));
        EXPECT_EQ(shown.windowTitle(), QStringLiteral("Software Download - Local (192.168.0.1:131) - QORA.IMG"));
        EXPECT_EQ(Child<QLabel>("statusLabel")->text(), QStringLiteral("Downloading..."));
        EXPECT_EQ(Child<QProgressBar>("progressBar")->value(), 50);
        EXPECT_EQ(Child<QLabel>("percentLabel")->text(), QStringLiteral("50 %"));
        EXPECT_TRUE(Child<QPushButton>("abortButton")->isVisible());
        Sent();
        Reply(Ack(2));
        EXPECT_EQ(shown.windowTitle(), QStringLiteral("Software Download"));
        EXPECT_EQ(Child<QLabel>("percentLabel")->text(), QStringLiteral("100 %"));
        EXPECT_FALSE(Child<QPushButton>("abortButton")->isVisible());
        EXPECT_TRUE(shown.isVisible());

        // The empty block, then the status query.
        PumpUntil([this] { return handler->SendQueueLength() >= 2; }, 3000);
        Sent();
        Reply(StatusQueryReply(2, 0));
        ASSERT_TRUE(PumpUntil([this] { return !Child<QLabel>("percentLabel")->isVisible(); }, 3000));
        EXPECT_EQ(Child<QLabel>("statusLabel")->text(), QStringLiteral("Verifying downloaded software status ..."));
        // The waiting animation takes the bar back to 10 and climbs from there.
        auto* bar = Child<QProgressBar>("progressBar");
        EXPECT_TRUE(PumpUntil([bar] { return bar->value() > 12 && bar->value() < 99; }, 3000)) << bar->value();
        Sent();
        Reply(StatusQueryReply(0, 1012));
        Reply(Echo("M:17,2,4\r"));
        Reply(FinalStatusReply(0));
    });
    EXPECT_EQ(result, QDialog::Accepted);
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].text, QStringLiteral("Software download completed successfully "));
    EXPECT_EQ(prompts.shown[0].icon, MsgIcon::Information);
    EXPECT_EQ(dlg->Engine().GetState(), CMulticastDownload::kIdle);
    const int position = Child<QProgressBar>("progressBar")->value();
    PumpFor(30);
    EXPECT_EQ(Child<QProgressBar>("progressBar")->value(), position); // the animation stopped
}

TEST_F(DownloadDialogTest, FailureClosesWithTheEnginesText)
{
    PromptRecorder prompts;
    const int result = Run([this](QDialog&) {
        Reply(Echo("M:17,2,1\r"));
        Reply(Ack(0));
        Sent();
        Reply(Ack(1));
        Awaited();
        Reply(VersionReply(0));
        Reply(StatusQueryReply(0, 0));
        Reply(TransferStartReply(1));
    });
    EXPECT_EQ(result, QDialog::Rejected);
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].text, dlg->Engine().GetErrorText());
    EXPECT_TRUE(prompts.shown[0].text.contains(QStringLiteral("(0003)")));
    EXPECT_EQ(prompts.shown[0].icon, MsgIcon::Error);
}

TEST_F(DownloadDialogTest, AbortBeforeTheFirstReplySendsTheEndCommand)
{
    PromptRecorder prompts;
    const int result = Run([this](QDialog&) {
        EXPECT_EQ(Sent(), std::vector<Bytes>{Text("M:17,2,1\r")});
        Child<QPushButton>("abortButton")->click();
    });
    EXPECT_EQ(result, QDialog::Rejected);
    EXPECT_EQ(Sent(), std::vector<Bytes>{Text("M:17,2,4\r")});
    EXPECT_TRUE(prompts.shown.empty());
    EXPECT_EQ(handler->ListenerCount(), 0u);
}

TEST_F(DownloadDialogTest, EscapeDuringTheTransferAbortsAtTheUnit)
{
    const int result = Run([this](QDialog& shown) {
        PlayToImage();
        Reply(Ack(0));
        Sent();
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(&shown, &escape);
    });
    EXPECT_EQ(result, QDialog::Rejected);
    EXPECT_EQ(Sent(), std::vector<Bytes>{Text("M:17,2,4\r")});
    EXPECT_FALSE(dlg->Engine().IsImageOpen());
    EXPECT_EQ(dlg->Engine().GetState(), CMulticastDownload::kIdle);
}

TEST_F(DownloadDialogTest, NoAtTheVersionQuestionCancels)
{
    PromptRecorder prompts(MsgAnswer::No);
    const int result = Run([this](QDialog&) {
        Reply(Echo("M:17,2,1\r"));
        Reply(Ack(0));
        Sent();
        Reply(Ack(1));
        Awaited();
        Reply(VersionReply(1));
    });
    EXPECT_EQ(result, QDialog::Rejected);
    ASSERT_EQ(prompts.shown.size(), 1u); // the question only
    EXPECT_EQ(prompts.shown[0].buttons, MsgButtons::YesNo);
    EXPECT_TRUE(Sent().empty());
}

} // namespace
