// "SW Download..." and "SW Activation..." against a unit that refuses, stays
// busy past the tool's patience, breaks the connection mid-image or rejects
// the activation. A failure is one error message, never a success; the
// download dialog closes, no activation follows, the unit keeps its active
// firmware, and the tool goes on working in commission mode.

#include "faults/FaultRig.h"

#include "software/activation/widgets/SoftwareActivationDlg.h"
#include "software/download/DownloadTexts.h"
#include "software/download/MulticastDownload.h"
#include "support/SampleFirmware.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

namespace faults {
namespace {

const QString kImageName = QStringLiteral("QOR0310.bin");

// In the activation dialog: presses "&Activate", or only reads the bank names.
class ActivationOperator {
public:
    explicit ActivationOperator(bool activate) : activate_(activate)
    {
        poll_.setInterval(10);
        QObject::connect(&poll_, &QTimer::timeout, [this] { Look(); });
        poll_.start();
    }
    bool shown = false;
    QString activeName;
    QString inactiveName;

private:
    void Look()
    {
        auto* dialog = qobject_cast<CSoftwareActivationDlg*>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        auto* button = dialog->findChild<QPushButton*>(QStringLiteral("activateButton"));
        auto* active = dialog->findChild<QLabel*>(QStringLiteral("activeName"));
        auto* inactive = dialog->findChild<QLabel*>(QStringLiteral("inactiveName"));
        if (!button || !active || !inactive || active->text() == QStringLiteral("000000.bin"))
            return;
        shown = true;
        activeName = active->text();
        inactiveName = inactive->text();
        poll_.stop();
        if (activate_ && button->isEnabled())
            button->click();
        else
            dialog->accept();
    }
    bool activate_;
    QTimer poll_;
};

class DownloadFaults : public FaultRig {
protected:
    void SetUp() override
    {
        FaultRig::SetUp();
        CDownloadCounters::Program().Reset();
        // Six blocks of image: enough to break in the middle of it.
        firmware = MakeSampleFirmware(folder.path(), kImageName, QStringLiteral("QOR0310"), 3000);
        ASSERT_TRUE(firmware.Valid());
    }
    void TearDown() override
    {
        SetFileDialogFunction(std::move(previousDialog));
        FaultRig::TearDown();
    }
    void Connect(const QStringList& faults)
    {
        StartUnit(QStringList{QStringLiteral("--verification-polls"), QStringLiteral("1"),
                              QStringLiteral("--reboot-ms"), QStringLiteral("200")}
                  + faults);
        StartProgram();
        ASSERT_TRUE(ConnectLocally());
        ASSERT_TRUE(EnterCommissionMode());
        previousDialog = SetFileDialogFunction(
            [this](const FileDialogRequest&) -> std::optional<QString> { return firmware.masterPath; });
    }
    // "SW Download..." to its end; the activation, if offered, is only looked at.
    bool Download()
    {
        ActivationOperator engineer(false);
        frame->RunCommand(ID_SW_DOWNLOAD);
        EXPECT_FALSE(frame->Controller().DownloadDialogOpen());
        return engineer.shown;
    }
    // The bank names the unit reports in "SW Activation...".
    std::pair<QString, QString> Banks()
    {
        ActivationOperator reader(false);
        frame->RunCommand(ID_SW_ACTIVATION);
        EXPECT_TRUE(reader.shown);
        return {reader.activeName, reader.inactiveName};
    }
    [[nodiscard]] QByteArray StoredImage() const
    {
        return FileBytes(FirmwareDir() + QStringLiteral("/unit-131-image.bin"));
    }
    void ExpectFailedDownload(int code, const QString& inactiveAfter)
    {
        EXPECT_EQ(Messages(), QStringList{DownloadText::ForEnding(code)});
        EXPECT_EQ(prompts.shown.at(0).icon, MsgIcon::Error);
        EXPECT_EQ(OpenDialogs(), QStringList{});
        EXPECT_EQ(State(), ConnectionState::Commission);
        EXPECT_FALSE(frame->Controller().ResetPending());
        EXPECT_EQ(Menus(), kMenusCommissionMode);
        EXPECT_EQ(Banks(), std::make_pair(QStringLiteral("QOR0300.bin"), inactiveAfter))
            << "the unit keeps its active firmware";
        EXPECT_EQ(prompts.shown.size(), 1u);
    }

