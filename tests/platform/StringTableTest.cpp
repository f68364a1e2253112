#include "platform/StringTable.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

TEST(StringTable, BuiltInTextsWithLineBreaks)
{
    EXPECT_EQ(LoadResString(StringId::DeviceNotConnected), QStringLiteral("The device is not connected."));
    EXPECT_TRUE(LoadResString(StringId::ReadingProblem).contains(QStringLiteral("target\ndevice.\n\nTry again")));
    EXPECT_TRUE(LoadResString(1).isEmpty());
}

TEST(StringTable, MalformedTablesAreRejectedWhole)
{
    std::map<unsigned, QString> table;
    EXPECT_FALSE(ParseStringTable("1\tok\nnot a line\n", table));
    EXPECT_FALSE(ParseStringTable("2\tbad escape \\q\n", table));
    EXPECT_FALSE(ParseStringTable("3\ttrailing backslash\\", table));
    EXPECT_TRUE(table.empty());
    EXPECT_TRUE(ParseStringTable("# comment\r\n\r\n4\ta\\tb\\\\c\r\n", table));
    EXPECT_EQ(table[4], QStringLiteral("a\tb\\c"));
}

TEST(StringTable, OverridesReplaceOnlyTheirTexts)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("QORA.000"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("99999\tOverridden\n");
    file.close();
    EXPECT_FALSE(LoadStringOverrides(dir.filePath(QStringLiteral("missing"))));
    EXPECT_TRUE(LoadStringOverrides(path));
    EXPECT_EQ(LoadResString(99999), QStringLiteral("Overridden"));
    EXPECT_EQ(LoadResString(StringId::DeviceNotConnected), QStringLiteral("The device is not connected."));
}
