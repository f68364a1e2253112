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

// As many rows as a local commissioning reads back, one of them otherwise.
SVerification Verification()
{
    SVerification v{true, SUnitPlace{false, QStringLiteral("10.20.30.40"), 200}, {}};
    for (int row = 0; row < 14; ++row)
        v.rows.push_back({QStringLiteral("Parameter %1").arg(row), QStringLiteral("written %1").arg(row),
                          QStringLiteral("written %1").arg(row), true});
    v.rows[5].readBack = QStringLiteral("other");
    v.rows[5].match = false;
    return v;
}

TEST(VerifyDlg, ShowsEveryRowAtItsOwnSizeAndSavesAndCopiesWhatItShows)
{
    PromptRecorder prompts;
    const SVerification verification = Verification();
    CVerifyDlg dialog(verification);
    dialog.show();
    QApplication::processEvents();

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
    EXPECT_TRUE(asked[0].save && asked[0].initialPath.endsWith(QStringLiteral(".json")));
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
    SetFileDialogFunction(previous);
}

} // namespace
