// The User Information dialog's texts against a played unit: the limits hold
// while the user types and pastes (counted in bytes as the unit gets them, a
// line break two), the unit's own texts are shown and written back whole, and
// a block that would not fit its length byte is refused with nothing sent.

#include "SystemFixture.h"

#include "controls/InputBeep.h"
#include "controls/LimitedLineEdit.h"
#include "data/system/UserData.h"
#include "data/system/widgets/UserInfoDlg.h"
#include "support/PromptRecorder.h"

#include <QApplication>
#include <QClipboard>
#include <QDateEdit>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

using namespace systest;

namespace {

class UserTextsTest : public SystemFixture {
protected:
    void SetUp() override
    {
        SystemFixture::SetUp();
        previousBeep_ = SetInputBeepFunction([this] { ++beeps; });
        previousClipboard_ = QGuiApplication::clipboard()->text();
    }
    void TearDown() override
    {
        SetInputBeepFunction(std::move(previousBeep_));
        QGuiApplication::clipboard()->setText(previousClipboard_);
        dlg.reset();
        SystemFixture::TearDown();
    }

    // The dialog, filled with these texts from the unit (sent as they are,
    // each ended by a NUL).
    void Open(const std::string& name, const std::string& comments, const std::string& actions)
    {
        dlg = std::make_unique<CUserInfoDlg>();
        Reply(TextReply(0xE001, name));
        Reply(TextReply(0xE002, "2009/11/4"));
        Reply(TextReply(0xE003, comments));
        Reply(TextReply(0xE004, actions));
        Sent();
    }
    QLineEdit* Name() const { return dlg->findChild<QLineEdit*>(QStringLiteral("nameEdit")); }
    QPlainTextEdit* Comments() const { return dlg->findChild<QPlainTextEdit*>(QStringLiteral("commentsEdit")); }
    QPlainTextEdit* Actions() const { return dlg->findChild<QPlainTextEdit*>(QStringLiteral("actionsEdit")); }
    QDateEdit* Date() const { return dlg->findChild<QDateEdit*>(QStringLiteral("dateEdit")); }
    void Ok() const { dlg->findChild<QPushButton*>(QStringLiteral("okButton"))->click(); }
    static void Paste(QWidget* edit, const QString& text)
    {
        QGuiApplication::clipboard()->setText(text);
        QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
    }
    // Keys typing these characters, one by one (QTest's own clicks take
    // Latin-1 only).
    static void Type(QWidget* edit, const QString& text)
    {
        for (const QChar c : text) {
            QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
            QApplication::sendEvent(edit, &press);
        }
    }
    // The user block of the one write request sent, or empty.
    std::string WrittenBlock()
    {
        const std::vector<Bytes> sent = Sent();
        if (sent.size() != 1 || sent[0].size() < 6 || sent[0][2] != 0x05)
            return {};
        EXPECT_EQ(sent[0][5], sent[0].size() - 6);
        return std::string(sent[0].begin() + 6, sent[0].end());
    }

