// The coordinate controls and the filtering edit, offscreen, and the field
// logic beneath them.

#include "controls/LatLongCtrl.h"
#include "controls/SmartEdit.h"
#include "support/PromptRecorder.h"

#include <QTest>

#include <gtest/gtest.h>

namespace {

const QString kDeg(QChar(0x00B0));

QString Symbols(const char* hemisphere, const char* degrees, const char* minutes, const char* seconds)
{
    return QLatin1String(hemisphere) + u' ' + QLatin1String(degrees) + kDeg + QLatin1String(minutes) + u'\'' +
           QLatin1String(seconds) + QStringLiteral("\" ");
}

class LatLongCtrlTest : public testing::Test {
protected:
    void SetUp() override
    {
        latitude.SetStyle(LatLongStyle::kSymbolSeparators);
        longitude.SetStyle(LatLongStyle::kSymbolSeparators);
    }
    void Keys(QWidget& w, const char* keys)
    {
        for (const char* k = keys; *k; ++k)
            QTest::keyClick(&w, *k);
    }

    CGCLatitudeCtrl latitude;
    CGCLongitudeCtrl longitude;
};

TEST_F(LatLongCtrlTest, ShowsAndGivesBackTheValueWithinItsRange)
{
    ASSERT_TRUE(latitude.SetValue(-33.5));
    EXPECT_EQ(latitude.text(), Symbols("S", "33", "30", "00.000"));
    EXPECT_DOUBLE_EQ(latitude.GetValue(), -33.5);

    EXPECT_FALSE(latitude.SetValue(91.0));
    EXPECT_FALSE(latitude.SetValue(std::nan("")));
    EXPECT_EQ(latitude.text(), Symbols("S", "33", "30", "00.000"));

    ASSERT_TRUE(longitude.SetValue(-180.0));
    EXPECT_EQ(longitude.text(), Symbols("W", "180", "00", "00.000"));
    EXPECT_FALSE(longitude.SetValue(180.0001));
    ASSERT_TRUE(longitude.SetValue(12.345678));
    EXPECT_EQ(longitude.text(), Symbols("E", "012", "20", "44.441"));
    EXPECT_NEAR(longitude.GetValue(), 12.345678, 0.0005 / 3600);
}

TEST_F(LatLongCtrlTest, SecondsRoundingUpCarryIntoMinutesAndDegrees)
{
    ASSERT_TRUE(latitude.SetValue(12 + 34 / 60.0 + 59.9996 / 3600.0));
    EXPECT_EQ(latitude.text(), Symbols("N", "12", "35", "00.000"));
    ASSERT_TRUE(latitude.SetValue(-(12 + 59 / 60.0 + 59.9996 / 3600.0)));
    EXPECT_EQ(latitude.text(), Symbols("S", "13", "00", "00.000"));
    EXPECT_DOUBLE_EQ(latitude.GetValue(), -13.0);
}

TEST_F(LatLongCtrlTest, StyleGroupsChangeOnlyWhatTheyName)
{
    CGCLatitudeCtrl plain;
    EXPECT_EQ(plain.GetStyle(), 0x0CA9u);
    plain.SetValue(1.5);
    EXPECT_EQ(plain.text(), QStringLiteral("N:01:30:00.000"));
    plain.SetStyle(LatLongStyle::kHemisphereSigns | LatLongStyle::kWholeSeconds | LatLongStyle::kLeadingBlanks);
    EXPECT_EQ(plain.GetStyle(), 0x0D51u);
    EXPECT_EQ(plain.text(), QStringLiteral("+: 1:30: 0"));
    plain.SetStyle(LatLongStyle::kLetterSeparators | LatLongStyle::kHemisphereLast);
    EXPECT_EQ(plain.text(), QStringLiteral(" 1d30m 0s+h"));
    plain.SetValue(-1.5);
    EXPECT_DOUBLE_EQ(plain.GetValue(), -1.5);
    // Hemisphere last: the fourth field shown is the hemisphere.
    ASSERT_TRUE(plain.SelectField(3));
    EXPECT_EQ(plain.selectedText(), QStringLiteral("-"));
    EXPECT_FALSE(plain.SelectField(4));
}

TEST_F(LatLongCtrlTest, TypingDigitsRestartsPastTheMaximumAndLocksAtIt)
{
    latitude.SetValue(10.5);
    ASSERT_TRUE(latitude.SelectField(1));
    QTest::keyClick(&latitude, '9');
    EXPECT_EQ(latitude.Logic().Degrees(), 9);
    QTest::keyClick(&latitude, '5'); // 95 is beyond 90: typing starts again
    EXPECT_EQ(latitude.Logic().Degrees(), 5);
    EXPECT_EQ(latitude.selectedText(), QStringLiteral("05"));

    // Reaching 90 clears minutes and seconds, which then take nothing.
    QTest::keyClick(&latitude, Qt::Key_Backspace);
    Keys(latitude, "90");
    EXPECT_DOUBLE_EQ(latitude.GetValue(), 90.0);
    QTest::keyClick(&latitude, Qt::Key_Right);
    Keys(latitude, "12");
    QTest::keyClick(&latitude, Qt::Key_Up);
    EXPECT_EQ(latitude.text(), Symbols("N", "90", "00", "00.000"));

    // Below the maximum they take digits; seconds take decimals.
    latitude.SetValue(0);
    QTest::keyClick(&latitude, 'm');
    Keys(latitude, "47");
    QTest::keyClick(&latitude, 'x');
    Keys(latitude, "5.25");
    QTest::keyClick(&latitude, 'h');
    QTest::keyClick(&latitude, 's');
    EXPECT_EQ(latitude.text(), Symbols("S", "00", "47", "05.250"));
    QTest::keyClick(&latitude, 'q'); // not a hemisphere
    EXPECT_EQ(latitude.text(), Symbols("S", "00", "47", "05.250"));
}

TEST_F(LatLongCtrlTest, ArrowKeysMoveBetweenFieldsAndStepValuesWithWrapAround)
{
    longitude.SetValue(0);
    ASSERT_TRUE(longitude.SelectField(0));
    QTest::keyClick(&longitude, Qt::Key_Left);
    EXPECT_EQ(longitude.CurrentField(), 3);
    QTest::keyClick(&longitude, Qt::Key_Right);
    EXPECT_EQ(longitude.CurrentField(), 0);
    QTest::keyClick(&longitude, Qt::Key_Space);
    EXPECT_EQ(longitude.CurrentField(), 1);

    QTest::keyClick(&longitude, Qt::Key_Down); // 0 -> 180
    EXPECT_EQ(longitude.Logic().Degrees(), 180);
    QTest::keyClick(&longitude, Qt::Key_Up); // 180 -> 0
    EXPECT_EQ(longitude.Logic().Degrees(), 0);
    QTest::keyClick(&longitude, Qt::Key_Right);
    QTest::keyClick(&longitude, Qt::Key_Down);
    QTest::keyClick(&longitude, Qt::Key_Right);
    QTest::keyClick(&longitude, Qt::Key_Down);
    EXPECT_EQ(longitude.text(), Symbols("E", "000", "59", "59.999"));
    QTest::keyClick(&longitude, Qt::Key_Up);
    EXPECT_EQ(longitude.text(), Symbols("E", "000", "59", "00.000"));
    QTest::keyClick(&longitude, Qt::Key_Right); // to the hemisphere
    QTest::keyClick(&longitude, Qt::Key_Up);
    EXPECT_EQ(longitude.text(), Symbols("W", "000", "59", "00.000"));
    QTest::keyClick(&longitude, Qt::Key_Delete);
    EXPECT_EQ(longitude.text(), Symbols("E", "000", "59", "00.000"));
}

TEST_F(LatLongCtrlTest, ContextMenuResetsTheValueOrTheCurrentField)
{
    latitude.SetValue(-45.25);
    latitude.show();
    latitude.setFocus();
    latitude.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&latitude));
    latitude.SelectField(2);

    int pick = 2;
    QStringList shown;
    const auto previous = CGCLatLongAbstractBase::SetMenuRunner([&](CGCContextMenu& menu, const QPoint&) {
        for (QAction* a : menu.actions())
            shown << a->text();
        return menu.actions().value(pick - 1);
    });
    QTest::mouseClick(&latitude, Qt::RightButton);
    EXPECT_EQ(shown, (QStringList{QStringLiteral("Reset Latitude"), QStringLiteral("Reset Minutes")}));
    EXPECT_EQ(latitude.text(), Symbols("S", "45", "00", "00.000"));
    pick = 1;
    QTest::mouseClick(&latitude, Qt::RightButton);
    EXPECT_EQ(latitude.text(), Symbols("N", "00", "00", "00.000"));
    CGCLatLongAbstractBase::SetMenuRunner(previous);
}

