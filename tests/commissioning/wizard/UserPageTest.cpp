// The wizard's user page offscreen: its texts stop at their limits in bytes
// as the unit gets them while the user types or pastes, so that the values
// the commissioning writes are the texts as entered.

#include "WizardFixture.h"

#include "commissioning/wizard/widgets/CWUserPage.h"
#include "controls/InputBeep.h"
#include "data/system/UserData.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QTest>

namespace {

using Wiz = CCommissionWiz;

class UserPageTest : public WizardFixture {
protected:
    void SetUp() override
    {
        previousBeep_ = SetInputBeepFunction([this] { ++beeps; });
        previousClipboard_ = QGuiApplication::clipboard()->text();
        MakeWizard().show();
        ASSERT_TRUE(GoTo(Wiz::kUserPageId));
        page = wizard->UserPage();
    }
    void TearDown() override
    {
        SetInputBeepFunction(std::move(previousBeep_));
        QGuiApplication::clipboard()->setText(previousClipboard_);
    }

    CCWUserPage* page = nullptr;
    int beeps = 0;

private:
    std::function<void()> previousBeep_;
    QString previousClipboard_;
};

TEST_F(UserPageTest, TextsStopAtTheirLimitsAsTheUnitCountsThem)
{
    // 49 lines of "a" and a break: 33 make the 99 bytes of the comments.
    for (int line = 0; line < 49; ++line) {
        QTest::keyClicks(page->CommentsEdit(), "a");
        QTest::keyClick(page->CommentsEdit(), Qt::Key_Return);
    }
    QString lines;
    for (int line = 0; line < 33; ++line)
        lines += QStringLiteral("a\n");
    EXPECT_EQ(page->CommentsEdit()->toPlainText(), lines);
    EXPECT_EQ(beeps, 2 * 16);

    // A paste over the limit: as much as fits, no half of a line break.
    QString pasted;
    for (int line = 0; line < 60; ++line)
        pasted += QStringLiteral("b\r\n");
    QGuiApplication::clipboard()->setText(pasted);
    QTest::keyClick(page->ActionsEdit(), Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(page->ActionsEdit()->toPlainText(), lines.replace(u'a', u'b'));
    QGuiApplication::clipboard()->setText(QString(50, u'n'));
    QTest::keyClick(page->NameEdit(), Qt::Key_Insert, Qt::ShiftModifier);
    EXPECT_EQ(page->NameEdit()->text(), QString(31, u'n'));
    EXPECT_EQ(beeps, 2 * 16 + 2);

    // The page's values are the texts as the user sees them, whole.
    const SUserPageValues& values = wizard->Values().user;
    EXPECT_EQ(values.userName, QString(31, u'n'));
    EXPECT_EQ(UnitTextBytes(values.comments), 99);
    EXPECT_EQ(UnitTextBytes(values.actions), 99);
    EXPECT_EQ(values.comments, page->CommentsEdit()->toPlainText());
}

// What the unit cannot hold would be written as "?": the page refuses it
// by name, as the User Information dialog does.
TEST_F(UserPageTest, CharactersTheUnitCannotHoldAreRefused)
{
    QStringList told;
    const auto previous = SetInputRefusalFunction([&told](const QString& message) { told << message; });
    for (QWidget* edit : std::initializer_list<QWidget*>{page->NameEdit(), page->CommentsEdit(), page->ActionsEdit()}) {
        QGuiApplication::clipboard()->setText(QStringLiteral("Jos\u00E9 \u0160"));
        QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
    }
    SetInputRefusalFunction(previous);
    EXPECT_EQ(beeps, 3);
    ASSERT_EQ(told.size(), 3);
    EXPECT_TRUE(told[0].contains(QStringLiteral("\"\u0160\" (U+0160)"))) << told[0].toStdString();
    const SUserPageValues& values = wizard->Values().user;
    EXPECT_EQ(values.userName, QStringLiteral("Jos\u00E9 "));
    EXPECT_EQ(values.comments, QStringLiteral("Jos\u00E9 "));
    EXPECT_EQ(values.actions, QStringLiteral("Jos\u00E9 "));
}

} // namespace
