// The verification window after a commissioning, offscreen: every row in
// sight at its own size, its sentence, and Save and Copy.

#include "commissioning/verify/widgets/VerifyDlg.h"
#include "support/PromptRecorder.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// A unit commissioned on a local connection that reads back one value otherwise.
SVerification Verification()
{
    SCommissionValues v;
    v.latitude = 60.5;
    v.longitude = -0.25;
    v.altitudeCm = 12345;
    v.positionLocked = true;
    v.gpsAntennaDelayNs = 150;
    v.frameClockDelayNs = 800;
    v.onePps = true;
    v.q1Address = 200;
    v.ipAddress = QStringLiteral("10.20.30.40");
    v.userName = QStringLiteral("Ann");
    v.comments = QStringLiteral("antenna on the roof");
    v.year = 2009;
    v.month = 3;
    v.day = 7;
    SUnitReadBack r;
    r.position = SUnitReadBack::Position{605000000, -2500000, 12345, true};
    r.delays = SUnitReadBack::Delays{150, 900};
    r.bus = SUnitReadBack::BusOptions{0, 1};
    r.user = SUnitReadBack::UserTexts{"Ann", "2009/03/07", "antenna on the roof", ""};
    const SUnitPlace place{false, QStringLiteral("10.20.30.40"), 200};
    return {true, place, CompareReadBack(v, r, place)};
}

TEST(VerifyDlg, ShowsEveryRowAtItsOwnSizeAndSavesAndCopiesWhatItShows)
{
    PromptRecorder prompts;
    const SVerification verification = Verification();
    ASSERT_GE(verification.rows.size(), 10u);
    CVerifyDlg dialog(verification);
    dialog.show();
    QApplication::processEvents();
    // For people: QORA_SCREENSHOT_DIR=folder keeps a picture of it.
    if (const QString folder = qEnvironmentVariable("QORA_SCREENSHOT_DIR"); !folder.isEmpty())
        dialog.grab().save(folder + QStringLiteral("/verification.png"));

    // A sentence, from its capital on.
    EXPECT_TRUE(dialog.Summary()->text().startsWith(QStringLiteral("Verification failed: the unit answers at 10.20.30.40")))
        << dialog.Summary()->text().toStdString();
    // Every row in sight without scrolling.
    QTableWidget* table = dialog.Table();
    EXPECT_FALSE(table->verticalScrollBar()->isVisible());
    const int last = table->rowCount() - 1;
    EXPECT_LE(table->rowViewportPosition(last) + table->rowHeight(last), table->viewport()->height());

    // Copy: the sentence, the table and what cannot be read, as text.
    dialog.CopyButton()->click();
    const QString copied = QApplication::clipboard()->text();
    EXPECT_TRUE(copied.startsWith(dialog.Summary()->text() + QStringLiteral("\n\nParameter")));
    for (const QString& line : VerificationTableLines(verification))
        EXPECT_TRUE(copied.contains(line + QLatin1Char('\n'))) << line.toStdString();
    EXPECT_TRUE(copied.contains(QStringLiteral("Not readable on the unit: ")));

    // Save: the JSON report of qora-cli commission --verify-report.
    QTemporaryDir dir;
    std::optional<QString> answer = dir.filePath(QStringLiteral("verify.json"));
    std::vector<FileDialogRequest> asked;
    const FileDialogFunction previous = SetFileDialogFunction([&](const FileDialogRequest& request) {
        asked.push_back(request);
        return answer;
    });
    EXPECT_EQ(dialog.SaveReport(), *answer);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_TRUE(asked[0].save);
    EXPECT_TRUE(asked[0].initialPath.endsWith(QStringLiteral(".json")));
    QFile saved(*answer);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(saved.readAll(), VerificationJson(verification));
    EXPECT_TRUE(prompts.shown.empty());

    // A folder that is not there: a warning, and no file.
    answer = dir.filePath(QStringLiteral("gone/verify.json"));
    EXPECT_TRUE(dialog.SaveReport().isEmpty());
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].icon, MsgIcon::Warning);
    EXPECT_FALSE(QFile::exists(*answer));
    // Cancelled: nothing at all.
    answer.reset();
    EXPECT_TRUE(dialog.SaveReport().isEmpty());
    EXPECT_EQ(prompts.shown.size(), 1u);
    SetFileDialogFunction(previous);
}

} // namespace