TEST(CoordinateFields, TypingAndSteppingFollowTheFieldRules)
{
    CGCDoubleField seconds(0.0, 59.999, 3, 0.001, "%06.3f");
    for (QChar c : QStringLiteral("59.999"))
        EXPECT_TRUE(seconds.TypeChar(c));
    EXPECT_DOUBLE_EQ(seconds.GetValue(), 59.999);
    EXPECT_TRUE(seconds.TypeChar(u'7')); // a fourth decimal starts again
    EXPECT_DOUBLE_EQ(seconds.GetValue(), 7.0);
    EXPECT_TRUE(seconds.TypeChar(u'.'));
    EXPECT_FALSE(seconds.TypeChar(u'.'));
    EXPECT_FALSE(seconds.TypeChar(u'-')); // no negatives in this field
    seconds.Increment();
    EXPECT_DOUBLE_EQ(seconds.GetValue(), 7.001);

    CGCIntegerField offset(-5, 5);
    EXPECT_TRUE(offset.TypeChar(u'3'));
    EXPECT_TRUE(offset.TypeChar(u'-'));
    EXPECT_EQ(offset.Value(), -3);
    offset.Decrement();
    offset.Decrement();
    offset.Decrement();
    EXPECT_EQ(offset.Value(), 5) << "below the minimum wraps to the maximum";

    CGCStringListField list({QStringLiteral("North"), QStringLiteral("Nadir"), QStringLiteral("South")});
    EXPECT_TRUE(list.TypeChar(u'n'));
    EXPECT_EQ(list.Text(), QStringLiteral("North"));
    EXPECT_TRUE(list.TypeChar(u'a'));
    EXPECT_EQ(list.Text(), QStringLiteral("Nadir"));
    EXPECT_TRUE(list.TypeChar(u's')); // "nas" matches nothing, "s" does
    EXPECT_EQ(list.Text(), QStringLiteral("South"));
    EXPECT_FALSE(list.TypeChar(u'z'));
    EXPECT_EQ(list.Text(), QStringLiteral("South"));
    list.Increment();
    EXPECT_EQ(list.Text(), QStringLiteral("North"));
}

