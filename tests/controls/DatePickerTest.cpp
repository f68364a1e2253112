// Dates typed into the date pickers arrive whole: the typed entry over the
// day, month and year sections, and the picker with its formats, typed over
// a selected date as a user does.

#include "controls/DateEntry.h"
#include "controls/DatePicker.h"
#include "controls/InputBeep.h"

#include <QApplication>
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

namespace {

using Part = CDateEntry::Part;

std::optional<QDate> Typed(const QDate& over, const char* keys, std::vector<Part> order = {Part::Day, Part::Month,
                                                                                          Part::Year})
{
    CDateEntry entry(std::move(order));
    entry.Begin(over, 0);
    for (const char* k = keys; *k; ++k)
        entry.Type(QLatin1Char(*k));
    return entry.Finish();
}

TEST(DateEntry, TheWholeTypedDateIsTakenWithoutClampingOnTheWay)
{
    const QDate jan31(2024, 1, 31);
    EXPECT_EQ(Typed(jan31, "15/06/2025"), QDate(2025, 6, 15));
    EXPECT_EQ(Typed(jan31, "15062025"), QDate(2025, 6, 15));
    EXPECT_EQ(Typed(jan31, "1/6/2025"), QDate(2025, 6, 1));
    EXPECT_EQ(Typed(jan31, "4.7.2025"), QDate(2025, 7, 4)); // 4 and 7 take no second digit
    // A day beyond the month shown on the way, whole at the end.
    EXPECT_EQ(Typed(QDate(2023, 2, 1), "31/03/2025"), QDate(2025, 3, 31));
    EXPECT_EQ(Typed(QDate(2023, 2, 1), "29/02/2024"), QDate(2024, 2, 29));
    // Only some sections: the rest stays; a short year is in the shown century.
    EXPECT_EQ(Typed(jan31, "15"), QDate(2024, 1, 15));
    EXPECT_EQ(Typed(jan31, "15/06/25"), QDate(2025, 6, 15));
    // The order the picker shows.
    EXPECT_EQ(Typed(jan31, "06/15/2025", {Part::Month, Part::Day, Part::Year}), QDate(2025, 6, 15));
    EXPECT_EQ(Typed(jan31, "2025-06-15", {Part::Year, Part::Month, Part::Day}), QDate(2025, 6, 15));
}

TEST(DateEntry, NoCalendarDateIsNoDateAndImpossibleDigitsAreRefused)
{
    EXPECT_EQ(Typed(QDate(2024, 1, 31), "31/02/2025"), std::nullopt);
    EXPECT_EQ(Typed(QDate(2024, 1, 31), "29/02/2025"), std::nullopt);

    CDateEntry entry;
    entry.Begin(QDate(2024, 1, 31), 0);
    EXPECT_FALSE(entry.Type(u'x'));
    EXPECT_TRUE(entry.Type(u'3'));
    EXPECT_FALSE(entry.Type(u'5')); // no day 35
    EXPECT_TRUE(entry.Type(u'0'));
    EXPECT_TRUE(entry.Type(u'0'));
    EXPECT_FALSE(entry.Type(u'0')); // nor month 00
    EXPECT_EQ(entry.Shown(), QDate(2024, 1, 30));
    EXPECT_FALSE(entry.Complete());
}

TEST(DateEntry, PickerFormatsInTheDialogsNotation)
{
    EXPECT_EQ(QtDateFormat(QStringLiteral("dd/MM/yyy")), QStringLiteral("dd/MM/yyyy"));
    EXPECT_EQ(QtDateFormat(QStringLiteral("dd/MM/yyyy")), QStringLiteral("dd/MM/yyyy"));
    EXPECT_EQ(QtDateFormat(QStringLiteral("d.M.yy")), QStringLiteral("d.M.yy"));
    EXPECT_EQ(QtDateFormat(QStringLiteral("'yyy' yyy")), QStringLiteral("'yyy' yyyy"));
}

class DatePickerTest : public testing::Test {
protected:
    void SetUp() override
    {
        previousBeep_ = SetInputBeepFunction([this] { ++beeps; });
        picker.show();
        QApplication::setActiveWindow(&picker);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&picker));
        picker.setFocus();
    }
    void TearDown() override { SetInputBeepFunction(std::move(previousBeep_)); }

    CDatePicker picker;
    int beeps = 0;

private:
    std::function<void()> previousBeep_;
};

TEST_F(DatePickerTest, ADateTypedOverTheSelectedDateArrivesWhole)
{
    picker.SetPickerFormat(QStringLiteral("dd/MM/yyy"));
    EXPECT_EQ(picker.displayFormat(), QStringLiteral("dd/MM/yyyy"));
    for (const QDate& over : {QDate(2024, 1, 1), QDate(2024, 1, 31), QDate(2024, 2, 29), QDate(1900, 1, 1)}) {
        SCOPED_TRACE(over.toString(Qt::ISODate).toStdString());
        // The whole text selected.
        picker.setDate(over);
        picker.selectAll();
        QTest::keyClicks(&picker, "15/06/2025");
        EXPECT_EQ(picker.date(), QDate(2025, 6, 15));
        EXPECT_EQ(picker.text(), QStringLiteral("15/06/2025"));
        // The day section selected, as focus leaves it; keys to the inner edit.
        picker.setDate(over);
        picker.setSelectedSection(QDateTimeEdit::DaySection);
        QTest::keyClicks(picker.findChild<QLineEdit*>(), "03072026");
        EXPECT_EQ(picker.date(), QDate(2026, 7, 3));
    }
    EXPECT_EQ(beeps, 0);

    // From the month on: the day stays.
    picker.setDate(QDate(2024, 1, 20));
    picker.setSelectedSection(QDateTimeEdit::MonthSection);
    QTest::keyClicks(&picker, "11/2023");
    EXPECT_EQ(picker.date(), QDate(2023, 11, 20));

    // The year section stays selected for the keys that step it.
    QTest::keyClick(&picker, Qt::Key_Up);
    EXPECT_EQ(picker.date(), QDate(2024, 11, 20));
}

TEST_F(DatePickerTest, PartlyTypedDatesEndWithTheFocusAndImpossibleOnesAreUndone)
{
    picker.SetPickerFormat(QStringLiteral("dd/MM/yyy"));
    picker.setDate(QDate(2024, 3, 10));
    picker.selectAll();
    QTest::keyClicks(&picker, "31/02");
    EXPECT_TRUE(picker.IsTyping());
    QTest::keyClick(&picker, Qt::Key_Tab);
    EXPECT_FALSE(picker.IsTyping());
    EXPECT_EQ(picker.date(), QDate(2024, 3, 10));
    EXPECT_EQ(beeps, 1);

    picker.selectAll();
    QTest::keyClicks(&picker, "7/5");
    QTest::keyClick(&picker, Qt::Key_Return);
    EXPECT_EQ(picker.date(), QDate(2024, 5, 7));
}

TEST_F(DatePickerTest, TheLocalesFormatWithAMonthNameTakesTheMonthsNumber)
{
    picker.setDisplayFormat(QStringLiteral("d MMM yyyy"));
    picker.SetPickerFormat(QStringLiteral("d MMM yyyy"));
    picker.setDate(QDate(2024, 1, 31));
    picker.selectAll();
    QTest::keyClicks(&picker, "15/06/2025");
    EXPECT_EQ(picker.date(), QDate(2025, 6, 15));
    EXPECT_EQ(picker.text(), QLocale().toString(QDate(2025, 6, 15), QStringLiteral("d MMM yyyy")));
}

} // namespace
