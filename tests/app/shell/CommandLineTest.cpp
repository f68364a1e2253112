#include "app/shell/CommandLine.h"

#include <gtest/gtest.h>

namespace {
CommandLineOptions Parse(std::initializer_list<const char*> arguments)
{
    QStringList list;
    for (const char* a : arguments)
        list << QString::fromUtf8(a);
    return ParseCommandLine(list);
}
} // namespace

TEST(CommandLine, NothingGivenLeavesTheDefaults)
{
    const CommandLineOptions o = Parse({});
    EXPECT_FALSE(o.endAtOnce);
    EXPECT_TRUE(o.showSplash);
    EXPECT_EQ(o.startupSwitch, 0);
    EXPECT_TRUE(o.workOrderPath.isEmpty());
    EXPECT_EQ(o.unitNumber, -1);
    EXPECT_TRUE(o.remoteUnitName.isEmpty());
}

TEST(CommandLine, RegistrationSwitchesEndAtOnceInAnyCase)
{
    EXPECT_TRUE(Parse({"/regserver"}).endAtOnce);
    EXPECT_TRUE(Parse({"-UNREGSERVER"}).endAtOnce);
    EXPECT_TRUE(Parse({"RegServer"}).endAtOnce);
    // Nothing after it is taken any more.
    const CommandLineOptions o = Parse({"SW", "/unregserver", "SNR=4"});
    EXPECT_TRUE(o.endAtOnce);
    EXPECT_EQ(o.unitNumber, -1);
    // Only the whole word counts.
    EXPECT_FALSE(Parse({"/regservers"}).endAtOnce);
    EXPECT_FALSE(Parse({"--regserver"}).endAtOnce);
}

TEST(CommandLine, StartupSwitchWithOrWithoutPrefix)
{
    EXPECT_EQ(Parse({"SW"}).startupSwitch, 1);
    EXPECT_EQ(Parse({"-sw"}).startupSwitch, 1);
    EXPECT_EQ(Parse({"/Sw"}).startupSwitch, 1);
    EXPECT_EQ(Parse({"SWX"}).startupSwitch, 0);
}

TEST(CommandLine, SobriquetTakesTheNextArgumentAsTheRemoteName)
{
    EXPECT_EQ(Parse({"sobriquet", "BTS17"}).remoteUnitName, QStringLiteral("BTS17"));
    EXPECT_EQ(Parse({"-SOBRIQUET", "12"}).remoteUnitName, QStringLiteral("12"));
    // The first nine letters decide.
    EXPECT_EQ(Parse({"/SobriquetName", "Site 4"}).remoteUnitName, QStringLiteral("Site 4"));
    // The name is consumed, even when it looks like a switch.
    const CommandLineOptions o = Parse({"sobriquet", "SW"});
    EXPECT_EQ(o.remoteUnitName, QStringLiteral("SW"));
    EXPECT_EQ(o.startupSwitch, 0);
    // Nothing after it: no name, no crash.
    EXPECT_TRUE(Parse({"sobriquet"}).remoteUnitName.isEmpty());
}

TEST(CommandLine, SobriquetQuotesAreDropped)
{
    EXPECT_EQ(Parse({"sobriquet", "\"My BTS\""}).remoteUnitName, QStringLiteral("My BTS"));
    // A missing closing quote costs no character of the name.
    EXPECT_EQ(Parse({"sobriquet", "\"My BTS"}).remoteUnitName, QStringLiteral("My BTS"));
    EXPECT_EQ(Parse({"sobriquet", "\""}).remoteUnitName, QString());
    EXPECT_EQ(Parse({"sobriquet", "\"\""}).remoteUnitName, QString());
    // Only a leading quote starts the rule.
    EXPECT_EQ(Parse({"sobriquet", "BTS\""}).remoteUnitName, QStringLiteral("BTS\""));
}

TEST(CommandLine, WorkOrderPathWithAndWithoutQuotes)
{
    EXPECT_EQ(Parse({"SCF=C:\\orders\\wo.xml"}).workOrderPath, QStringLiteral("C:\\orders\\wo.xml"));
    EXPECT_EQ(Parse({"SCF=\"C:\\orders\\wo.xml\""}).workOrderPath, QStringLiteral("C:\\orders\\wo.xml"));
    EXPECT_EQ(Parse({"/scf=\"/home/eng/work orders/wo.xml"}).workOrderPath,
              QStringLiteral("/home/eng/work orders/wo.xml"));
    EXPECT_EQ(Parse({"-Scf=/tmp/wo.xml\""}).workOrderPath, QStringLiteral("/tmp/wo.xml"));
    EXPECT_EQ(Parse({"SCF="}).workOrderPath, QString());
}

TEST(CommandLine, UnitNumberOnlyFromANumberOfZeroOrMore)
{
    EXPECT_EQ(Parse({"SNR=2"}).unitNumber, 2);
    EXPECT_EQ(Parse({"/snr=0"}).unitNumber, 0);
    EXPECT_EQ(Parse({"SNR=-3"}).unitNumber, -1);
    EXPECT_EQ(Parse({"SNR=2", "SNR=-3"}).unitNumber, 2);
    EXPECT_EQ(Parse({"SNR=5", "SNR=7"}).unitNumber, 7);
    // Text that is no number must not choose the first unit of the work order.
    EXPECT_EQ(Parse({"SNR=abc"}).unitNumber, -1);
    EXPECT_EQ(Parse({"SNR="}).unitNumber, -1);
    EXPECT_EQ(Parse({"SNR=2x"}).unitNumber, -1);
    EXPECT_EQ(Parse({"SNR=99999999999"}).unitNumber, -1);
}

