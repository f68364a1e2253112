// The "Commissioning Report" command: fresh status figures, the save dialog,
// a save that is whole or nothing, and the desktop opening only what was saved.

#include "commissioning/report/CommissionReport.h"
#include "commissioning/report/ReportTestSupport.h"
#include "commissioning/report/ReportTexts.h"
#include "platform/StringTable.h"
#include "support/PromptRecorder.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <linux/capability.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <csignal>

using namespace report_test;

namespace {

// Answers the save dialog with a path (or cancels) and records the desktop's
// open requests while it lives.
class DesktopRecorder {
public:
    explicit DesktopRecorder(std::optional<QString> answer)
    {
        previousDialog_ = SetFileDialogFunction([this, answer](const FileDialogRequest& request) {
            dialogs.push_back(request);
            return answer;
        });
        previousOpen_ = SetShellOpenFunction([this](const QString& path) {
            opened << path;
            return true;
        });
    }
    ~DesktopRecorder()
    {
        SetFileDialogFunction(std::move(previousDialog_));
        SetShellOpenFunction(std::move(previousOpen_));
    }
    DesktopRecorder(const DesktopRecorder&) = delete;
    DesktopRecorder& operator=(const DesktopRecorder&) = delete;

    std::vector<FileDialogRequest> dialogs;
    QStringList opened;

private:
    FileDialogFunction previousDialog_;
    ShellOpenFunction previousOpen_;
};

// The status windows as the report sees them; tests change them between calls.
struct FakeWindows {
    SReportStatus status = SampleStatus();

    CCommissionReport::Sources Sources()
    {
        return {[this] { return status.position; }, [this] { return status.installation; },
                [this] { return status.constellationVerdict; }, [] { return SampleTime(); }};
    }
};

// Takes away root's right to write into folders that say no, for the calling
// thread while it lives, so that an unwritable folder is unwritable in tests
// run as root too.
class WithoutDacOverride {
public:
    WithoutDacOverride()
    {
        header_.version = _LINUX_CAPABILITY_VERSION_3;
        header_.pid = 0;
        if (syscall(SYS_capget, &header_, saved_) != 0)
            return;
        __user_cap_data_struct reduced[2] = {saved_[0], saved_[1]};
        reduced[0].effective &= ~(1u << CAP_DAC_OVERRIDE);
        reduced[0].effective &= ~(1u << CAP_FOWNER);
        active_ = syscall(SYS_capset, &header_, reduced) == 0;
    }
    ~WithoutDacOverride()
    {
        if (active_)
            syscall(SYS_capset, &header_, saved_);
    }
    WithoutDacOverride(const WithoutDacOverride&) = delete;
    WithoutDacOverride& operator=(const WithoutDacOverride&) = delete;

private:
    __user_cap_header_struct header_{};
    __user_cap_data_struct saved_[2]{};
    bool active_ = false;
};

// Whether this thread can make a file in the folder (access() would ask with
// the real user's rights instead of the thread's).
bool CanCreateIn(const QString& folder)
{
    const QByteArray probe = QFile::encodeName(folder + QStringLiteral("/.probe"));
    const int fd = open(probe.constData(), O_CREAT | O_EXCL | O_WRONLY, 0600);
    if (fd < 0)
        return false;
    close(fd);
    unlink(probe.constData());
    return true;
}

QStringList FolderEntries(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
}

} // namespace

TEST(ReportCommand, RecordingNeedsAWorkOrderAndMakesTheReportReady)
{
    FakeWindows windows;
    CCommissionReport report(windows.Sources());
    report.RecordResult(nullptr, SampleValues(), true);
    EXPECT_FALSE(report.IsReportReady());
    CWorkOrder notLoaded;
    report.RecordResult(&notLoaded, SampleValues(), true);
    EXPECT_FALSE(report.IsReportReady());

    auto order = LoadOrder(Data("report_order.xml"));
    report.RecordResult(order.get(), SampleValues(), true);
    EXPECT_TRUE(report.IsReportReady());
    EXPECT_EQ(Parameter(*order, "installDateTime"), QStringLiteral("2009-03-07T14:05:09"));
    EXPECT_EQ(Parameter(*order, "qorMeasuredLatitudeLocation"), QStringLiteral("601693123"));
    report.OnWorkOrderOpened();
    EXPECT_FALSE(report.IsReportReady());

    DesktopRecorder desktop(QStringLiteral("/tmp/never.xml"));
    EXPECT_TRUE(report.SaveReport(nullptr).isEmpty());
    EXPECT_TRUE(desktop.dialogs.empty());
}

