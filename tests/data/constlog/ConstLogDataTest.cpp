// The constellation log without a unit: its texts, the file's whole-or-nothing
// writing, and the group's requests and reply parsing against a handler with a
// silent driver.

#include "data/UnitFacts.h"
#include "data/constlog/ConstLogData.h"
#include "data/constlog/ConstLogFile.h"
#include "platform/MeasureSetting.h"
#include "link/AppHandler.h"
#include "link/CommHandler.h"
#include "platform/MainWindow.h"
#include "platform/PostMessage.h"
#include "platform/StringTable.h"
#include "support/EventLoop.h"
#include "support/MessageRecorder.h"
#include "support/PromptRecorder.h"
#include "support/StatusRecorder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "support/PlayedUnit.h"

#include <gtest/gtest.h>

#include <climits>

using Bytes = std::vector<std::uint8_t>;

namespace {

const QString kDeg(QChar(0x00B0));

TEST(ConstLogTexts, PackedAnglesAltitudesAndDates)
{
    EXPECT_EQ(PackedLatitudeText(-601012345), QStringLiteral("S 60") + kDeg + QStringLiteral("10'12.345\""));
    EXPECT_EQ(PackedLongitudeText(24512000), QStringLiteral("E 002") + kDeg + QStringLiteral("45'12.000\""));
    EXPECT_EQ(PackedLatitudeText(0), QStringLiteral("N 00") + kDeg + QStringLiteral("00'00.000\""));
    EXPECT_EQ(PackedLongitudeText(-1795959999), QStringLiteral("W 179") + kDeg + QStringLiteral("59'59.999\""));
    // The most negative value has no 32-bit absolute value; it must not wrap.
    EXPECT_EQ(PackedLongitudeText(INT_MIN), QStringLiteral("W 214") + kDeg + QStringLiteral("74'83.648\""));

    EXPECT_EQ(LogAltitudeText(1000, false), QStringLiteral("32.80 ft "));
    EXPECT_EQ(LogAltitudeText(1000, true), QStringLiteral("10.00 m "));
    EXPECT_EQ(LogAltitudeText(-1000, false), QStringLiteral("-32.80 ft "));

    EXPECT_EQ(LogDateText(5, 3, 2009), QStringLiteral("05-03-2009"));
    EXPECT_EQ(LogDateText(0, 5, 2009), QStringLiteral("0-5-2009"));
    EXPECT_EQ(LogDateText(7, 0, 0), QStringLiteral("7-0-0"));
    EXPECT_EQ(LogDateText(31, 2, 2009), QStringLiteral("Invalid DateTime"));
    EXPECT_EQ(LogDateText(29, 2, 2008), QStringLiteral("29-02-2008"));
    EXPECT_EQ(LogDateText(1, 13, 2009), QStringLiteral("Invalid DateTime"));
}

ConstLogReport SampleReport()
{
    ConstLogReport report;
    report.serialNumber = QStringLiteral("SN1");
    report.latitudeText = QStringLiteral("N");
    report.longitudeText = QStringLiteral("E");
    report.altitudeText = QStringLiteral("1.00 m ");
    report.statistics.days[0].durations[0] = 86399;
    report.statistics.days[0].day = 1;
    report.statistics.days[0].month = 1;
    report.statistics.days[0].year = 2020;
    report.statistics.totals[0] = 86399;
    return report;
}

TEST(ConstLogFile, LinesEndInCrLfAndAWholeDayWithoutSatellitesIsSuspect)
{
    ConstLogReport report = SampleReport();
    bool suspect = true;
    const QByteArray bytes = ConstLogFileBytes(report, &suspect);
    EXPECT_FALSE(suspect);
    EXPECT_EQ(bytes.count("\r\n"), bytes.count('\n'));
    EXPECT_TRUE(bytes.endsWith("Duration for 12 visible satellites = 0\r\n"));

    report.statistics.days[0].durations[0] = 86400;
    EXPECT_FALSE(ConstLogFileBytes(report, &suspect).isEmpty());
    EXPECT_TRUE(suspect);

    // A day that is not listed (total 0) cannot make the log suspect.
    report.statistics.totals[0] = 0;
    const QByteArray unlisted = ConstLogFileBytes(report, &suspect);
    EXPECT_FALSE(suspect);
    EXPECT_FALSE(unlisted.contains("Duration"));
}

TEST(ConstLogFile, AFileThatCannotBeWrittenIsReportedAndNothingFollows)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("missing-folder/log.txt"));
    PromptRecorder prompts;
    StatusRecorder status;
    int opened = 0;
    const auto previousOpen = SetShellOpenFunction([&](const QString&) { return ++opened, true; });
    const auto previousDialog =
        SetFileDialogFunction([&](const FileDialogRequest&) { return std::optional<QString>(path); });
    ConstLogReport report = SampleReport();
    report.positionZero = true; // would warn, if the file had been written

    EXPECT_TRUE(SaveConstLog(report).isEmpty());
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].icon, MsgIcon::Error);
    EXPECT_TRUE(prompts.shown[0].text.contains(path));
    EXPECT_EQ(opened, 0);
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_EQ(status.shown, QStringList{QStringLiteral("Not saved: ") + QDir::toNativeSeparators(path)});

    // The write result itself: nothing written, a reason given.
    const ConstLogWriteResult result = WriteConstLogFile(dir.path(), report); // a folder, not a file
    EXPECT_FALSE(result.written);
    EXPECT_FALSE(result.error.isEmpty());
    EXPECT_FALSE(ConstLogNeedsAntennaWarning(report, result));

    SetShellOpenFunction(previousOpen);
    SetFileDialogFunction(previousDialog);
}