    SampleFirmware firmware;
    FileDialogFunction previousDialog;
};

struct RefusedDownload {
    const char* name;
    QStringList faults;
    int code; // of the message the engineer reads
    const char* inactiveAfter = "QOR0290.bin"; // the inactive bank the unit reports afterwards
};

// CTest names the cases by this rather than by the bytes of the value.
void PrintTo(const RefusedDownload& download, std::ostream* out)
{
    *out << download.name;
}

class RefusedDownloads : public DownloadFaults, public testing::WithParamInterface<RefusedDownload> {};

TEST_P(RefusedDownloads, EndWithOneErrorAndNoActivation)
{
    Connect(GetParam().faults);
    EXPECT_FALSE(Download());
    ExpectFailedDownload(GetParam().code, QString::fromLatin1(GetParam().inactiveAfter));
}

INSTANTIATE_TEST_SUITE_P(
    Faults, RefusedDownloads,
    testing::Values(
        RefusedDownload{"TransferStartRefused", {QStringLiteral("--refuse-transfer-start")}, 3},
        RefusedDownload{"ChecksumRefused", {QStringLiteral("--checksum-failure")}, 3},
        RefusedDownload{"VersionNotAllowed", {QStringLiteral("--version-result"), QStringLiteral("3")}, 5},
        RefusedDownload{"BusyAtVersionCheck", {QStringLiteral("--busy-version-check"), QStringLiteral("3")}, 6},
        RefusedDownload{"BusyBeforeImage", {QStringLiteral("--busy-status-query"), QStringLiteral("3")}, 12},
        // The unit verified and stored the image before it stayed busy: the
        // tool reports the failure, yet the inactive bank holds the new image.
        RefusedDownload{"BusyAtFinalStatus", {QStringLiteral("--busy-final-status"), QStringLiteral("3")}, 12,
                        "QOR0310.bin"},
        RefusedDownload{"BusyVerifyingTooLong", {QStringLiteral("--verification-polls"), QStringLiteral("12")}, 12}),
    [](const testing::TestParamInfo<RefusedDownload>& info) { return std::string(info.param.name); });

TEST_F(DownloadFaults, BusyAnswersWithinTheLimitsAreWaitedOut)
{
    // One busy counter runs from the version check to the final status: two
    // busy version checks use it up, and the transfer start (which has no
    // limit) sets it back to one.
    Connect({QStringLiteral("--busy-version-check"), QStringLiteral("2"), QStringLiteral("--busy-transfer-start"),
             QStringLiteral("3"), QStringLiteral("--verification-polls"), QStringLiteral("0")});
    EXPECT_TRUE(Download());
    EXPECT_EQ(Messages(), QStringList{DownloadText::Completed()});
    EXPECT_EQ(StoredImage(), FileBytes(firmware.imagePath));
}

TEST_F(DownloadFaults, AConnectionBrokenMidImageResumesAndTheUnitHoldsTheWholeImage)
{
    Connect({QStringLiteral("--break-at-block"), QStringLiteral("3")});
    EXPECT_TRUE(Download());
    EXPECT_EQ(Messages(), QStringList{DownloadText::Completed()});
    EXPECT_EQ(prompts.shown.at(0).icon, MsgIcon::Information);
    EXPECT_EQ(StoredImage(), FileBytes(firmware.imagePath));
    EXPECT_EQ(OpenDialogs(), QStringList{});
    EXPECT_EQ(State(), ConnectionState::Commission);
    // Lost with the connection: the third block once; the link opened again.
    int opens = 0;
    for (const QJsonObject& line : TraceLines(TracePath()))
        opens += line.value(QStringLiteral("kind")).toString() == QStringLiteral("open");
    EXPECT_EQ(opens, 2);
}

TEST_F(DownloadFaults, TheUnitGoneMidImageEndsAfterTheRetriesAndBackOnItsPortTakesANewDownload)
{
    // Late replies stretch the image over a second or so, time to pull the plug.
    Connect({QStringLiteral("--delay-ms"), QStringLiteral("30")});
    QTimer unplug;
    unplug.setInterval(5);
    QObject::connect(&unplug, &QTimer::timeout, [&] {
        auto* dialog = QApplication::activeModalWidget();
        auto* bar = dialog ? dialog->findChild<QProgressBar*>(QStringLiteral("progressBar")) : nullptr;
        if (bar && bar->value() > 0) {
            unplug.stop();
            StopUnit();
        }
    });
    unplug.start();
    EXPECT_FALSE(Download());
    EXPECT_EQ(Messages(), QStringList{DownloadText::ForEnding(2)});
    EXPECT_EQ(prompts.shown.at(0).icon, MsgIcon::Error);
    EXPECT_EQ(OpenDialogs(), QStringList{});
    EXPECT_EQ(State(), ConnectionState::Commission) << "no status window polls: no watchdog";
    EXPECT_EQ(Menus(), kMenusCommissionMode);
    const QByteArray partial = StoredImage();
    EXPECT_GT(partial.size(), 0);
    EXPECT_LT(partial.size(), FileBytes(firmware.imagePath).size());

    RestartUnitWithout();
    EXPECT_TRUE(Download());
    EXPECT_EQ(prompts.shown.size(), 2u);
    EXPECT_EQ(prompts.shown.back().text, DownloadText::Completed());
    EXPECT_EQ(StoredImage(), FileBytes(firmware.imagePath));
}

TEST_F(DownloadFaults, ARefusedActivationIsReportedAndTheUnitIsNotWaitedFor)
{
    Connect({QStringLiteral("--activation-result"), QStringLiteral("5")});
    {
        ActivationOperator engineer(true);
        frame->RunCommand(ID_SW_DOWNLOAD);
        EXPECT_TRUE(engineer.shown);
    }
    PumpFor(100);
    ASSERT_EQ(prompts.shown.size(), 2u) << Messages().join(QStringLiteral(" | ")).toStdString();
    EXPECT_EQ(prompts.shown[0].text, DownloadText::Completed());
    EXPECT_EQ(prompts.shown[1].icon, MsgIcon::Error);
    EXPECT_EQ(prompts.shown[1].text,
              QStringLiteral("The target device encountered a non-recoverable error\n (0005).\n\n"
                             "The inactive firmware could not be activated.\n"
                             "Download the software and try to activate again."));
    EXPECT_FALSE(frame->Controller().ResetPending()) << "no restart follows a refused activation";
    EXPECT_EQ(OpenDialogs(), QStringList{});
    EXPECT_EQ(State(), ConnectionState::Commission);
    EXPECT_EQ(Banks().first, QStringLiteral("QOR0300.bin")) << "the old bank stays active";
}

} // namespace
} // namespace faults