TEST(MultiFieldText, ClicksPickTheFieldUnderThem)
{
    const MultiFieldText text{QStringLiteral("<"),
                              {QStringLiteral("N"), QStringLiteral("12"), QStringLiteral("34")},
                              {QStringLiteral("::")},
                              QStringLiteral(">")};
    EXPECT_EQ(text.Compose(), QStringLiteral("<N::12::34>"));
    EXPECT_EQ(text.FieldAt(0), 0);
    EXPECT_EQ(text.FieldAt(2), 1); // inside a separator: the field after it
    EXPECT_EQ(text.FieldAt(5), 1);
    EXPECT_EQ(text.FieldAt(8), 2);
    EXPECT_EQ(text.FieldAt(40), 2);
}

TEST(SmartEdit, OnlyTheCharacterSetAndBackspacePass)
{
    int beeps = 0;
    const auto previous = CSmartEdit::SetBeepFunction([&beeps] { ++beeps; });
    CSmartEdit edit;
    edit.SetCharacterSet(CSmartEditFilter::kDigits);
    QTest::keyClicks(&edit, "12a3");
    EXPECT_EQ(edit.text(), QStringLiteral("123"));
    EXPECT_EQ(beeps, 1);
    QTest::keyClick(&edit, Qt::Key_Backspace);
    EXPECT_EQ(edit.text(), QStringLiteral("12"));
    EXPECT_EQ(beeps, 1);

    edit.SetCharacterSet(CSmartEditFilter::kSignedDecimalComma);
    QTest::keyClicks(&edit, "-1.5,e");
    EXPECT_EQ(edit.text(), QStringLiteral("12-1.5,"));
    EXPECT_EQ(beeps, 2);
    edit.SetCharacterSet(CSmartEditFilter::kAny);
    QTest::keyClicks(&edit, "e");
    edit.SetCharacterSet(CSmartEditFilter::kCustom, QStringLiteral("xy"));
    QTest::keyClicks(&edit, "xz");
    EXPECT_EQ(edit.text(), QStringLiteral("12-1.5,ex"));
    EXPECT_EQ(beeps, 3);
    CSmartEdit::SetBeepFunction(previous);
}

} // namespace
