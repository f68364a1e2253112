// The Reading Constellation Log dialog against the simulated unit: the saved
// file compared with one written by hand, the antenna warning, the cases
// without statistics or without an answer, and Abort.

#include "cli/ConstLogCommand.h"
#include "data/UnitFacts.h"
#include "platform/MeasureSetting.h"
#include "data/constlog/widgets/ConstLogDlg.h"
#include "link/AppHandler.h"
#include "link/CommHandler.h"
#include "platform/MainWindow.h"
#include "platform/StringTable.h"
#include "platform/TimerScale.h"
#include "rks/RksComponents.h"
#include "support/EventLoop.h"
#include "support/MessageRecorder.h"
#include "support/PromptRecorder.h"
#include "support/SimProcess.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

const char kLocal[] = "WP=SOCKET,HOST=192.168.255.120,PORT=7000,WP=NEQ1,ADDR=131";
const QString kTestData = QStringLiteral(CONSTLOG_TESTDATA);

QStringList Lines(const QByteArray& bytes)
{
    return QString::fromUtf8(bytes).split(QStringLiteral("\r\n"));
}

class ConstLogSimTest : public testing::Test {
protected:
    void SetUp() override
    {
        RegisterRksComponents();
        SetMainWindowTarget(&frame);
        AppUnitFacts() = UnitFacts{};
        logPath = dir.filePath(QStringLiteral("Constellation Log.txt"));
        previousDialog_ = SetFileDialogFunction([this](const FileDialogRequest&) {
            ++fileDialogs;
            return std::optional<QString>(logPath);
        });
        previousOpen_ = SetShellOpenFunction([this](const QString& path) {
            opened.push_back(path);
            return true;
        });
        previousMeasure_ = SetMeasureSettingFunction([] { return std::optional<QString>(QStringLiteral("1")); });
    }
    void TearDown() override
    {
        dialog.reset();
        handler.reset();
        SetAppCommHandler(nullptr);
        SetMainWindowTarget(nullptr);
        qunsetenv("QORA_RKS_GATEWAY");
        SetFileDialogFunction(previousDialog_);
        SetShellOpenFunction(previousOpen_);
        SetMeasureSettingFunction(previousMeasure_);
    }
    // Starts the unit, connects and (unless told otherwise) enters commission mode.
    void Start(QStringList simArguments, bool commission = true, const std::string& extra = {})
    {
        sim = std::make_unique<SimProcess>(simArguments);
        ASSERT_TRUE(sim->Running());
        qputenv("QORA_RKS_GATEWAY", QStringLiteral("127.0.0.1:%1").arg(sim->Port()).toLatin1());
        handler = std::make_unique<CCommHandler>();
        handler->SetSilentConnect(true);
        SetAppCommHandler(handler.get());
        handler->Connect(ConnectionRoute::Direct, kLocal + extra);
        ASSERT_TRUE(PumpUntil([&] { return frame.HasNotice(NOTICE_CONNECTED); }, 10000));
        if (commission) {
            handler->EnterCommissionMode();
            ASSERT_TRUE(PumpUntil([&] { return InCommissionMode(handler->GetConnectionType()); }, 10000));
        }
    }
    // Opens the dialog and waits until it has closed.
    void RunDialog()
    {
        dialog = std::make_unique<CConstLogDlg>();
        dialog->show();
        ASSERT_TRUE(PumpUntil([&] { return !dialog->isVisible(); }, 15000));
        PumpFor(20);
    }
    std::vector<QString> Texts() const
    {
        std::vector<QString> texts;
        for (const auto& shown : prompts.shown)
            texts.push_back(shown.text);
        return texts;
    }

