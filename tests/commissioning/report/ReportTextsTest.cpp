// The value texts of the report: positions rounded down, status words, the
// verdict with its blanks, the words for the commissioned settings.

#include "commissioning/report/ReportTexts.h"

#include <gtest/gtest.h>

#include <limits>

TEST(ReportTexts, PositionsAreRoundedDownToTenMillionthsOfADegree)
{
    EXPECT_EQ(PositionText(-0.00000001), QStringLiteral("-1"));
    EXPECT_EQ(PositionText(60.5), QStringLiteral("605000000"));
    EXPECT_EQ(PositionText(0.00000009), QStringLiteral("0"));
    EXPECT_EQ(PositionText(-0.25), QStringLiteral("-2500000"));
    EXPECT_EQ(PositionText(0.0), QStringLiteral("0"));
    EXPECT_EQ(PositionText(-0.0), QStringLiteral("0"));
    EXPECT_EQ(PositionText(-180.0), QStringLiteral("-1800000000"));
    EXPECT_EQ(PositionText(24.93845671), QStringLiteral("249384567"));
    EXPECT_EQ(PositionText(-24.93845671), QStringLiteral("-249384568"));
}

TEST(ReportTexts, WorkOrderPositionsComeBackUnchanged)
{
    // The wizard holds a work order's position as text / 10^7; writing it back
    // must not lose the last digit to a product just below the whole number.
    for (const double stored : {601693000.0, -249384500.0, 123456789.0, -899999999.0, 1799999999.0, 1.0, -1.0, 3.0,
                                601692999.0, 7.0, 29.0, 100000003.0}) {
        EXPECT_EQ(PositionText(stored / 10000000.0), QString::asprintf("%.0f", stored)) << stored;
    }
    for (int i = -5000; i <= 5000; i += 7) {
        const double stored = 600000000.0 + i * 13.0;
        ASSERT_EQ(PositionText(stored / 10000000.0), QString::asprintf("%.0f", stored)) << stored;
    }
}

TEST(ReportTexts, MeasuredAltitudeIsWholeCentimetresRoundedDown)
{
    EXPECT_EQ(AltitudeCentimetresText(23.456), QStringLiteral("2345"));
    EXPECT_EQ(AltitudeCentimetresText(12.34), QStringLiteral("1234"));
    EXPECT_EQ(AltitudeCentimetresText(-0.005), QStringLiteral("-1"));
    EXPECT_EQ(AltitudeCentimetresText(0.0), QStringLiteral("0"));
}

TEST(ReportTexts, ValuesThatAreNoNumbersGiveNoText)
{
    EXPECT_TRUE(PositionText(std::numeric_limits<double>::quiet_NaN()).isEmpty());
    EXPECT_TRUE(PositionText(std::numeric_limits<double>::infinity()).isEmpty());
    EXPECT_TRUE(AltitudeCentimetresText(std::numeric_limits<double>::max()).isEmpty());
}

TEST(ReportTexts, InstallationStatusWords)
{
    const std::pair<std::uint32_t, const char*> words[] = {
        {0, "Not OK"}, {1, "OK"}, {2, "Unknown"}, {3, "OFF"}, {4, "ON"}, {5, "Undefined"}, {6, "Undefined"},
        {7, "Undefined"}, {8, "Free Running"}, {9, "PLL Locked"}, {10, "Adjusting"}, {11, "Good"},
        {12, "Sufficient"}, {13, "Bad"}, {14, "Undefined"}, {0xFFFF, "Undefined"}, {0xFFFFFFFF, "Undefined"}};
    for (const auto& [code, word] : words)
        EXPECT_EQ(InstallStatusWord(code), QString::fromLatin1(word)) << code;

    EXPECT_EQ(InstallShownText(QStringLiteral("?")), QStringLiteral("Undefined"));
    EXPECT_EQ(InstallShownText(QStringLiteral("3D fix")), QStringLiteral("3D fix"));
    EXPECT_EQ(InstallShownText(QStringLiteral("? ")), QStringLiteral("? "));
    EXPECT_EQ(InstallShownText(QString()), QString());
}

TEST(ReportTexts, ConstellationVerdictKeepsItsBlanks)
{
    EXPECT_EQ(ConstellationVerdictText(1), QStringLiteral("Sufficient     "));
    EXPECT_EQ(ConstellationVerdictText(0), QStringLiteral("    Good        "));
    EXPECT_EQ(ConstellationVerdictText(2), QStringLiteral("    Bad         "));
    EXPECT_EQ(ConstellationVerdictText(255), QStringLiteral("Initializing     "));
    EXPECT_EQ(ConstellationVerdictText(3), QStringLiteral("Undefined"));
    EXPECT_EQ(ConstellationVerdictText(-1), QStringLiteral("Undefined"));
}

TEST(ReportTexts, CommissionedSettingWords)
{
    EXPECT_EQ(GpsModeText(true, true), QStringLiteral("Locked"));
    EXPECT_EQ(GpsModeText(true, false), QStringLiteral("Locked"));
    EXPECT_EQ(GpsModeText(false, true), QStringLiteral("Survey"));
    EXPECT_EQ(GpsModeText(false, false), QStringLiteral("Undefined"));
    EXPECT_EQ(YesNoText(true), QStringLiteral("YES"));
    EXPECT_EQ(YesNoText(false), QStringLiteral("NO"));
    EXPECT_EQ(InstallDateTimeText(QDateTime(QDate(2009, 3, 7), QTime(4, 5, 9))), QStringLiteral("2009-03-07T04:05:09"));
    EXPECT_EQ(InstallDateTimeText(QDateTime(QDate(2024, 12, 31), QTime(23, 59, 59))),
              QStringLiteral("2024-12-31T23:59:59"));
}
