// The System Parameters and User Information dialogs offscreen against a played unit.

#include "SystemFixture.h"

#include "data/system/widgets/SystemParamDlg.h"
#include "data/system/widgets/UserInfoDlg.h"
#include "platform/StringTable.h"
#include "support/PromptRecorder.h"

#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QDateEdit>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

using namespace systest;

namespace {

template <typename T>
T* Child(const QWidget& w, const char* name)
{
    return w.findChild<T*>(QString::fromLatin1(name));
}

using DialogTest = SystemFixture;

TEST_F(DialogTest, SystemParametersShowNotAvailableAndTickBothOptions)
{
    CSystemParamDlg dlg;
    EXPECT_EQ(Child<QLineEdit>(dlg, "frameNumberEdit")->text(), QStringLiteral("0"));
    Sent();
    Reply(ReadReply(7, 0xC002, {0x00, 0xFF, 0x03}));
    Reply(ReadReply(7, 0xB002, {0x01, 0x01, 0x00, 0x00}));
    Sent();
    EXPECT_EQ(Child<QLineEdit>(dlg, "frameNumberEdit")->text(), QStringLiteral("N/A"));
    EXPECT_EQ(Child<QLineEdit>(dlg, "timeSlotEdit")->text(), QStringLiteral("N/A"));
    EXPECT_FALSE(Child<QLineEdit>(dlg, "frameNumberEdit")->isEnabled());
    EXPECT_TRUE(Child<QCheckBox>(dlg, "lastDeviceCheck")->isChecked());
    EXPECT_TRUE(Child<QCheckBox>(dlg, "onePpsCheck")->isChecked());

    // The visible OK closes without writing.
    Child<QPushButton>(dlg, "closeButton")->click();
    EXPECT_EQ(dlg.result(), QDialog::Rejected);
    EXPECT_TRUE(Sent().empty());
    EXPECT_EQ(handler->ListenerCount(), 0u);
}

TEST_F(DialogTest, SystemParametersHiddenOkWritesAndStaysOpenOnFailure)
{
    PromptRecorder prompts;
    CSystemParamDlg dlg;
    Sent();
    Reply(ReadReply(7, 0xC002, {0x00, 0x10, 0x02}));
    Reply(ReadReply(7, 0xB002, {0x00, 0x00, 0x00, 0x00}));
    Sent();
    EXPECT_EQ(Child<QLineEdit>(dlg, "frameNumberEdit")->text(), QStringLiteral("16"));
    EXPECT_EQ(Child<QLineEdit>(dlg, "timeSlotEdit")->text(), QStringLiteral("2"));
    auto* ok = Child<QPushButton>(dlg, "okButton");
    EXPECT_FALSE(ok->isVisible());
    ok->click();
    EXPECT_EQ(Sent(), (std::vector<Bytes>{{0x84, 0x07, 0x05, 0xB0, 0x02, 0x01, 0x00}}));
    Reply(WriteReply(7, 0xB002, 1));
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_TRUE(prompts.shown[0].text.startsWith(QStringLiteral("Problems encountered when sending")));
    EXPECT_EQ(prompts.shown[0].icon, MsgIcon::Error);
    EXPECT_EQ(dlg.result(), 0);
    EXPECT_TRUE(ok->isEnabled());
    ok->click();
    Reply(WriteReply(7, 0xB002));
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
}

TEST_F(DialogTest, SystemParametersReadFailureCloses)
{
    PromptRecorder prompts;
    CSystemParamDlg dlg;
    Reply(ReadReply(7, 0xC002, {0x00, 0x10, 0x02}, 2));
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].text, LoadResString(StringId::ReadingProblem));
    EXPECT_EQ(dlg.result(), QDialog::Rejected);
}

class UserDialogTest : public SystemFixture {
protected:
    std::unique_ptr<CUserInfoDlg> Open(const std::string& date)
    {
        auto dlg = std::make_unique<CUserInfoDlg>();
        EXPECT_FALSE(Child<QPushButton>(*dlg, "okButton")->isEnabled());
        EXPECT_FALSE(Child<QLineEdit>(*dlg, "nameEdit")->isEnabled());
        Reply(TextReply(0xE001, "Jo Smith"));
        Reply(TextReply(0xE002, date));
        Reply(TextReply(0xE003, "line one\r\nline two"));
        Reply(TextReply(0xE004, ""));
        Sent();
        return dlg;
    }
};