TEST(CommandLine, CombinedArgumentsAndTheStartupRequest)
{
    const CommandLineOptions o =
        Parse({"/SW", "unknown", "-SCF=\"C:\\orders\\wo.xml\"", "SNR=3", "sobriquet", "\"North Site\"", "-x"});
    EXPECT_FALSE(o.endAtOnce);
    EXPECT_EQ(o.remoteUnitName, QStringLiteral("North Site"));

    QString path;
    std::int32_t number = 0;
    EXPECT_EQ(o.GetStartupRequest(path, number), 1);
    EXPECT_EQ(path, QStringLiteral("C:\\orders\\wo.xml"));
    EXPECT_EQ(number, 3);

    // Without the switch the path and number still come out.
    const CommandLineOptions plain = Parse({"SCF=wo.xml"});
    EXPECT_EQ(plain.GetStartupRequest(path, number), 0);
    EXPECT_EQ(path, QStringLiteral("wo.xml"));
    EXPECT_EQ(number, -1);
}

TEST(CommandLine, StartedByAnotherProgramShowsNoSplash)
{
    EXPECT_FALSE(Parse({"-Embedding"}).showSplash);
    EXPECT_FALSE(Parse({"/automation"}).showSplash);
    EXPECT_TRUE(Parse({"SW"}).showSplash);
}

TEST(CommandLine, OnlyANameThatIsNoNonZeroNumberStartsARemoteConnection)
{
    EXPECT_TRUE(RemoteNameStartsConnection(QStringLiteral("BTS17")));
    EXPECT_TRUE(RemoteNameStartsConnection(QStringLiteral("17BTS")));
    EXPECT_TRUE(RemoteNameStartsConnection(QStringLiteral("My BTS")));
    EXPECT_TRUE(RemoteNameStartsConnection(QStringLiteral("0")));
    EXPECT_TRUE(RemoteNameStartsConnection(QStringLiteral("000")));
    EXPECT_FALSE(RemoteNameStartsConnection(QStringLiteral("12")));
    EXPECT_FALSE(RemoteNameStartsConnection(QStringLiteral(" 12 ")));
    EXPECT_FALSE(RemoteNameStartsConnection(QStringLiteral("-5")));
    EXPECT_FALSE(RemoteNameStartsConnection(QStringLiteral("123456789012345678901234567890")));
    EXPECT_FALSE(RemoteNameStartsConnection(QString()));
}

TEST(CommandLine, LogFileTakesItsPathWithoutDisturbingTheOtherSwitches)
{
    EXPECT_EQ(Parse({}).logFilePath, std::nullopt);
    EXPECT_EQ(Parse({"--log", "/tmp/qora.log"}).logFilePath, QStringLiteral("/tmp/qora.log"));
    EXPECT_EQ(Parse({"--log=/tmp/a b.log"}).logFilePath, QStringLiteral("/tmp/a b.log"));
    EXPECT_EQ(Parse({"/LOG", "x.log"}).logFilePath, QStringLiteral("x.log"));
    EXPECT_EQ(Parse({"--log"}).logFilePath, QString()) << "asked for, but no file named";
    // A bare word is no switch: "log" stays an ignored argument.
    EXPECT_EQ(Parse({"log", "x.log"}).logFilePath, std::nullopt);

    // The file is never read as a switch of its own, and the switches around
    // it keep their meaning.
    const CommandLineOptions o = Parse({"/SW", "--log", "SCF=odd.log", "SCF=wo.xml", "--log=sw", "SNR=2", "sobriquet",
                                        "--log"});
    EXPECT_EQ(o.logFilePath, QStringLiteral("sw"));
    EXPECT_EQ(o.startupSwitch, 1);
    EXPECT_EQ(o.workOrderPath, QStringLiteral("wo.xml"));
    EXPECT_EQ(o.unitNumber, 2);
    EXPECT_EQ(o.remoteUnitName, QStringLiteral("--log"));
}

// A file manager starts the program with the work order's path alone: the last
// argument that is no switch (and no switch's value) is the work order to open.
TEST(CommandLine, APlainPathIsTheWorkOrderToOpen)
{
    const struct {
        std::initializer_list<const char*> arguments;
        const char* toOpen;
    } rows[] = {
        {{"/home/eng/orders/site 4.xml"}, "/home/eng/orders/site 4.xml"},
        {{"wo.xml", "/SW", "SNR=2"}, "wo.xml"},
        {{"a.xml", "b.xml"}, "b.xml"},
        {{"SCF=wo.xml", "/SW", "-Embedding", "SNR=1"}, ""},
        {{"--log", "x.log", "sobriquet", "BTS17"}, ""},
        {{"-unknown", "--style=fusion"}, ""},
        {{"/sw"}, ""},
    };
    for (const auto& row : rows) {
        const CommandLineOptions options = Parse(row.arguments);
        EXPECT_EQ(options.workOrderToOpen, QString::fromUtf8(row.toOpen)) << row.toOpen;
    }
}
