// A status recording's rows: the columns by name and order, the values as the
// windows show them, empty values, and the same row as CSV and as JSON.

#include "status/history/StatusRecord.h"

#include "status/install/InstallStatusView.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

namespace {

SGpsSample Gps()
{
    SGpsSample g;
    g.timeMs = 1765188653123; // 2025-12-08T10:10:53.123 UTC
    g.latitudeDeg = -33.5;
    g.longitudeDeg = -70.6666667;
    g.altitudeM = 12.34;
    g.channels[0] = {5, 40, 30, 120, false};
    g.channels[3] = {12, 33, 10, 200, false};
    g.channels[7] = {29, 0, 3, 15, true}; // tracked without a C/No yet
    return g;
}

SInstallationSample Installation()
{
    SInstallationSample i;
    i.timeMs = 1765188650000;
    i.texts[CInstallStatusView::SelfTests] = QStringLiteral("OK");
    i.texts[CInstallStatusView::GpsFix] = QStringLiteral("OK  (Locked)");
    i.texts[CInstallStatusView::ClockState] = QStringLiteral("PLL Locked");
    return i;
}

SConstellationSample Constellation()
{
    SConstellationSample c;
    c.timeMs = 1765188651000;
    c.verdictText = QStringLiteral("    Good        ");
    return c;
}

QStringList Texts(const std::vector<SStatusRecordValue>& values)
{
    QStringList texts;
    for (const auto& v : values)
        texts << v.text;
    return texts;
}

TEST(StatusRecord, ColumnsAreNamedAndOrderedAsDocumented)
{
    QStringList expected = QStringLiteral("time,latitude,longitude,altitude_m,satellites,mean_cno,gps_fix,"
                                          "clock_state,self_test,verdict")
                               .split(u',');
    for (int c = 1; c <= 12; ++c)
        expected << QStringLiteral("ch%1_sat").arg(c) << QStringLiteral("ch%1_cno").arg(c);
    EXPECT_EQ(StatusRecordColumns(), expected);
    EXPECT_EQ(StatusRecordHeader(StatusRecordFormat::Csv), expected.join(u',').toUtf8() + '\n');
    EXPECT_TRUE(StatusRecordHeader(StatusRecordFormat::JsonLines).isEmpty());
}

TEST(StatusRecord, ARowHoldsTheValuesAsTheWindowsShowThemTrimmed)
{
    const SInstallationSample installation = Installation();
    const SConstellationSample constellation = Constellation();
    const QStringList row = Texts(StatusRecordValues(Gps(), &installation, &constellation));
    ASSERT_EQ(row.size(), StatusRecordColumns().size());
    EXPECT_EQ(row.mid(0, 10), (QStringList{"2025-12-08T10:10:53.123Z", "-33.5000000", "-70.6666667", "12.34",
                                            "3", "24.3", "OK  (Locked)", "PLL Locked", "OK", "Good"}));
    // Channels without a satellite are empty; one tracked at 0 dBHz counts in the mean.
    EXPECT_EQ(row.mid(10, 8), (QStringList{"5", "40", "", "", "", "", "12", "33"}));
    EXPECT_EQ(row.mid(24, 2), (QStringList{"29", "0"}));
}

TEST(StatusRecord, WhatIsNotKnownIsEmpty)
{
    SGpsSample nothing;
    const QStringList row = Texts(StatusRecordValues(nothing, nullptr, nullptr));
    ASSERT_EQ(row.size(), 34);
    EXPECT_EQ(row[4], QStringLiteral("0"));
    for (int column = 5; column < 34; ++column)
        EXPECT_TRUE(row[column].isEmpty()) << StatusRecordColumns()[column].toStdString();

    const QByteArray csv = StatusRecordLine(StatusRecordFormat::Csv, StatusRecordValues(nothing, nullptr, nullptr));
    EXPECT_TRUE(csv.endsWith(",0," + QByteArray(28, ',') + '\n')) << csv.constData();
    const QJsonObject json = QJsonDocument::fromJson(
                                 StatusRecordLine(StatusRecordFormat::JsonLines,
                                                  StatusRecordValues(nothing, nullptr, nullptr)))
                                 .object();
    EXPECT_TRUE(json.value(QStringLiteral("mean_cno")).isNull());
    EXPECT_TRUE(json.value(QStringLiteral("verdict")).isNull());
    EXPECT_EQ(json.value(QStringLiteral("satellites")).toInt(-1), 0);
}

TEST(StatusRecord, CsvAndJsonLinesCarryTheSameRowWhole)
{
    SInstallationSample installation = Installation();
    installation.texts[CInstallStatusView::GpsFix] = QStringLiteral("a \"quoted\", odd\ntext");
    const SConstellationSample constellation = Constellation();
    const auto values = StatusRecordValues(Gps(), &installation, &constellation);

    const QByteArray csv = StatusRecordLine(StatusRecordFormat::Csv, values);
    EXPECT_TRUE(csv.contains(",\"a \"\"quoted\"\", odd\ntext\",")) << csv.constData();
    EXPECT_TRUE(csv.endsWith('\n'));

    const QByteArray line = StatusRecordLine(StatusRecordFormat::JsonLines, values);
    ASSERT_TRUE(line.endsWith("}\n"));
    EXPECT_EQ(line.count('\n'), 1); // one object, one line
    QJsonParseError error;
    const QJsonObject json = QJsonDocument::fromJson(line, &error).object();
    ASSERT_EQ(error.error, QJsonParseError::NoError) << line.constData();
    EXPECT_EQ(json.keys().size(), 34);
    for (const QString& column : StatusRecordColumns())
        EXPECT_TRUE(json.contains(column)) << column.toStdString();
    EXPECT_EQ(json.value(QStringLiteral("gps_fix")).toString(), QStringLiteral("a \"quoted\", odd\ntext"));
    EXPECT_DOUBLE_EQ(json.value(QStringLiteral("latitude")).toDouble(), -33.5);
    EXPECT_DOUBLE_EQ(json.value(QStringLiteral("mean_cno")).toDouble(), 24.3);
    EXPECT_EQ(json.value(QStringLiteral("ch1_sat")).toInt(), 5);
    EXPECT_TRUE(json.value(QStringLiteral("ch2_sat")).isNull());
    EXPECT_EQ(json.value(QStringLiteral("time")).toString(), QStringLiteral("2025-12-08T10:10:53.123Z"));
}

TEST(StatusRecord, FormatsByNameAndByFileName)
{
    EXPECT_EQ(StatusRecordFormatNamed(QStringLiteral("csv")), StatusRecordFormat::Csv);
    EXPECT_EQ(StatusRecordFormatNamed(QStringLiteral("jsonl")), StatusRecordFormat::JsonLines);
    EXPECT_FALSE(StatusRecordFormatNamed(QStringLiteral("json")));
    EXPECT_FALSE(StatusRecordFormatNamed(QStringLiteral("CSV")));
    EXPECT_EQ(StatusRecordFormatOfPath(QStringLiteral("/tmp/a.JSONL")), StatusRecordFormat::JsonLines);
    EXPECT_EQ(StatusRecordFormatOfPath(QStringLiteral("/tmp/a.jsonl.csv")), StatusRecordFormat::Csv);
    EXPECT_EQ(StatusRecordFormatOfPath(QStringLiteral("status")), StatusRecordFormat::Csv);
}

} // namespace
