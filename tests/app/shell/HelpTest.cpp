#include "app/frame/FrameCommands.h"
#include "app/shell/HelpFiles.h"
#include "app/shell/HelpViewer.h"

#include "support/PromptRecorder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextBrowser>

#include <QApplication>
#include <QScrollBar>

#include <gtest/gtest.h>

namespace {

const QString kHelpDir = QStringLiteral(QORA_HELP_DIR);

QString ReadPage(const QString& name)
{
    QFile file(QDir(kHelpDir).filePath(name));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll());
}

} // namespace

TEST(HelpFile, PathKeepsTheFoldersAndLowerCasesTheName)
{
    EXPECT_EQ(HelpFilePath(QStringLiteral("/opt/Tavra Tools/Bin/QORAManager")),
              QStringLiteral("/opt/Tavra Tools/Bin/qoramanager-help/index.html"));
    EXPECT_EQ(HelpFilePath(QStringLiteral("/opt/Tavra/QORAManager.EXE")),
              QStringLiteral("/opt/Tavra/qoramanager-help/index.html"));
    // Only a ".exe" ending is a program's extension.
    EXPECT_EQ(HelpFilePath(QStringLiteral("/Apps/QORA.Manager")),
              QStringLiteral("/Apps/qora.manager-help/index.html"));
}

TEST(HelpFile, MissingHelpIsReportedAndStopsTheStart)
{
    QTemporaryDir root;
    const QString folder = root.filePath(QStringLiteral("Field Tools"));
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString program = folder + QStringLiteral("/QORAManager");
    const QString expected = folder + QStringLiteral("/qoramanager-help/index.html");

    {
        PromptRecorder prompts;
        EXPECT_FALSE(CheckHelpFile(program));
        ASSERT_EQ(prompts.shown.size(), 1u);
        EXPECT_EQ(prompts.shown[0].text, QStringLiteral("Help file not found:\r\n") + QDir::toNativeSeparators(expected));
        EXPECT_EQ(prompts.shown[0].icon, MsgIcon::None);
        EXPECT_EQ(prompts.shown[0].buttons, MsgButtons::Ok);
    }

    // A help folder in another letter case is not the help on this system.
    ASSERT_TRUE(QDir().mkpath(folder + QStringLiteral("/QORAManager-help")));
    QFile upper(folder + QStringLiteral("/QORAManager-help/index.html"));
    ASSERT_TRUE(upper.open(QIODevice::WriteOnly));
    upper.close();
    if (!QFileInfo::exists(expected)) {
        PromptRecorder prompts;
        EXPECT_FALSE(CheckHelpFile(program));
        EXPECT_EQ(prompts.shown.size(), 1u);
    }

    ASSERT_TRUE(QDir().mkpath(folder + QStringLiteral("/qoramanager-help")));
    QFile index(expected);
    ASSERT_TRUE(index.open(QIODevice::WriteOnly));
    index.close();
    PromptRecorder prompts;
    EXPECT_TRUE(CheckHelpFile(program));
    EXPECT_TRUE(prompts.shown.empty());
}

TEST(HelpFile, AnInstalledProgramFindsTheHelpInItsDataFolder)
{
    QTemporaryDir root;
    const QString bin = root.filePath(QStringLiteral("usr/bin"));
    const QString help = root.filePath(QStringLiteral("usr/share/qora-manager/help"));
    ASSERT_TRUE(QDir().mkpath(bin));
    const QString program = bin + QStringLiteral("/QORAManager");
    {
        // No help anywhere: the message names the place beside the program.
        PromptRecorder prompts;
        EXPECT_FALSE(CheckHelpFile(program));
        ASSERT_EQ(prompts.shown.size(), 1u);
        EXPECT_TRUE(prompts.shown[0].text.endsWith(QDir::toNativeSeparators(bin + QStringLiteral("/qoramanager-help/index.html"))));
    }

    // A help folder without its contents page is no help.
    ASSERT_TRUE(QDir().mkpath(help));
    {
        PromptRecorder prompts;
        EXPECT_FALSE(CheckHelpFile(program));
    }
    QFile index(help + QStringLiteral("/index.html"));
    ASSERT_TRUE(index.open(QIODevice::WriteOnly));
    index.close();
    EXPECT_EQ(QFileInfo(HelpFilePath(program)).canonicalFilePath(), QFileInfo(index).canonicalFilePath());
    PromptRecorder prompts;
    EXPECT_TRUE(CheckHelpFile(program));
    EXPECT_TRUE(prompts.shown.empty());

    // Pages beside the program, as in a build tree, come first.
    ASSERT_TRUE(QDir().mkpath(bin + QStringLiteral("/qoramanager-help")));
    QFile beside(bin + QStringLiteral("/qoramanager-help/index.html"));
    ASSERT_TRUE(beside.open(QIODevice::WriteOnly));
    beside.close();
    EXPECT_EQ(HelpFilePath(program), bin + QStringLiteral("/qoramanager-help/index.html"));
}