    QTemporaryDir dir;
    QString logPath;
    int fileDialogs = 0;
    std::vector<QString> opened;
    PromptRecorder prompts;
    MessageRecorder frame;
    std::unique_ptr<SimProcess> sim;
    std::unique_ptr<CCommHandler> handler;
    std::unique_ptr<CConstLogDlg> dialog;

private:
    FileDialogFunction previousDialog_;
    ShellOpenFunction previousOpen_;
    MeasureSettingFunction previousMeasure_;
};

} // namespace

TEST_F(ConstLogSimTest, SavesTheLogExactlyAsLaidDownAndOpensIt)
{
    Start({QStringLiteral("--statistics-file"), kTestData + QStringLiteral("/statistics.txt"),
           QStringLiteral("--constellation-position"), QStringLiteral("-601012345,24512000,1000")});
    RunDialog();
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_TRUE(prompts.shown.empty()) << qPrintable(prompts.shown.front().text);
    ASSERT_EQ(opened, std::vector<QString>{logPath});

    QFile written(logPath), expected(kTestData + QStringLiteral("/expected-log.txt"));
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    ASSERT_TRUE(expected.open(QIODevice::ReadOnly));
    const QByteArray writtenBytes = written.readAll();
    const QStringList got = Lines(writtenBytes), want = Lines(expected.readAll());
    for (qsizetype i = 0; i < std::min(got.size(), want.size()); ++i)
        EXPECT_EQ(got[i], want[i]) << "line " << i + 1;
    EXPECT_EQ(got.size(), want.size());
    EXPECT_EQ(writtenBytes.count("\r\n"), writtenBytes.count('\n'));

    dialog.reset();
    EXPECT_EQ(handler->ListenerCount(), 0u);
}

TEST_F(ConstLogSimTest, AWholeDayWithoutSatellitesWarnsOfTheAntennaAfterSaving)
{
    Start({QStringLiteral("--antenna-fault")});
    RunDialog();
    ASSERT_EQ(opened.size(), 1u);
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].text, LoadResString(ConstLogString::AntennaWarning));
    EXPECT_EQ(prompts.shown[0].icon, MsgIcon::None);
    EXPECT_EQ(prompts.shown[0].buttons, MsgButtons::Ok);
    QFile written(logPath);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_TRUE(written.readAll().contains("Duration for  0 visible satellites = 86400\r\n"));
}

TEST_F(ConstLogSimTest, AllZeroPositionWarnsEvenWhenTheDaysLookGood)
{
    Start({QStringLiteral("--constellation-position"), QStringLiteral("0,0,0")});
    RunDialog();
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(Texts(), std::vector<QString>{LoadResString(ConstLogString::AntennaWarning)});
    QFile written(logPath);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    const QByteArray bytes = written.readAll();
    EXPECT_TRUE(bytes.contains("Altitude:       0.00 ft \r\n"));
    EXPECT_FALSE(bytes.contains("visible satellites = 86400\r\n"));
}

TEST_F(ConstLogSimTest, WithoutCollectedStatisticsNoFileIsOffered)
{
    Start({QStringLiteral("--history-days"), QStringLiteral("0")});
    RunDialog();
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(Texts(), std::vector<QString>{LoadResString(ConstLogString::NoStatistics)});
    EXPECT_EQ(fileDialogs, 0);
    EXPECT_TRUE(opened.empty());
}

TEST_F(ConstLogSimTest, AnUnansweredRequestShowsTheReadingProblemAndWritesNothing)
{
    // Every third exchange is lost; the link gives up on it after 300 ms.
    Start({QStringLiteral("--drop-every"), QStringLiteral("3")}, true, ",TMO=300");
    RunDialog();
    EXPECT_EQ(Texts(), std::vector<QString>{LoadResString(StringId::ReadingProblem)});
    EXPECT_EQ(fileDialogs, 0);
    EXPECT_FALSE(QFile::exists(logPath));
}

