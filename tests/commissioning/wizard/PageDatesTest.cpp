// Dates typed over the selected date of the wizard's pickers (user page and
// GPS page) arrive whole in the page values.

#include "WizardFixture.h"

#include "commissioning/wizard/widgets/CWGpsPage.h"
#include "commissioning/wizard/widgets/CWUserPage.h"

#include <QDateEdit>
#include <QTest>
#include <QTimeEdit>

namespace {

using Wiz = CCommissionWiz;

class PageDatesTest : public WizardFixture {
protected:
    // Types the date over the picker's whole text, as a user who selected it.
    static void TypeOver(QDateEdit* picker, const QDate& shown, const char* keys)
    {
        picker->setDate(shown);
        picker->setFocus();
        picker->selectAll();
        QTest::keyClicks(picker, keys);
    }
};

TEST_F(PageDatesTest, UserPageDateTypedOverTheShownOne)
{
    CCommissionWiz& wiz = MakeWizard();
    wiz.show();
    ASSERT_TRUE(GoTo(Wiz::kUserPageId));
    QDateEdit* picker = wiz.UserPage()->DateEdit();
    EXPECT_EQ(picker->displayFormat(), QStringLiteral("dd/MM/yyyy"));
    TypeOver(picker, QDate(2024, 1, 31), "15/06/2025");
    EXPECT_EQ(picker->text(), QStringLiteral("15/06/2025"));
    ASSERT_TRUE(wiz.UserPage()->validatePage());
    const SUserPageValues& values = wiz.Values().user;
    EXPECT_EQ(QDate(values.year, values.month, values.day), QDate(2025, 6, 15));
}

TEST_F(PageDatesTest, GpsPageDateTypedOverTheShownOne)
{
    CCommissionWiz& wiz = MakeWizard();
    wiz.show();
    ASSERT_TRUE(GoTo(Wiz::kGpsPageId));
    QDateEdit* picker = wiz.GpsPage()->DateEdit();
    // Noon, so that the conversion to UTC keeps the day.
    wiz.GpsPage()->findChild<QTimeEdit*>(QStringLiteral("time1058"))->setTime(QTime(12, 0));
    TypeOver(picker, QDate(2024, 2, 29), "15/06/2025");
    EXPECT_EQ(picker->date(), QDate(2025, 6, 15));
    ASSERT_TRUE(Next());
    const SUtcDateTime& utc = wiz.Values().gps.utc;
    EXPECT_EQ(QDate(utc.year, utc.month, utc.day), QDate(2025, 6, 15));
}

} // namespace