TEST(ConstLogFile, TheStatusBarSaysWhereTheLogWentAndADesktopThatCannotOpenItIsReported)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Constellation Log.txt"));
    PromptRecorder prompts;
    StatusRecorder status;
    QStringList opened;
    bool desktopOpens = true;
    const auto previousOpen = SetShellOpenFunction([&](const QString& file) {
        opened << file;
        return desktopOpens;
    });
    const auto previousDialog =
        SetFileDialogFunction([&](const FileDialogRequest&) { return std::optional<QString>(path); });
    const QString saved = QStringLiteral("Saved to ") + QDir::toNativeSeparators(path);

    EXPECT_EQ(SaveConstLog(SampleReport()), path);
    EXPECT_EQ(status.shown, QStringList{saved});
    EXPECT_EQ(opened, QStringList{path});
    EXPECT_TRUE(prompts.shown.empty());

    // No program for it: the file is there all the same, and the user is told where.
    desktopOpens = false;
    EXPECT_EQ(SaveConstLog(SampleReport()), path);
    EXPECT_TRUE(QFile::exists(path));
    EXPECT_EQ(status.shown.last(), saved);
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].icon, MsgIcon::Warning);
    EXPECT_TRUE(prompts.shown[0].text.contains(QDir::toNativeSeparators(path)));
    EXPECT_TRUE(prompts.shown[0].text.contains(QStringLiteral("could not open")));

    // The antenna warning comes first, then the trouble with opening.
    ConstLogReport suspect = SampleReport();
    suspect.positionZero = true;
    prompts.shown.clear();
    SaveConstLog(suspect);
    ASSERT_EQ(prompts.shown.size(), 2u);
    EXPECT_TRUE(prompts.shown[0].text.startsWith(QStringLiteral("Constellation log indicates")));
    EXPECT_TRUE(prompts.shown[1].text.contains(QStringLiteral("could not open")));

    SetShellOpenFunction(previousOpen);
    SetFileDialogFunction(previousDialog);
}

