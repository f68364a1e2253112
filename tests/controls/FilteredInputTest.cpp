// Every way text comes into a filtered edit (typing, Ctrl+V, Shift+Insert,
// the context menu's Paste, a drop, an input method) passes the same filter:
// the digits-only and altitude edits keep the characters of their set and
// beep for the rest, the IPv4 address fields take digits only, and the
// coordinate controls take nothing but typed characters.

#include "controls/InputBeep.h"
#include "controls/IpAddressEdit.h"
#include "controls/LatLongCtrl.h"
#include "controls/SmartEdit.h"
#include "controls/TextByteLimit.h"

#include <QApplication>
#include <QClipboard>
#include <QDropEvent>
#include <QInputMethodEvent>
#include <QMenu>
#include <QMimeData>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class FilteredInputTest : public testing::Test {
protected:
    void SetUp() override
    {
        previousBeep_ = SetInputBeepFunction([this] { ++beeps; });
        previousClipboard_ = QGuiApplication::clipboard()->text();
    }
    void TearDown() override
    {
        SetInputBeepFunction(std::move(previousBeep_));
        QGuiApplication::clipboard()->setText(previousClipboard_);
    }

    static void Clip(const QString& text) { QGuiApplication::clipboard()->setText(text); }
    // A drop of `text` at the start of the widget; whether it was taken.
    static bool Drop(QWidget& widget, const QString& text, QPointF at = QPointF(2, 2))
    {
        QMimeData data;
        data.setText(text);
        QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&widget, &enter);
        QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&widget, &drop);
        return drop.isAccepted();
    }
    static void Commit(QWidget& widget, const QString& text)
    {
        QInputMethodEvent event;
        event.setCommitString(text);
        QApplication::sendEvent(&widget, &event);
    }
    // The context menu's Paste, triggered as a click would.
    static bool MenuPaste(CGuardedLineEdit& edit)
    {
        std::unique_ptr<QMenu> menu(edit.CreateContextMenu());
        for (QAction* action : menu->actions())
            if (action->text().startsWith(QStringLiteral("&Paste"))) {
                action->trigger();
                return true;
            }
        return false;
    }

    int beeps = 0;

private:
    std::function<void()> previousBeep_;
    QString previousClipboard_;
};

