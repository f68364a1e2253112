// The Software Activation dialog offscreen against a played unit.

#include "ActivationFixture.h"

#include "data/AccessLevel.h"
#include "link/AppHandler.h"
#include "software/activation/widgets/SoftwareActivationDlg.h"
#include "support/PromptRecorder.h"

#include <QLabel>
#include <QPushButton>

using namespace activationtest;

namespace {

class ActivationDlgTest : public ActivationFixture {
protected:
    // Opens the dialog and plays the names reply.
    std::unique_ptr<CSoftwareActivationDlg> Open(const Bytes& namesReply)
    {
        auto dlg = std::make_unique<CSoftwareActivationDlg>();
        dlg->SetResetWaitCallback([this] { ++resetWaits; });
        EXPECT_EQ(Sent(), std::vector<Bytes>{kReadNamesRequest});
        Reply(namesReply);
        return dlg;
    }
    static QString Text(const QWidget& dlg, const char* name)
    {
        return dlg.findChild<QLabel*>(QString::fromLatin1(name))->text();
    }
    static QPushButton* Button(const QWidget& dlg, const char* name)
    {
        return dlg.findChild<QPushButton*>(QString::fromLatin1(name));
    }

    PromptRecorder prompts;
    int resetWaits = 0;
};

TEST_F(ActivationDlgTest, ShowsBothNamesWithCaptionAndActivatesInactiveFirmware)
{
    CSoftwareActivationDlg dlg;
    dlg.SetResetWaitCallback([this] { ++resetWaits; });
    dlg.SetConnectionDescription(QStringLiteral("Local: 192.168.255.120"));
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Software Activation - Local: 192.168.255.120"));
    EXPECT_EQ(Text(dlg, "activeName"), QStringLiteral("000000.bin"));
    EXPECT_EQ(Text(dlg, "inactiveName"), QStringLiteral("000000.bin"));
    EXPECT_FALSE(Button(dlg, "activateButton")->isEnabled());
    EXPECT_EQ(Sent(), std::vector<Bytes>{kReadNamesRequest});

    Reply(NamesReply(0, "QORA_150.bin", 0, "QORA_151.bin"));
    EXPECT_EQ(Text(dlg, "activeName"), QStringLiteral("QORA_150.bin"));
    EXPECT_EQ(Text(dlg, "inactiveName"), QStringLiteral("QORA_151.bin"));
    ASSERT_TRUE(Button(dlg, "activateButton")->isEnabled());

    Button(dlg, "activateButton")->click();
    EXPECT_FALSE(Button(dlg, "activateButton")->isEnabled());
    EXPECT_EQ(Sent(), std::vector<Bytes>{ActivateRequest("QORA_151.bin")});
    EXPECT_EQ(resetWaits, 0);
    Reply(ActivateReply(0));
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(resetWaits, 1);
    EXPECT_TRUE(prompts.shown.empty());
    EXPECT_EQ(handler->ListenerCount(), 0u);
}

TEST_F(ActivationDlgTest, EmptyInactiveBankLeavesActivateDisabled)
{
    auto dlg = Open(NamesReply(0, "QORA_150.bin", 1, "stale"));
    EXPECT_EQ(Text(*dlg, "inactiveName"), QString());
    EXPECT_FALSE(Button(*dlg, "activateButton")->isEnabled());
    Button(*dlg, "activateButton")->click();
    EXPECT_TRUE(Sent().empty());
    EXPECT_EQ(dlg->result(), 0);
}

TEST_F(ActivationDlgTest, SameBuildInBothBanksIsNotActivated)
{
    auto dlg = Open(NamesReply(0, "QORA_150.bin", 0, "QORA_150.bin"));
    Button(*dlg, "activateButton")->click();
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].text, QStringLiteral("The same software build is currently active."));
    EXPECT_EQ(prompts.shown[0].icon, MsgIcon::Information);
    EXPECT_FALSE(Button(*dlg, "activateButton")->isEnabled());
    EXPECT_TRUE(Sent().empty());
    EXPECT_EQ(dlg->result(), 0);

    // The comparison is exact: names differing in case alone are different builds.
    auto other = Open(NamesReply(0, "QORA_150.bin", 0, "qora_150.bin"));
    Button(*other, "activateButton")->click();
    EXPECT_EQ(Sent(), std::vector<Bytes>{ActivateRequest("qora_150.bin")});
}

