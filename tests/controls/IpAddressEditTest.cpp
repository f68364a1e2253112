// The IPv4 address entry: dotted text, the four numbers, and typing as a user
// does, key by key.

#include "controls/IpAddressEdit.h"
#include "controls/Ipv4Text.h"

#include <QApplication>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace {

TEST(Ipv4Text, ParsesFourNumbersAndFormatsWithoutLeadingZeros)
{
    EXPECT_EQ(ParseIpv4(QStringLiteral("10.200.1.1")), (Ipv4Fields{10, 200, 1, 1}));
    EXPECT_EQ(ParseIpv4(QStringLiteral(" 192.168.000.255 ")), (Ipv4Fields{192, 168, 0, 255}));
    for (const char* bad : {"", "10.200.1", "10.200.1.1.1", "256.0.0.1", "1..2.3", "1.2.3.", "a.b.c.d", "1.2.3.-4",
                            "0001.2.3.4", "1.2.3.4 5", "+1.2.3.4"})
        EXPECT_FALSE(ParseIpv4(QLatin1String(bad))) << bad;
    EXPECT_EQ(FormatIpv4({10, 0, 0, 1}), QStringLiteral("10.0.0.1"));
}

class IpAddressEditTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        edit.show();
        QApplication::setActiveWindow(&edit);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&edit));
        edit.SetFieldFocus(0);
    }

    // Each key goes where the keyboard focus is, as it would for a user.
    void Type(const QString& keys)
    {
        for (const QChar key : keys)
            QTest::keyClick(QApplication::focusWidget(), key.toLatin1());
    }
    void Press(Qt::Key key) { QTest::keyClick(QApplication::focusWidget(), key); }

    CIpAddressEdit edit;
};

TEST_F(IpAddressEditTest, TypingAnAddressFillsTheFourFields)
{
    Type(QStringLiteral("10.200.1.1"));
    EXPECT_EQ(edit.Address(), (Ipv4Fields{10, 200, 1, 1}));
    EXPECT_EQ(edit.Text(), QStringLiteral("10.200.1.1"));
    EXPECT_EQ(edit.FocusedField(), 3);

    // Three digits move on by themselves; a dot after them does not skip a field.
    edit.Clear();
    edit.SetFieldFocus(0);
    Type(QStringLiteral("192168.1.7"));
    EXPECT_EQ(edit.Text(), QStringLiteral("192.168.1.7"));

    // A dot in an empty field stays there.
    edit.Clear();
    edit.SetFieldFocus(0);
    Type(QStringLiteral("..5"));
    EXPECT_EQ(edit.Field(0)->text(), QStringLiteral("5"));
    EXPECT_EQ(edit.FocusedField(), 0);
}

TEST_F(IpAddressEditTest, BackspaceInAnEmptyFieldGoesBackAndArrowsCrossFields)
{
    Type(QStringLiteral("10.20."));
    EXPECT_EQ(edit.FocusedField(), 2);
    Press(Qt::Key_Backspace);
    EXPECT_EQ(edit.FocusedField(), 1);
    Press(Qt::Key_Backspace); // now deletes in field 1
    EXPECT_EQ(edit.Field(1)->text(), QStringLiteral("2"));
    Press(Qt::Key_Backspace);
    Press(Qt::Key_Backspace);
    EXPECT_EQ(edit.FocusedField(), 0);
    EXPECT_EQ(edit.Field(0)->text(), QStringLiteral("10"));

    Press(Qt::Key_Right); // at the end of field 0
    EXPECT_EQ(edit.FocusedField(), 1);
    Press(Qt::Key_Left);
    EXPECT_EQ(edit.FocusedField(), 0);
    EXPECT_EQ(edit.Field(0)->cursorPosition(), 2);
}

TEST_F(IpAddressEditTest, ValuesOutside0To255AreRefused)
{
    Type(QStringLiteral("256"));
    EXPECT_EQ(edit.Field(0)->text(), QStringLiteral("25"));
    Type(QStringLiteral("x-"));
    EXPECT_EQ(edit.Field(0)->text(), QStringLiteral("25"));

    ASSERT_TRUE(edit.SetText(QStringLiteral("1.2.3.4")));
    EXPECT_FALSE(edit.SetText(QStringLiteral("1.2.3.256")));
    EXPECT_FALSE(edit.SetText(QStringLiteral("1.2.3")));
    EXPECT_FALSE(edit.SetAddress({1, 2, 3, -1}));
    EXPECT_FALSE(edit.SetAddress({1, 2, 300, 4}));
    EXPECT_EQ(edit.Text(), QStringLiteral("1.2.3.4"));
}

TEST_F(IpAddressEditTest, DottedTextInAndOut)
{
    QSignalSpy changed(&edit, &CIpAddressEdit::AddressChanged);
    ASSERT_TRUE(edit.SetText(QStringLiteral("010.000.1.255")));
    EXPECT_EQ(edit.Text(), QStringLiteral("10.0.1.255"));
    EXPECT_EQ(edit.Address(), (Ipv4Fields{10, 0, 1, 255}));
    EXPECT_FALSE(changed.isEmpty());
    EXPECT_FALSE(edit.IsBlank());

    edit.Clear();
    EXPECT_TRUE(edit.IsBlank());
    EXPECT_EQ(edit.Text(), QStringLiteral("0.0.0.0"));
    edit.Field(2)->setText(QStringLiteral("7"));
    EXPECT_EQ(edit.Text(), QStringLiteral("0.0.7.0"));

    edit.SetFieldFocus(2);
    EXPECT_EQ(edit.FocusedField(), 2);
    edit.SetFieldFocus(4); // no such field: nothing changes
    EXPECT_EQ(edit.FocusedField(), 2);
}

} // namespace