TEST_F(UserDialogTest, ShowsTheValuesAndWritesTheDateBackPadded)
{
    auto dlg = Open("2009/11/4");
    auto* date = Child<QDateEdit>(*dlg, "dateEdit");
    EXPECT_EQ(date->date(), QDate(2009, 11, 4));
    EXPECT_EQ(date->text(), QStringLiteral("04/11/2009"));
    EXPECT_EQ(Child<QLineEdit>(*dlg, "nameEdit")->text(), QStringLiteral("Jo Smith"));
    EXPECT_EQ(Child<QPlainTextEdit>(*dlg, "commentsEdit")->toPlainText(), QStringLiteral("line one\nline two"));
    for (const char* name : {"nameEdit", "dateEdit", "commentsEdit", "actionsEdit", "okButton"})
        EXPECT_TRUE(Child<QWidget>(*dlg, name)->isEnabled()) << name;

    // A paste of 150 characters stops at the field's 99.
    const QString clipboard = QGuiApplication::clipboard()->text();
    QGuiApplication::clipboard()->setText(QString(150, u'a'));
    QTest::keyClick(Child<QPlainTextEdit>(*dlg, "actionsEdit"), Qt::Key_V, Qt::ControlModifier);
    QGuiApplication::clipboard()->setText(clipboard);
    EXPECT_EQ(Child<QPlainTextEdit>(*dlg, "actionsEdit")->toPlainText(), QString(99, u'a'));
    Child<QPushButton>(*dlg, "okButton")->click();
    const std::vector<Bytes> sent = Sent();
    ASSERT_EQ(sent.size(), 1u);
    const std::string value(sent[0].begin() + 6, sent[0].end());
    const std::string expected = std::string("\x09\x0B\x13\x64", 4) + std::string("Jo Smith\0", 9) +
                                 std::string("2009/11/04\0", 11) + std::string("line one\r\nline two\0", 19) +
                                 std::string(99, 'a') + std::string(1, '\0');
    EXPECT_EQ(value, expected);
    EXPECT_EQ(sent[0][5], expected.size());
    Reply(WriteReply(8, 0x9002));
    EXPECT_EQ(dlg->result(), QDialog::Accepted);
    EXPECT_EQ(handler->ListenerCount(), 0u);
}

TEST_F(UserDialogTest, AFailedWriteKeepsTheDialogAndItsValues)
{
    PromptRecorder prompts;
    auto dlg = Open("0/0/0");
    // No calendar date: the picker is blank and the date goes out as "no date".
    EXPECT_EQ(Child<QDateEdit>(*dlg, "dateEdit")->text().trimmed(), QString());
    Child<QLineEdit>(*dlg, "nameEdit")->setText(QStringLiteral("Kim"));
    Child<QPushButton>(*dlg, "okButton")->click();
    const std::vector<Bytes> sent = Sent();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_NE(std::string(sent[0].begin(), sent[0].end()).find(std::string("Kim\0-001/-1/-1\0", 15)),
              std::string::npos);
    Reply(WriteReply(8, 0x9002, 2));
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].icon, MsgIcon::Error);
    EXPECT_EQ(dlg->result(), 0);
    EXPECT_EQ(Child<QLineEdit>(*dlg, "nameEdit")->text(), QStringLiteral("Kim"));
    EXPECT_TRUE(Child<QPushButton>(*dlg, "okButton")->isEnabled());
}

TEST_F(UserDialogTest, ReadOnlyShowsDisabledFieldsAndNeverWrites)
{
    SetAppFullControl(false);
    auto dlg = Open("2009/11/4");
    EXPECT_EQ(Child<QLineEdit>(*dlg, "nameEdit")->text(), QStringLiteral("Jo Smith"));
    for (const char* name : {"nameEdit", "dateEdit", "commentsEdit", "actionsEdit"})
        EXPECT_FALSE(Child<QWidget>(*dlg, name)->isEnabled()) << name;
    Child<QPushButton>(*dlg, "okButton")->click();
    EXPECT_TRUE(Sent().empty());
    EXPECT_EQ(dlg->result(), QDialog::Accepted);
}

TEST_F(UserDialogTest, ReadFailureCloses)
{
    PromptRecorder prompts;
    CUserInfoDlg dlg;
    Reply({0x84, 0x08, 0xF0});
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].text, LoadResString(StringId::ReadingProblem));
    EXPECT_EQ(dlg.result(), QDialog::Rejected);
}

} // namespace