TEST_F(ConstLogSimTest, AbortEndsAtOnceAndLeavesNoListener)
{
    SetTimerScale(1.0);
    Start({}, false); // not in commission mode: nothing is asked, the bar runs on
    dialog = std::make_unique<CConstLogDlg>();
    dialog->show();
    ASSERT_TRUE(PumpUntil([&] { return dialog->ProgressPosition() >= 5; }));
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_GT(handler->ListenerCount(), 0u);
    dialog->Abort();
    EXPECT_EQ(dialog->result(), CConstLogDlg::kAbortResult);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(handler->ListenerCount(), 0u);
    dialog.reset();
    EXPECT_EQ(handler->ListenerCount(), 0u);
    EXPECT_EQ(fileDialogs, 0);
}

TEST(ConstLogProgressSchedule, FillsQuicklyThenEverMoreSlowlyAndNeverBreaks)
{
    CConstLogProgress progress;
    int ticks = 0;
    while (progress.Position() < 39) {
        progress.Tick();
        ++ticks;
    }
    EXPECT_EQ(ticks, 39); // one step a tick at first
    for (int i = 0; i < 40; ++i)
        progress.Tick();
    EXPECT_EQ(progress.Position(), 59); // then one every second tick
    // Minutes of waiting (at 10 ms a tick) must not break it: it only slows down.
    for (int i = 0; i < 100000; ++i)
        progress.Tick();
    EXPECT_GT(progress.Position(), 70);
    EXPECT_LE(progress.Position(), 99);
}

TEST_F(ConstLogSimTest, TheCommandLineWritesTheSameFile)
{
    sim = std::make_unique<SimProcess>(QStringList{
        QStringLiteral("--statistics-file"), kTestData + QStringLiteral("/statistics.txt"),
        QStringLiteral("--constellation-position"), QStringLiteral("-601012345,24512000,1000")});
    ASSERT_TRUE(sim->Running());
    qputenv("QORA_RKS_GATEWAY", QStringLiteral("127.0.0.1:%1").arg(sim->Port()).toLatin1());
    EXPECT_EQ(RunConstLogCommand(kLocal, logPath), 0);
    QFile written(logPath), expected(kTestData + QStringLiteral("/expected-log.txt"));
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    ASSERT_TRUE(expected.open(QIODevice::ReadOnly));
    EXPECT_EQ(written.readAll(), expected.readAll());
    EXPECT_TRUE(prompts.shown.empty());
    EXPECT_EQ(fileDialogs, 0);

    // Nothing collected yet: no file, a failure status.
    const QString second = dir.filePath(QStringLiteral("none.txt"));
    sim = std::make_unique<SimProcess>(QStringList{QStringLiteral("--history-days"), QStringLiteral("0")});
    ASSERT_TRUE(sim->Running());
    qputenv("QORA_RKS_GATEWAY", QStringLiteral("127.0.0.1:%1").arg(sim->Port()).toLatin1());
    EXPECT_EQ(RunConstLogCommand(kLocal, second), 1);
    EXPECT_FALSE(QFile::exists(second));
}

// The serial number of the log comes from the dialog's (or command's) own
// version read: when that read fails, no log goes out with the serial number
// the frame held before.
TEST_F(ConstLogSimTest, AFailedVersionReadWritesNoLogWithAStaleSerialNumber)
{
    AppUnitFacts().serialNumber = QStringLiteral("STALE-0001");
    Start({QStringLiteral("--fail-request"), QStringLiteral("535401009004")});
    RunDialog();
    EXPECT_EQ(Texts(), std::vector<QString>{LoadResString(StringId::ReadingProblem)});
    EXPECT_EQ(fileDialogs, 0);
    EXPECT_FALSE(QFile::exists(logPath));
    EXPECT_TRUE(opened.empty());
    dialog.reset();
    EXPECT_EQ(handler->ListenerCount(), 0u);

    handler.reset();
    SetAppCommHandler(nullptr);
    EXPECT_EQ(RunConstLogCommand(kLocal, logPath), 1);
    EXPECT_FALSE(QFile::exists(logPath));
}
