#include "app/shell/CommandLine.h"
#include "app/shell/ProgramInfo.h"
#include "platform/StringTable.h"
#include "version/ProgramVersion.h"

#include <gtest/gtest.h>

namespace {
ProgramInfoRequest Find(std::initializer_list<const char*> arguments)
{
    QStringList list;
    for (const char* a : arguments)
        list << QString::fromUtf8(a);
    return FindProgramInfoRequest(list);
}
} // namespace

TEST(ProgramInfo, HelpAndVersionOnlyAsWrittenAndNeverAsAValue)
{
    EXPECT_EQ(Find({"--help"}), ProgramInfoRequest::Help);
    EXPECT_EQ(Find({"SW", "-h"}), ProgramInfoRequest::Help);
    EXPECT_EQ(Find({"--version"}), ProgramInfoRequest::Version);
    EXPECT_EQ(Find({"--version", "--help"}), ProgramInfoRequest::Version);
    EXPECT_EQ(Find({}), ProgramInfoRequest::None);
    EXPECT_EQ(Find({"SW", "SCF=/tmp/--help", "SNR=1"}), ProgramInfoRequest::None);
    // The start-up switches' own spellings are not these requests.
    EXPECT_EQ(Find({"/help", "-HELP", "--Version", "/version", "help"}), ProgramInfoRequest::None);
    // A log file or a remote unit may be called so.
    EXPECT_EQ(Find({"--log", "--help"}), ProgramInfoRequest::None);
    EXPECT_EQ(Find({"/LOG", "--version"}), ProgramInfoRequest::None);
    EXPECT_EQ(Find({"sobriquet", "--help"}), ProgramInfoRequest::None);
    EXPECT_EQ(Find({"--log=x.log", "--help"}), ProgramInfoRequest::Help);
    // The parser of the start-up switches still reads those values as it did.
    EXPECT_EQ(ParseCommandLine({QStringLiteral("--log"), QStringLiteral("--help")}).logFilePath,
              QStringLiteral("--help"));
}

TEST(ProgramInfo, UsageNamesEverySwitchTheParserTakes)
{
    const QString usage = ProgramUsageText();
    for (const char* option : {"SW", "SCF=", "SNR=", "sobriquet", "--log", "WORKORDER", "REGSERVER", "--help", "--version"})
        EXPECT_TRUE(usage.contains(QLatin1String(option))) << option;
    EXPECT_TRUE(usage.startsWith(QStringLiteral("Usage: QORAManager ")));
}

TEST(ProgramInfo, TheSplashAndAboutBoxNameTheReleaseTheProgramsPrint)
{
    // One release number: the picture's text, --version, the package and its metadata.
    EXPECT_EQ(LoadResString(StringId::VersionText), QStringLiteral("Version ") + QString::fromLatin1(ProgramVersion()));
}
