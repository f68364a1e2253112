// qora-cli check run as a program on bad work orders: one line per unit or
// problem, folders in name order, and the exit status a script relies on.

#include "support/CliRun.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QString Data(const char* name)
{
    return QStringLiteral(CHECK_TESTDATA "/") + QString::fromLatin1(name);
}

QStringList OutLines(const CliRun& run)
{
    return run.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

TEST(CliCheck, AGoodWorkOrderPassesWithoutAUnit)
{
    // No gateway, no unit: the check never connects.
    const CliRun run = RunCli({QStringLiteral("check"), Data("good.xml")},
                              {{QStringLiteral("QORA_RKS_GATEWAY"), QStringLiteral("127.0.0.1:1")}});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(OutLines(run), QStringList{Data("good.xml") + QStringLiteral(" unit 1 (BSC-1/QOR-1): OK")});
    EXPECT_TRUE(run.err.isEmpty()) << run.err.toStdString();
}

TEST(CliCheck, EveryUnitOfAFileIsCheckedAndAnyProblemFailsIt)
{
    const CliRun run = RunCli({QStringLiteral("check"), Data("several_units.xml")});
    EXPECT_EQ(run.status, 1);
    const QString file = Data("several_units.xml");
    const QStringList expected{
        file + QStringLiteral(" unit 1 (BSC-2/QOR-1): OK"),
        file + QStringLiteral(" unit 2 (BSC-2/QOR-2): qorQ1GW 192.168.2.1: \"Valid range IP GW Address is : "
                              "192.168.1.0 - 192.168.1.255\""),
        file + QStringLiteral(" unit 3 (BSC-2/QOR-3): qorGPSAntennaLatitudeLocation 950000000: replaced: the "
                              "wizard would use 0 degrees instead of 95 degrees"),
        file + QStringLiteral(" unit 3 (BSC-2/QOR-3): qorBtsFrDelay -45: \"Enter an integer between 0 and 4800.\""),
        file + QStringLiteral(" unit 3 (BSC-2/QOR-3): qorBtsFrDelay -45: replaced: the wizard would use 0 instead"),
        file + QStringLiteral(" unit 3 (BSC-2/QOR-3): qorQ1Speed 12: replaced: the wizard would use 7 (9600) "
                              "instead"),
    };
    const QStringList lines = OutLines(run);
    ASSERT_EQ(lines.size(), expected.size() + 1) << run.out.toStdString();
    for (qsizetype i = 0; i < expected.size(); ++i)
        EXPECT_EQ(lines[i], expected[i]);
    EXPECT_TRUE(lines.last().startsWith(file + QStringLiteral(" unit 3 (BSC-2/QOR-3): qorQ1GW 192.168.1.12: warning: ")))
        << lines.last().toStdString();
}

TEST(CliCheck, TheWizardsMessagesAndTheMissingParameters)
{
    CliRun run = RunCli({QStringLiteral("check"), Data("bad_mask.xml")});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(OutLines(run), QStringList{Data("bad_mask.xml") + QStringLiteral(" unit 1 (BSC-1/QOR-2): qorQ1Mask "
                                                                               "255.0.0.0: \"Invalid Subnet Mask for "
                                                                               "the given IP address\"")});

    run = RunCli({QStringLiteral("check"), Data("missing_and_empty.xml")});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.out.contains(QStringLiteral(": qorQ1Mask (missing): \"Error reading the Work Order file.\"\n")));
    EXPECT_TRUE(run.out.contains(QStringLiteral(": qorQ1Address \"\": \"Enter Q1 Address\"\n")));
    EXPECT_TRUE(run.out.contains(QStringLiteral(": qorBtsGpsDelay \"\": \"Enter Value for GPS Delay\"\n")));

    run = RunCli({QStringLiteral("check"), Data("octet_over_255.xml")});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.out.contains(
        QStringLiteral(": qorQ1IP 192.168.1.300: replaced: the wizard would use 192.168.255.120 instead\n")));
    EXPECT_TRUE(run.out.contains(QStringLiteral(": qorQ1Address 5000: \"Enter an integer between 0 and 4095.\"\n")));
}