    std::unique_ptr<CUserInfoDlg> dlg;
    int beeps = 0;

private:
    std::function<void()> previousBeep_;
    QString previousClipboard_;
};

TEST_F(UserTextsTest, TypedLineBreaksCountTwoBytesAgainstTheLimit)
{
    Open("", "", "");
    // 49 lines of "a" and a line break: 33 of them fill the 99 bytes, each
    // key after that beeps and changes nothing.
    for (int line = 0; line < 49; ++line) {
        QTest::keyClicks(Comments(), "a");
        QTest::keyClick(Comments(), Qt::Key_Return);
    }
    QString full;
    for (int line = 0; line < 33; ++line)
        full += QStringLiteral("a\n");
    EXPECT_EQ(Comments()->toPlainText(), full);
    EXPECT_EQ(beeps, 2 * 16);

    // 98 bytes and a line break: the break does not fit, one character does.
    QTest::keyClicks(Actions(), std::string(98, 'x').c_str());
    QTest::keyClick(Actions(), Qt::Key_Enter);
    EXPECT_EQ(Actions()->toPlainText(), QString(98, u'x'));
    QTest::keyClicks(Actions(), "yz");
    EXPECT_EQ(Actions()->toPlainText(), QString(98, u'x') + u'y');
    // Deleting makes room again.
    QTest::keyClick(Actions(), Qt::Key_Backspace);
    QTest::keyClick(Actions(), Qt::Key_Backspace);
    QTest::keyClick(Actions(), Qt::Key_Return);
    EXPECT_EQ(Actions()->toPlainText(), QString(97, u'x') + u'\n');
    EXPECT_EQ(beeps, 2 * 16 + 2);

    // The name: 31 bytes, a Latin-1 letter one of them.
    QTest::keyClicks(Name(), std::string(30, 'n').c_str());
    QTest::keyClick(Name(), Qt::Key_Eacute);
    QTest::keyClicks(Name(), "z");
    EXPECT_EQ(Name()->text(), QString(30, u'n') + QChar(0xC9));

    const int beepsBefore = beeps;
    Ok();
    const std::string block = WrittenBlock();
    ASSERT_EQ(block.size(), 4u + 32 + 11 + 100 + 100);
    EXPECT_EQ(block.substr(0, 4), std::string("\x20\x0B\x64\x64", 4));
    EXPECT_EQ(block.substr(4, 32), std::string(30, 'n') + "\xC9" + '\0');
    std::string crlf;
    for (int line = 0; line < 33; ++line)
        crlf += "a\r\n";
    EXPECT_EQ(block.substr(4 + 32 + 11, 100), crlf + '\0');
    EXPECT_EQ(block.substr(4 + 32 + 11 + 100), std::string(97, 'x') + "\r\n" + '\0');
    EXPECT_EQ(beeps, beepsBefore);
}

TEST_F(UserTextsTest, PastesStopAtTheLimit)
{
    Open("Jo", "first", "");
    // Into the middle of a text, over a selection, with CR LF breaks: as much
    // of the paste as fits, then a beep.
    QTextCursor cursor = Comments()->textCursor();
    cursor.setPosition(1);
    cursor.setPosition(4, QTextCursor::KeepAnchor); // "irs"
    Comments()->setTextCursor(cursor);
    QString lines;
    for (int i = 0; i < 40; ++i)
        lines += QStringLiteral("ab\r\n");
    Paste(Comments(), lines);
    // 2 bytes kept around the selection, 24 lines of 4 bytes, and one "a":
    // no half of a line break.
    QString expected = QStringLiteral("f");
    for (int i = 0; i < 24; ++i)
        expected += QStringLiteral("ab\n");
    EXPECT_EQ(Comments()->toPlainText(), expected + QStringLiteral("at"));
    EXPECT_EQ(beeps, 1);

    // The name's context menu Paste.
    Name()->selectAll();
    QGuiApplication::clipboard()->setText(QString(40, u'm'));
    std::unique_ptr<QMenu> menu(static_cast<CLimitedLineEdit*>(Name())->CreateContextMenu());
    for (QAction* action : menu->actions())
        if (action->text().startsWith(QStringLiteral("&Paste")))
            action->trigger();
    EXPECT_EQ(Name()->text(), QString(31, u'm'));
    EXPECT_EQ(beeps, 2);

    // A drop into the actions, then one more character that does not fit.
    QMimeData data;
    data.setText(QString(150, u'b'));
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(Actions()->viewport(), &enter);
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(Actions()->viewport(), &drop);
    EXPECT_EQ(Actions()->toPlainText(), QString(99, u'b'));
    Paste(Actions(), QStringLiteral("c"));
    EXPECT_EQ(Actions()->toPlainText(), QString(99, u'b'));
    EXPECT_EQ(beeps, 4);
}

// A character the unit cannot hold would arrive as "?": it is refused with a
// beep and a message naming it, however it comes, and what comes before it
// goes in.
TEST_F(UserTextsTest, CharactersTheUnitCannotHoldAreRefusedByName)
{
    QStringList told;
    const auto previous = SetInputRefusalFunction([&told](const QString& message) { told << message; });
    Open("", "", "");
    Paste(Name(), QStringLiteral("Ann \u20ACuro"));
    Type(Name(), QStringLiteral("\u0141x"));
    Paste(Comments(), QStringLiteral("caf\u00E9 \U0001F600 ok"));
    Type(Actions(), QStringLiteral("done\u2013"));
    SetInputRefusalFunction(previous);

    EXPECT_EQ(Name()->text(), QStringLiteral("Ann x"));
    EXPECT_EQ(Comments()->toPlainText(), QStringLiteral("caf\u00E9 "));
    EXPECT_EQ(Actions()->toPlainText(), QStringLiteral("done"));
    EXPECT_EQ(beeps, 4);
    ASSERT_EQ(told.size(), 4);
    EXPECT_TRUE(told[0].startsWith(QStringLiteral("The unit cannot hold the character \"\u20AC\" (U+20AC)")))
        << told[0].toStdString();
    EXPECT_TRUE(told[1].contains(QStringLiteral("(U+0141)")));
    EXPECT_TRUE(told[2].contains(QStringLiteral("\"\U0001F600\" (U+1F600)"))) << told[2].toStdString();
    EXPECT_TRUE(told[3].contains(QStringLiteral("(U+2013)")));

    Ok();
    const std::string block = WrittenBlock();
    EXPECT_EQ(block.find('?'), std::string::npos);
    EXPECT_NE(block.find(std::string("Ann x\0", 6)), std::string::npos);
}

TEST_F(UserTextsTest, TheUnitsTextsAreShownWholeAndWrittenBackByteForByte)
{
    // Longer than the dialog's limits, lone line break characters, a
    // Latin-1 byte: 4 + 41 + 11 + 91 + 107 = 254 bytes, within the length byte.
    const std::string name(40, 'N');
    std::string comments = "lone LF\nlone CR\rpair\r\n\xE9";
    comments += std::string(90 - comments.size(), 'c');
    const std::string actions(106, 'A');
    Open(name, comments, actions);
    EXPECT_EQ(Name()->text(), QString(40, u'N'));
    EXPECT_EQ(Actions()->toPlainText(), QString(106, u'A'));
    EXPECT_TRUE(Comments()->toPlainText().startsWith(QStringLiteral("lone LF\nlone CR\npair\n") + QChar(0xE9)));

    // A text longer than its limit may shrink but not grow.
    QTest::keyClicks(Actions(), "b");
    EXPECT_EQ(Actions()->toPlainText(), QString(106, u'A'));
    EXPECT_EQ(beeps, 1);

    // Only the date changes: the texts go back as the unit had them.
    Date()->setDate(QDate(2024, 2, 29));
    Ok();
    const std::string block = WrittenBlock();
    const std::string expected = std::string("\x29\x0B\x5B\x6B", 4) + name + '\0' + "2024/02/29" + '\0' + comments +
                                 '\0' + actions + '\0';
    EXPECT_EQ(block, expected);
}

TEST_F(UserTextsTest, ABlockTooLongForItsLengthByteIsRefusedWithNothingSent)
{
    PromptRecorder prompts;
    Open(std::string(100, 'N'), std::string(100, 'C'), std::string(100, 'A'));
    Date()->setDate(QDate(2024, 6, 15));
    Ok();
    EXPECT_TRUE(Sent().empty());
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].text, UserBlockTooLongText(4 + 101 + 11 + 101 + 101));
    EXPECT_TRUE(prompts.shown[0].text.contains(QStringLiteral("too long")));
    EXPECT_EQ(prompts.shown[0].icon, MsgIcon::Warning);
    EXPECT_EQ(dlg->result(), 0);
    EXPECT_TRUE(dlg->findChild<QPushButton*>(QStringLiteral("okButton"))->isEnabled());

    // The user shortens the comments; now it goes, the other texts whole.
    Comments()->selectAll();
    QTest::keyClick(Comments(), Qt::Key_Delete);
    QTest::keyClicks(Comments(), "ok");
    Ok();
    const std::string block = WrittenBlock();
    EXPECT_EQ(block, std::string("\x65\x0B\x03\x65", 4) + std::string(100, 'N') + '\0' + "2024/06/15" + '\0' +
                         "ok" + '\0' + std::string(100, 'A') + '\0');
    EXPECT_EQ(prompts.shown.size(), 1u);
}

// The dialog's date picker takes a date typed over the shown one whole.
TEST_F(UserTextsTest, ADateTypedOverTheShownOneIsWrittenWhole)
{
    Open("Jo", "", "");
    EXPECT_EQ(Date()->text(), QStringLiteral("04/11/2009"));
    Date()->setFocus();
    Date()->selectAll();
    QTest::keyClicks(Date(), "15/06/2025");
    EXPECT_EQ(Date()->text(), QStringLiteral("15/06/2025"));
    Ok();
    const std::string block = WrittenBlock();
    EXPECT_EQ(block.substr(4 + 3, 11), std::string("2025/06/15") + '\0');
}

} // namespace