TEST(ConstLogFile, TheSaveDialogIsAskedAsTheUserKnowsItAndCancelWritesNothing)
{
    PromptRecorder prompts;
    StatusRecorder status;
    FileDialogRequest asked;
    int opened = 0;
    const auto previousOpen = SetShellOpenFunction([&](const QString&) { return ++opened, true; });
    const auto previousDialog = SetFileDialogFunction([&](const FileDialogRequest& request) {
        asked = request;
        return std::optional<QString>();
    });
    EXPECT_TRUE(SaveConstLog(SampleReport()).isEmpty());
    EXPECT_TRUE(asked.save);
    EXPECT_EQ(asked.caption, QStringLiteral("Save Constellation Statistics Log"));
    EXPECT_EQ(asked.initialPath, QStringLiteral("Constellation Log"));
    EXPECT_EQ(asked.defaultSuffix, QStringLiteral("txt"));
    EXPECT_TRUE(asked.filter.startsWith(QStringLiteral("Constellation Statistics Log  (*.txt)")));
    EXPECT_TRUE(prompts.shown.empty());
    EXPECT_TRUE(status.shown.isEmpty());
    EXPECT_EQ(opened, 0);
    SetShellOpenFunction(previousOpen);
    SetFileDialogFunction(previousDialog);
}


class ConstLogDataTest : public PlayedUnitTest {
protected:
    void SetUp() override
    {
        PlayedUnitTest::SetUp();
        previousMeasure_ = SetMeasureSettingFunction([] { return std::optional<QString>(QStringLiteral("0")); });
        group.AddWindow(&window);
        group.Register();
        group.SetStatisticsHandler([this](CConstLogData&) { ++statisticsHandled; });
        AppUnitFacts() = UnitFacts{};
    }
    void TearDown() override
    {
        group.Unregister();
        PlayedUnitTest::TearDown();
        SetMeasureSettingFunction(previousMeasure_);
    }
    void EnterCommissionMode()
    {
        handler->EnterCommissionMode();
        PostMessageTo(handler.get(), WM_CONNECTION_EVENT, DRIVER_COMMISSION_DONE, 0);
        ASSERT_TRUE(PumpUntil([&] { return InCommissionMode(handler->GetConnectionType()); }));
    }
    std::vector<RecordedMessage> Done() const
    {
        std::vector<RecordedMessage> done;
        for (const auto& m : window.received)
            if (m.message == WM_CONSTLOG_DONE)
                done.push_back(m);
        return done;
    }
    static Bytes PositionReply(std::uint8_t status, std::int32_t altitude, std::int32_t latitude, std::int32_t longitude)
    {
        Bytes reply{0x83, 0x12, 0x13, status, 0, 0, 0, 0, 0};
        for (std::int32_t v : {altitude, latitude, longitude})
            for (int shift = 24; shift >= 0; shift -= 8)
                reply.push_back(static_cast<std::uint8_t>(static_cast<std::uint32_t>(v) >> shift));
        return reply;
    }

    MessageRecorder window;
    CConstLogData group;
    int statisticsHandled = 0;

private:
    MeasureSettingFunction previousMeasure_;
};

} // namespace

TEST_F(ConstLogDataTest, NothingIsSentOutsideCommissionMode)
{
    group.Start();
    EXPECT_TRUE(Sent().empty());
    EXPECT_FALSE(group.Read());
    EXPECT_FALSE(group.Write());
}

TEST_F(ConstLogDataTest, PositionThenStatisticsAndTheFramesTextsReplaced)
{
    EnterCommissionMode();
    group.Start();
    EXPECT_EQ(Sent(), (std::vector<Bytes>{{0x83, 0x12, 0x12, 0x00, 0x00}}));

    // A refused position is ignored: no statistics are asked for.
    Reply(PositionReply(1, 1000, -601012345, 24512000));
    EXPECT_TRUE(Sent().empty());
    // A position reply too short for its three values is ignored as well.
    Reply({0x83, 0x12, 0x13, 0x00, 0, 0, 0, 0, 0, 0, 0, 0, 1});
    EXPECT_TRUE(Sent().empty());

    Reply(PositionReply(0, 1000, -601012345, 24512000));
    EXPECT_EQ(Sent(), (std::vector<Bytes>{{0x83, 0x12, 0x25, 0x00, 0x00}}));
    EXPECT_EQ(AppUnitFacts().latitudeText, QStringLiteral("S 60") + kDeg + QStringLiteral("10'12.345\""));
    EXPECT_EQ(AppUnitFacts().longitudeText, QStringLiteral("E 002") + kDeg + QStringLiteral("45'12.000\""));
    EXPECT_EQ(AppUnitFacts().altitudeText, QStringLiteral("10.00 m "));
    EXPECT_EQ(group.GetAltitude(), 1000);
    EXPECT_TRUE(group.IsMetric());
}