TEST_F(FilteredInputTest, DigitsOnlyEditFiltersEveryPaste)
{
    CSmartEdit edit;
    edit.SetCharacterSet(CSmartEditFilter::kDigits);

    Clip(QStringLiteral("12ab"));
    QTest::keyClick(&edit, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(edit.text(), QStringLiteral("12"));
    EXPECT_EQ(beeps, 1);

    QTest::keyClick(&edit, Qt::Key_Insert, Qt::ShiftModifier);
    EXPECT_EQ(edit.text(), QStringLiteral("1212"));
    EXPECT_EQ(beeps, 2);

    ASSERT_TRUE(MenuPaste(edit));
    EXPECT_EQ(edit.text(), QStringLiteral("121212"));
    EXPECT_EQ(beeps, 3);

    // Over a selection: the selection goes, the digits come in.
    edit.setSelection(0, 4);
    Clip(QStringLiteral("x9 y"));
    QTest::keyClick(&edit, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(edit.text(), QStringLiteral("912"));
    // Nothing admitted: nothing changes, but it beeps.
    Clip(QStringLiteral("abc"));
    QTest::keyClick(&edit, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(edit.text(), QStringLiteral("912"));
    EXPECT_EQ(beeps, 5);

    // Digits alone go in without a beep.
    edit.clear();
    Clip(QStringLiteral("4711"));
    QTest::keyClick(&edit, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(edit.text(), QStringLiteral("4711"));
    EXPECT_EQ(beeps, 5);
}

TEST_F(FilteredInputTest, DigitsOnlyEditFiltersDropsAndInputMethods)
{
    CSmartEdit edit;
    edit.SetCharacterSet(CSmartEditFilter::kDigits);
    edit.resize(200, 30);
    EXPECT_TRUE(Drop(edit, QStringLiteral("4x5")));
    EXPECT_EQ(edit.text(), QStringLiteral("45"));
    EXPECT_EQ(beeps, 1);
    EXPECT_FALSE(Drop(edit, QStringLiteral("abc")));
    EXPECT_EQ(edit.text(), QStringLiteral("45"));
    EXPECT_EQ(beeps, 2);

    edit.end(false);
    Commit(edit, QStringLiteral("7y"));
    EXPECT_EQ(edit.text(), QStringLiteral("457"));
    EXPECT_EQ(beeps, 3);

    // A read-only edit takes nothing.
    edit.setReadOnly(true);
    Clip(QStringLiteral("8"));
    QTest::keyClick(&edit, Qt::Key_V, Qt::ControlModifier);
    EXPECT_FALSE(Drop(edit, QStringLiteral("9")));
    EXPECT_EQ(edit.text(), QStringLiteral("457"));
}

TEST_F(FilteredInputTest, AltitudeEditKeepsDigitsPointAndSigns)
{
    CSmartEdit edit;
    edit.SetCharacterSet(CSmartEditFilter::kSignedDecimal);
    Clip(QStringLiteral("-12.5 m"));
    QTest::keyClick(&edit, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(edit.text(), QStringLiteral("-12.5"));
    EXPECT_EQ(beeps, 1);
    edit.clear();
    Clip(QStringLiteral("+1e3,4"));
    QTest::keyClick(&edit, Qt::Key_Insert, Qt::ShiftModifier);
    EXPECT_EQ(edit.text(), QStringLiteral("+134"));
    EXPECT_EQ(beeps, 2);
    // Typed characters, an AltGr one among them, take the same filter.
    QTest::keyClicks(&edit, "5x");
    QTest::keyClick(&edit, Qt::Key_At, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_EQ(edit.text(), QStringLiteral("+1345"));
    EXPECT_EQ(beeps, 4);
}

TEST_F(FilteredInputTest, Ipv4FieldsTakeDigitsOnlyHoweverTheyCome)
{
    CIpAddressEdit ip;
    QLineEdit* first = ip.Field(0);
    Clip(QStringLiteral("12ab"));
    QTest::keyClick(first, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(first->text(), QStringLiteral("12"));
    EXPECT_EQ(beeps, 1);
    QTest::keyClick(first, Qt::Key_A);
    EXPECT_EQ(first->text(), QStringLiteral("12"));
    EXPECT_EQ(beeps, 2);

    // Digits past a field's range are refused whole.
    QLineEdit* second = ip.Field(1);
    Clip(QStringLiteral("300"));
    QTest::keyClick(second, Qt::Key_Insert, Qt::ShiftModifier);
    EXPECT_EQ(second->text(), QString());

    QLineEdit* third = ip.Field(2);
    third->resize(60, 20);
    EXPECT_TRUE(Drop(*third, QStringLiteral("2b5")));
    EXPECT_EQ(third->text(), QStringLiteral("25"));
    EXPECT_FALSE(Drop(*third, QStringLiteral("x.y")));
    Commit(*ip.Field(3), QStringLiteral("q1"));
    EXPECT_EQ(ip.Text(), QStringLiteral("12.0.25.1"));
}

TEST_F(FilteredInputTest, CoordinateControlsTakeNoPasteNorDrop)
{
    CGCLatitudeCtrl latitude;
    latitude.SetStyle(LatLongStyle::kSymbolSeparators);
    ASSERT_TRUE(latitude.SetValue(12.5));
    latitude.resize(200, 30);
    const QString shown = latitude.text();
    latitude.SelectField(1);

    Clip(QStringLiteral("12ab"));
    QTest::keyClick(&latitude, Qt::Key_V, Qt::ControlModifier);
    QTest::keyClick(&latitude, Qt::Key_Insert, Qt::ShiftModifier);
    EXPECT_FALSE(Drop(latitude, QStringLiteral("34ab")));
    Commit(latitude, QStringLiteral("7z"));
    EXPECT_EQ(latitude.text(), shown);
    EXPECT_DOUBLE_EQ(latitude.GetValue(), 12.5);

    // Typing still works, field by field.
    QTest::keyClicks(&latitude, "45");
    EXPECT_DOUBLE_EQ(latitude.GetValue(), 45.5);
}

TEST(TextByteLimit, AdmitsTheLongestBeginningThatFits)
{
    // Line breaks take two bytes, as a CR LF would.
    const CTextByteLimit limit(10, [](const QString& text) { return text.size() + text.count(u'\n'); });
    EXPECT_EQ(limit.Admit(QStringLiteral("abcd"), 4, 4, QStringLiteral("efghij")), QStringLiteral("efghij"));
    EXPECT_EQ(limit.Admit(QStringLiteral("abcd"), 4, 4, QStringLiteral("ef\nghij")), QStringLiteral("ef\ngh"));
    EXPECT_EQ(limit.Admit(QStringLiteral("abcdefgh"), 8, 8, QStringLiteral("x\n")), QStringLiteral("x"));
    EXPECT_EQ(limit.Admit(QStringLiteral("abcdefghi"), 9, 9, QStringLiteral("\nx")), QString());
    // What the selection replaces makes room.
    EXPECT_EQ(limit.Admit(QStringLiteral("abcdefghij"), 2, 5, QStringLiteral("XYZW")), QStringLiteral("XYZ"));
    // A text longer already (put there whole) may shrink, never grow.
    EXPECT_EQ(limit.Admit(QString(14, u'a'), 0, 3, QStringLiteral("bcdef")), QStringLiteral("bcd"));
    EXPECT_EQ(limit.Admit(QString(14, u'a'), 14, 14, QStringLiteral("b")), QString());
    // A character of two UTF-16 units is never split.
    const QString clef = QString::fromUcs4(U"\U0001D11E");
    EXPECT_EQ(CTextByteLimit(3).Admit(QStringLiteral("ab"), 2, 2, clef), QString());
    EXPECT_EQ(CTextByteLimit(4).Admit(QStringLiteral("ab"), 2, 2, clef + u'c'), clef);
    // No limit: everything; a huge paste against a limit: quickly cut.
    EXPECT_EQ(CTextByteLimit().Admit(QString(), 0, 0, QString(5000, u'z')).size(), 5000);
    EXPECT_EQ(CTextByteLimit(99).Admit(QString(), 0, 0, QString(1'000'000, u'z')).size(), 99);
}

} // namespace