TEST_F(ActivationDlgTest, RefusedActivationShowsTheUnitsErrorCode)
{
    auto dlg = Open(NamesReply(0, "A.bin", 0, "B.bin"));
    Button(*dlg, "activateButton")->click();
    Sent();
    Reply(ActivateReply(0x0105));
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].text,
              QStringLiteral("The target device encountered a non-recoverable error\n (0105).\n\n"
                             "The inactive firmware could not be activated.\n"
                             "Download the software and try to activate again."));
    EXPECT_EQ(prompts.shown[0].icon, MsgIcon::Error);
    EXPECT_EQ(dlg->result(), QDialog::Rejected);
    EXPECT_EQ(resetWaits, 0);
}

TEST_F(ActivationDlgTest, ReadOnlySeesTheNamesButCannotActivate)
{
    SetAppFullControl(false);
    auto dlg = Open(NamesReply(0, "A.bin", 0, "B.bin"));
    EXPECT_EQ(Text(*dlg, "activeName"), QStringLiteral("A.bin"));
    EXPECT_EQ(Text(*dlg, "inactiveName"), QStringLiteral("B.bin"));
    EXPECT_FALSE(Button(*dlg, "activateButton")->isEnabled());
    Button(*dlg, "activateButton")->click();
    EXPECT_TRUE(Sent().empty());
    Button(*dlg, "okButton")->click();
    EXPECT_EQ(dlg->result(), QDialog::Accepted);
    EXPECT_EQ(resetWaits, 0);
}

TEST_F(ActivationDlgTest, FailedOrShortReadClosesWithReadingProblem)
{
    {
        CSoftwareActivationDlg dlg;
        Sent();
        SendFailure();
        ASSERT_EQ(prompts.shown.size(), 1u);
        EXPECT_EQ(prompts.shown[0].text, QString::fromLatin1(kReadingProblem));
        EXPECT_EQ(prompts.shown[0].icon, MsgIcon::Error);
        EXPECT_EQ(dlg.result(), QDialog::Rejected);
        EXPECT_EQ(handler->ListenerCount(), 0u);
    }
    {
        // A failure already under way when the user closes the dialog is not shown.
        CSoftwareActivationDlg dlg;
        Sent();
        PostMessageTo(&dlg.Activation(), WM_DEVICE_MESSAGE, 0, 0x860C38);
        Button(dlg, "okButton")->click();
        PumpFor(5);
        EXPECT_EQ(prompts.shown.size(), 1u);
        EXPECT_EQ(dlg.result(), QDialog::Accepted);
    }
    prompts.shown.clear();
    auto dlg = Open({0x86, 0x0C, 0x39, 0x00});
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].text, QString::fromLatin1(kReadingProblem));
    EXPECT_EQ(dlg->result(), QDialog::Rejected);
}

TEST_F(ActivationDlgTest, FailedOrShortActivationClosesWithSendingProblem)
{
    for (bool shortReply : {false, true}) {
        prompts.shown.clear();
        auto dlg = Open(NamesReply(0, "A.bin", 0, "B.bin"));
        Button(*dlg, "activateButton")->click();
        Sent();
        if (shortReply)
            Reply({0x86, 0x0C, 0x37, 0x00});
        else
            SendFailure();
        ASSERT_EQ(prompts.shown.size(), 1u) << shortReply;
        EXPECT_EQ(prompts.shown[0].text, QString::fromLatin1(kSendingProblem));
        EXPECT_EQ(prompts.shown[0].icon, MsgIcon::Error);
        EXPECT_EQ(dlg->result(), QDialog::Rejected);
    }
    EXPECT_EQ(resetWaits, 0);
}

TEST_F(ActivationDlgTest, RemoteConnectionDropsQueuedRequestsBeforeActivating)
{
    const auto stray = [this] {
        auto request = std::make_unique<CDeviceMessage>();
        request->AppendBytes("\x83\x04\x01", 3);
        SendToHandler(handler.get(), std::move(request));
    };

    // Local: what is queued stays queued.
    {
        auto dlg = Open(NamesReply(0, "A.bin", 0, "B.bin"));
        stray();
        Button(*dlg, "activateButton")->click();
        EXPECT_EQ(Sent(), (std::vector<Bytes>{{0x83, 0x04, 0x01}, ActivateRequest("B.bin")}));
    }

    ConnectRemotely();
    auto dlg = Open(NamesReply(0, "A.bin", 0, "B.bin"));
    stray();
    Button(*dlg, "activateButton")->click();
    EXPECT_EQ(Sent(), std::vector<Bytes>{ActivateRequest("B.bin")});
    Reply(ActivateReply(0));
    EXPECT_EQ(dlg->result(), QDialog::Accepted);
    EXPECT_EQ(resetWaits, 1);
}

} // namespace