TEST(HelpPages, TheBuildTreeHoldsEveryPageWithWorkingLinks)
{
    // The program in the build tree finds its help.
    EXPECT_TRUE(QFileInfo::exists(HelpFilePath(QFileInfo(kHelpDir).absolutePath() + QStringLiteral("/QORAManager"))));

    for (int id : {ID_OPEN_WORK_ORDER, ID_COMM_PARAMETERS, ID_ADVANCED, ID_LOCAL_CONNECTION, ID_REMOTE_CONNECTION,
                   ID_COMMISSION_MODE, ID_DISCONNECT, ID_SW_DOWNLOAD, ID_SW_ACTIVATION, ID_COMMISSIONING_WIZARD,
                   ID_COMMISSIONING_REPORT, ID_CONSTELLATION_LOG, ID_GPS_PARAMETERS, ID_TIME_CALCULATION,
                   ID_CLOCK_OUT_TIMING, ID_RESET_QORA, ID_USER_INFORMATION, ID_VERSION_INFORMATION, ID_GPS_STATUS,
                   ID_INSTALLATION_STATUS, ID_CONSTELLATION_STATISTICS, ID_SYSTEM_PARAMETERS, ID_WINDOW_CASCADE,
                   ID_WINDOW_TILE, ID_FILE_NEW, ID_APP_EXIT, ID_APP_ABOUT, ID_HELP_TOPICS, ID_VIEW_TOOLBAR,
                   ID_VIEW_STATUS_BAR,
                   ID_RECORD_STATUS}) {
        SCOPED_TRACE(id);
        const QString page = HelpPageForCommand(id);
        EXPECT_TRUE(id == ID_HELP_TOPICS || page != QStringLiteral("index.html"));
        EXPECT_TRUE(QFileInfo::exists(QDir(kHelpDir).filePath(page)));
    }
    EXPECT_EQ(HelpPageForCommand(ID_GPS_STATUS), QStringLiteral("gps-status.html"));
    EXPECT_EQ(HelpPageForCommand(12345), QStringLiteral("index.html"));

    const QRegularExpression link(QStringLiteral("href=\"([^\"#]*)(#[^\"]*)?\""));
    const QStringList pages = QDir(kHelpDir).entryList({QStringLiteral("*.html")}, QDir::Files);
    for (const QString& name : HelpPageNames())
        EXPECT_TRUE(pages.contains(name)) << name.toStdString();
    const QString index = ReadPage(QStringLiteral("index.html"));
    for (const QString& page : pages) {
        SCOPED_TRACE(page.toStdString());
        const QString html = ReadPage(page);
        EXPECT_TRUE(html.contains(QStringLiteral("<title>")));
        EXPECT_TRUE(html.contains(QStringLiteral("href=\"style.css\"")));
        // Every page can be reached from the contents.
        if (page != QStringLiteral("index.html")) {
            EXPECT_TRUE(index.contains(QStringLiteral("href=\"%1\"").arg(page)));
        }
        for (auto it = link.globalMatch(html); it.hasNext();) {
            const QString target = it.next().captured(1);
            if (target.isEmpty() || target.contains(u':'))
                continue;
            EXPECT_TRUE(QFileInfo::exists(QDir(kHelpDir).filePath(target))) << target.toStdString();
        }
    }
}

TEST(HelpViewer, ShowsPagesInOneWindowAndGoesBack)
{
    const QString indexPath = QDir(kHelpDir).filePath(QStringLiteral("index.html"));
    CHelpViewer* viewer = CHelpViewer::ShowTopic(indexPath, QStringLiteral("gps-status.html"));
    ASSERT_NE(viewer, nullptr);
    EXPECT_TRUE(viewer->CurrentPage().endsWith(QStringLiteral("/gps-status.html")));
    EXPECT_TRUE(viewer->windowTitle().contains(QStringLiteral("GPS Status")));
    EXPECT_FALSE(viewer->Browser()->toPlainText().isEmpty());

    // The same window for the next topic; back returns to the last one.
    EXPECT_EQ(CHelpViewer::ShowTopic(indexPath, QStringLiteral("reset-qora.html")), viewer);
    EXPECT_TRUE(viewer->CurrentPage().endsWith(QStringLiteral("/reset-qora.html")));
    ASSERT_TRUE(viewer->Browser()->isBackwardAvailable());
    viewer->Browser()->backward();
    EXPECT_TRUE(viewer->CurrentPage().endsWith(QStringLiteral("/gps-status.html")));

    // A section of a page: the page, scrolled to the section.
    viewer->resize(600, 300);
    CHelpViewer::ShowTopic(indexPath, QStringLiteral("status-history.html#survey-plot"));
    QApplication::processEvents();
    EXPECT_TRUE(viewer->CurrentPage().endsWith(QStringLiteral("/status-history.html")));
    EXPECT_EQ(viewer->Browser()->source().fragment(), QStringLiteral("survey-plot"));
    EXPECT_GT(viewer->Browser()->verticalScrollBar()->value(), 0);

    // A page that is not there shows the contents.
    CHelpViewer::ShowTopic(indexPath, QStringLiteral("no-such-page.html"));
    EXPECT_TRUE(viewer->CurrentPage().endsWith(QStringLiteral("/index.html")));
    viewer->close();
}