TEST(ReportCommand, SavingRefreshesTheStatusFiguresAndOpensTheFile)
{
    PromptRecorder prompts;
    FakeWindows windows;
    CCommissionReport report(windows.Sources());
    auto order = LoadOrder(Data("report_order.xml"));
    report.RecordResult(order.get(), SampleValues(), true);

    windows.status.position = {-0.00000001, 60.5, 100.0};
    windows.status.installation.clockStateCode = 7;
    windows.status.installation.gpsFix = QStringLiteral("?");
    windows.status.installation.q1Time = QStringLiteral("2009-03-07 14:10:00");
    windows.status.constellationVerdict = 0;

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("site.xml"));
    DesktopRecorder desktop(path);
    EXPECT_EQ(report.SaveReport(order.get()), path);

    ASSERT_EQ(desktop.dialogs.size(), 1u);
    EXPECT_TRUE(desktop.dialogs[0].save);
    EXPECT_EQ(desktop.dialogs[0].caption, QStringLiteral("Save Commission Report"));
    EXPECT_EQ(desktop.dialogs[0].defaultSuffix, QStringLiteral("xml"));
    EXPECT_TRUE(desktop.dialogs[0].filter.startsWith(QStringLiteral("Commission Report Files (*.xml)")));
    EXPECT_EQ(desktop.opened, QStringList{path});
    EXPECT_EQ(report.ReportPath(), path);
    EXPECT_TRUE(prompts.shown.empty());

    auto saved = LoadOrder(path);
    EXPECT_EQ(Parameter(*saved, "qorMeasuredLatitudeLocation"), QStringLiteral("-1"));
    EXPECT_EQ(Parameter(*saved, "qorMeasuredLongitudeLocation"), QStringLiteral("605000000"));
    EXPECT_EQ(Parameter(*saved, "qorMeasuredAltitudeLocation"), QStringLiteral("10000"));
    EXPECT_EQ(Parameter(*saved, "installClockState"), QStringLiteral("Undefined"));
    EXPECT_EQ(Parameter(*saved, "installGPSFix"), QStringLiteral("Undefined"));
    EXPECT_EQ(Parameter(*saved, "installQ1Time"), QStringLiteral("2009-03-07 14:10:00"));
    EXPECT_EQ(Parameter(*saved, "GPSConstellation"), QStringLiteral("    Good        "));
    // The commissioned values stay as the run recorded them.
    EXPECT_EQ(Parameter(*saved, "installStatus"), QStringLiteral("Commissioning was successful"));
    EXPECT_EQ(Parameter(*saved, "qorQ1IP"), QStringLiteral("10.1.2.7"));
}

TEST(ReportCommand, CancelSavesNothingButKeepsTheFreshFigures)
{
    PromptRecorder prompts;
    FakeWindows windows;
    CCommissionReport report(windows.Sources());
    auto order = LoadOrder(Data("report_order.xml"));
    report.RecordResult(order.get(), SampleValues(), true);
    windows.status.constellationVerdict = 2;

    DesktopRecorder desktop(std::nullopt);
    EXPECT_TRUE(report.SaveReport(order.get()).isEmpty());
    EXPECT_EQ(desktop.dialogs.size(), 1u);
    EXPECT_TRUE(desktop.opened.isEmpty());
    EXPECT_TRUE(prompts.shown.empty());
    EXPECT_TRUE(report.ReportPath().isEmpty());
    EXPECT_EQ(Parameter(*order, "GPSConstellation"), QStringLiteral("    Bad         "));
}

TEST(ReportCommand, SaveIntoAnUnwritableFolderKeepsTheOldFileAndTellsTheUser)
{
    PromptRecorder prompts;
    FakeWindows windows;
    CCommissionReport report(windows.Sources());
    auto order = LoadOrder(Data("report_order.xml"));
    report.RecordResult(order.get(), SampleValues(), true);

    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("locked"));
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString path = folder + QStringLiteral("/report.xml");
    {
        QFile old(path);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("<old/>\n");
    }
    ASSERT_TRUE(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup
                                                  | QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther));
    QString saved;
    {
        WithoutDacOverride notAsRoot;
        if (CanCreateIn(folder)) {
            QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            GTEST_SKIP() << "the folder stays writable for this user";
        }
        DesktopRecorder desktop(path);
        saved = report.SaveReport(order.get());
        EXPECT_TRUE(desktop.opened.isEmpty());
    }
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    EXPECT_TRUE(saved.isEmpty());
    EXPECT_EQ(FileBytes(path), QByteArray("<old/>\n"));
    EXPECT_EQ(FolderEntries(folder), QStringList{QStringLiteral("report.xml")});
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].icon, MsgIcon::Error);
    EXPECT_TRUE(prompts.shown[0].text.startsWith(QStringLiteral("The commission report could not be saved to\n")
                                                 + path + u'\n'))
        << prompts.shown[0].text.toStdString();
}

TEST(ReportCommand, AWriteThatBreaksOffLeavesNoHalfFile)
{
    PromptRecorder prompts;
    FakeWindows windows;
    CCommissionReport report(windows.Sources());
    auto order = LoadOrder(Data("report_order.xml"));
    report.RecordResult(order.get(), SampleValues(), true);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("report.xml"));
    {
        QFile old(path);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("<old/>\n");
    }
    // A file size limit stands in for a disk that fills up during the write.
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 512;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    QString result;
    {
        DesktopRecorder desktop(path);
        result = report.SaveReport(order.get());
        EXPECT_TRUE(desktop.opened.isEmpty());
    }
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_TRUE(result.isEmpty());
    EXPECT_EQ(FileBytes(path), QByteArray("<old/>\n"));
    EXPECT_EQ(FolderEntries(dir.path()), QStringList{QStringLiteral("report.xml")});
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].icon, MsgIcon::Error);
}

TEST(ReportCommand, ASaveIntoAMissingFolderOpensNothing)
{
    PromptRecorder prompts;
    FakeWindows windows;
    CCommissionReport report(windows.Sources());
    auto order = LoadOrder(Data("report_order.xml"));
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("gone/report.xml"));
    DesktopRecorder desktop(path);
    EXPECT_TRUE(report.SaveReport(order.get()).isEmpty());
    EXPECT_TRUE(desktop.opened.isEmpty());
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_TRUE(prompts.shown[0].text.contains(path));
    EXPECT_FALSE(QFile::exists(path));
}