TEST(CliCheck, AFolderIsCheckedFileByFileInNameOrder)
{
    const QString folder = Data("folder");
    const CliRun run = RunCli({QStringLiteral("check"), folder});
    EXPECT_EQ(run.status, 1);
    const QStringList lines = OutLines(run);
    ASSERT_EQ(lines.size(), 4) << run.out.toStdString();
    EXPECT_EQ(lines[0], folder + QStringLiteral("/a_good.xml unit 1 (BSC-5/QOR-1): OK"));
    EXPECT_EQ(lines[1], folder + QStringLiteral("/b_bad.xml unit 1 (BSC-5/QOR-2): qorBtsGpsDelay 65536: \"Enter an "
                                                "integer between 0 and 65535.\""));
    EXPECT_EQ(lines[2], folder + QStringLiteral("/b_bad.xml unit 1 (BSC-5/QOR-2): qorBtsGpsDelay 65536: replaced: "
                                                "the wizard would use 0 instead"));
    EXPECT_EQ(lines[3], folder + QStringLiteral("/c_good.XML unit 1 (BSC-5/QOR-3): OK"));
    EXPECT_FALSE(run.out.contains(QStringLiteral("notes.txt")));

    // Files and folders together; all pass.
    const CliRun good = RunCli({QStringLiteral("check"), Data("good.xml"), folder + QStringLiteral("/a_good.xml")});
    EXPECT_EQ(good.status, 0);
    EXPECT_EQ(OutLines(good).size(), 2);
}

TEST(CliCheck, APathThatCannotBeReadIsNamedAndTheOthersAreStillChecked)
{
    QTemporaryDir empty;
    ASSERT_TRUE(empty.isValid());
    const CliRun run = RunCli({QStringLiteral("check"), Data("absent.xml"), Data("not_xml.xml"),
                               Data("several_units.xml"), empty.path()});
    EXPECT_EQ(run.status, 2) << "an unreadable path outweighs a failing unit";
    const QStringList lines = OutLines(run);
    ASSERT_GE(lines.size(), 3);
    EXPECT_TRUE(lines[0].startsWith(Data("absent.xml") +
                                    QStringLiteral(": cannot be read: \"Parsing the work order file failed.\" (")))
        << lines[0].toStdString();
    EXPECT_TRUE(lines[1].startsWith(Data("not_xml.xml") +
                                    QStringLiteral(": cannot be read: \"Parsing the work order file failed.\" (")))
        << lines[1].toStdString();
    EXPECT_TRUE(run.out.contains(Data("several_units.xml") + QStringLiteral(" unit 1 (BSC-2/QOR-1): OK\n")));
    // A folder without work orders is no pass.
    EXPECT_EQ(lines.last(), empty.path() + QStringLiteral(": cannot be read: the folder holds no .xml file"));

    // A file without units: the reader's own message, on one line.
    QTemporaryDir dir;
    const QString noUnits = dir.filePath(QStringLiteral("no_units.xml"));
    QFile file(noUnits);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("<raml><managedObject class=\"BTS\" distName=\"BSC-1/BTS-1\"/></raml>");
    file.close();
    const CliRun none = RunCli({QStringLiteral("check"), noUnits});
    EXPECT_EQ(none.status, 2);
    EXPECT_TRUE(none.out.startsWith(noUnits + QStringLiteral(": cannot be read: \"The work order file has no QORA "
                                                             "units. Commission data\\ncan't be loaded.\" (")))
        << none.out.toStdString();
}

TEST(CliCheck, ArgumentsAndHelp)
{
    CliRun run = RunCli({QStringLiteral("check")});
    EXPECT_EQ(run.status, 64);
    EXPECT_TRUE(run.err.contains(QStringLiteral("check needs")));
    run = RunCli({QStringLiteral("check"), QStringLiteral("--fast"), Data("good.xml")});
    EXPECT_EQ(run.status, 64);
    EXPECT_TRUE(run.out.isEmpty());

    run = RunCli({QStringLiteral("check"), QStringLiteral("--help")});
    EXPECT_EQ(run.status, 0);
    EXPECT_TRUE(run.out.contains(QStringLiteral("check PATH...")));
    run = RunCli({QStringLiteral("--help")});
    EXPECT_TRUE(run.out.contains(QStringLiteral("  check PATH...")));
}

} // namespace