TEST_F(ConstLogDataTest, AShortStatisticsReplyIsReadOnlyAsFarAsItGoes)
{
    EnterCommissionMode();
    group.Start();
    Sent();
    // Header, one whole day record, then three and a half durations of the second.
    Bytes reply{0x83, 0x12, 0x26, 0x00, 0x07};
    for (int i = 0; i < 13; ++i)
        reply.insert(reply.end(), {0, 0, 0, static_cast<std::uint8_t>(i + 1)});
    reply.insert(reply.end(), {9, 5, 0x07, 0xD9});
    for (int i = 0; i < 3; ++i)
        reply.insert(reply.end(), {0, 0, 0x01, 0x00});
    reply.insert(reply.end(), {0xFF, 0xFF});
    Reply(reply);

    const ConstLogStatistics& s = CConstLogData::Statistics();
    EXPECT_EQ(s.days[0].durations[12], 13u);
    EXPECT_EQ(s.totals[0], 91);
    EXPECT_EQ(s.days[0].day, 9);
    EXPECT_EQ(s.days[0].month, 5);
    EXPECT_EQ(s.days[0].year, 2009);
    EXPECT_EQ(s.totals[1], 3 * 256);
    EXPECT_EQ(s.days[1].durations[3], 0u);
    EXPECT_EQ(s.days[1].year, 0);
    for (int day = 2; day < kConstLogDays; ++day)
        EXPECT_EQ(s.totals[day], 0);
    ASSERT_EQ(Done().size(), 1u);
    EXPECT_EQ(Done()[0].wParam, 1u);
    EXPECT_EQ(statisticsHandled, 1);

    // The next run starts from an empty table.
    group.Start();
    EXPECT_EQ(CConstLogData::Statistics().Sum(), 0);
}

TEST_F(ConstLogDataTest, AnUndeliveredRequestEndsTheRunAndOtherAddressesAreIgnored)
{
    EnterCommissionMode();
    group.Start();
    Sent();
    Reply({0x83, 0x04, 0x26, 0x00, 0x07, 0, 0, 0, 1});
    Reply({0x84, 0x12, 0x26, 0x00, 0x07, 0, 0, 0, 1});
    EXPECT_TRUE(Done().empty());
    PostMessageTo(handler.get(), WM_DEVICE_MESSAGE, 0, 0x831212);
    ASSERT_TRUE(PumpUntil([&] { return !Done().empty(); }));
    EXPECT_EQ(Done()[0].wParam, 0u);
    EXPECT_EQ(statisticsHandled, 0);
}

TEST_F(ConstLogDataTest, WithoutStatisticsTheUserIsToldAndNoFileIsAskedFor)
{
    EnterCommissionMode();
    group.SetStatisticsHandler(&CConstLogData::ReportOrSave);
    PromptRecorder prompts;
    int asked = 0;
    const auto previousDialog = SetFileDialogFunction([&](const FileDialogRequest&) {
        ++asked;
        return std::optional<QString>();
    });
    group.Start();
    Sent();
    Reply(PositionReply(0, 1, 2, 3));
    Sent();
    Bytes reply{0x83, 0x12, 0x26, 0x00, 0x07};
    reply.resize(5 + 7 * 56, 0);
    Reply(reply);
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].text, LoadResString(ConstLogString::NoStatistics));
    EXPECT_EQ(prompts.shown[0].icon, MsgIcon::Error);
    EXPECT_EQ(asked, 0);
    SetFileDialogFunction(previousDialog);
}
