#include "GpsFixture.h"

#include "controls/AngleText.h"
#include "data/ProgressPane.h"

using namespace gpstest;

namespace {

const QString kDegree(QChar(0x00B0));

QString Dms(const char* hemisphere, const char* degrees, const char* minutes, const char* seconds)
{
    return QLatin1String(hemisphere) + u' ' + QLatin1String(degrees) + kDegree + QLatin1String(minutes) + u'\'' +
           QLatin1String(seconds);
}

class GpsDataTest : public GpsFixture {
protected:
    void SetUp() override
    {
        GpsFixture::SetUp();
        group.AddWindow(&window);
        group.Register();
    }
    void TearDown() override
    {
        group.Unregister();
        GpsFixture::TearDown();
    }
    // Runs one whole read with the given replies; true when it ended with success.
    bool ReadWith(const Bytes& dateTime, const Bytes& position)
    {
        window.received.clear();
        if (!group.ReadAll())
            return false;
        Sent();
        Reply(dateTime);
        Reply(position);
        return Done() == 1;
    }
    // wParam of the one read-done notice, -1 when there is none.
    int Done() const
    {
        int result = -1, count = 0;
        for (const auto& m : window.received)
            if (m.message == WM_GPS_READ_DONE)
                result = static_cast<int>(m.wParam), ++count;
        return count == 1 ? result : -1;
    }

    CGPSData group;
    MessageRecorder window;
};

TEST_F(GpsDataTest, EveryReadAsksDateAndTimeFirstThenThePositionBlock)
{
    ASSERT_TRUE(group.ReadAll());
    EXPECT_EQ(Sent(), (std::vector<Bytes>{kDateTimeRequest, kPositionRequest}));
    EXPECT_TRUE(group.ReadAll()) << "a running read reports true";
    EXPECT_TRUE(Sent().empty()) << "and sends nothing";
    Reply(DateTimeReply(2, 5, 2009, 12, 34, 56));
    EXPECT_EQ(Done(), -1) << "the date alone does not end the read";
    Reply(PositionReply(0, 0, 0, 0));
    EXPECT_EQ(Done(), 1);
    EXPECT_EQ(group.GetOperationState(), CDataClass::kIdle);

    // The second read asks the date and time again.
    ASSERT_TRUE(group.ReadAll());
    EXPECT_EQ(Sent(), (std::vector<Bytes>{kDateTimeRequest, kPositionRequest}));
}

TEST_F(GpsDataTest, ProgressCountsTheDateAndTimeRequestAndIsRemovedAtTheEnd)
{
    struct Log {
        int range = -1, steps = 0, alive = 0;
    } log;
    class Bar : public IProgressBar {
    public:
        explicit Bar(Log& l) : l_(l) { ++l_.alive; }
        ~Bar() override { --l_.alive; }
        void SetRange(int upper) override { l_.range = upper; }
        void Step() override { ++l_.steps; }
        void SetVisible(bool) override {}
        bool IsVisible() const override { return true; }

    private:
        Log& l_;
    };
    SetProgressBarFactory([&log] { return std::make_unique<Bar>(log); });
    EXPECT_TRUE(ReadWith(DateTimeReply(2, 5, 2009, 1, 2, 3), PositionReply(1, 2, 3, 0)));
    SetProgressBarFactory({});
    EXPECT_EQ(log.range, 2);
    EXPECT_EQ(log.steps, 2);
    EXPECT_EQ(log.alive, 0);
}

TEST_F(GpsDataTest, PositionBlockIsDecodedAndHandedToTheMainFrame)
{
    measure = QStringLiteral("0");
    ASSERT_TRUE(ReadWith(DateTimeReply(2, 5, 2009, 12, 34, 56), PositionReply(-30000000, 181234567, 12345, 0)));
    EXPECT_DOUBLE_EQ(group.GetLatitude(), -3.0);
    EXPECT_DOUBLE_EQ(group.GetLongitude(), 18.1234567);
    EXPECT_EQ(group.GetAltitude(), 12345);
    const UnitFacts& facts = AppUnitFacts();
    EXPECT_EQ(facts.latitudeText, Dms("S", "03", "00", "00.000"));
    EXPECT_EQ(facts.longitudeText, Dms("E", "018", "07", "24.444"));
    EXPECT_DOUBLE_EQ(facts.latitude, -3.0);
    EXPECT_EQ(facts.altitudeCm, 12345);
    EXPECT_EQ(facts.altitudeText, QStringLiteral("123.45 m"));

    const GpsDateTime& t = group.GetDateTime();
    EXPECT_EQ((std::vector<int>{t.day, t.month, t.year, t.hour, t.minute, t.second}),
              (std::vector<int>{2, 5, 2009, 12, 34, 56}));

    ASSERT_TRUE(ReadWith(DateTimeReply(2, 5, 2009, 12, 34, 56), PositionReply(-1, -1800000000, -500, 0)));
    EXPECT_EQ(facts.latitudeText, Dms("S", "00", "00", "00.000"));
    EXPECT_EQ(facts.longitudeText, Dms("W", "180", "00", "00.000"));
}

TEST_F(GpsDataTest, AltitudeTextFollowsTheMeasurementSetting)
{
    measure = QStringLiteral("1");
    ASSERT_TRUE(ReadWith(DateTimeReply(2, 5, 2009, 0, 0, 0), PositionReply(0, 0, 12345, 0)));
    EXPECT_EQ(AppUnitFacts().altitudeText, QStringLiteral("405.02 ft"));

    // Unreadable: the frame keeps the text it had.
    measure.reset();
    ASSERT_TRUE(ReadWith(DateTimeReply(2, 5, 2009, 0, 0, 0), PositionReply(0, 0, 99900, 0)));
    EXPECT_EQ(AppUnitFacts().altitudeText, QStringLiteral("405.02 ft"));
    EXPECT_EQ(AppUnitFacts().altitudeCm, 99900);

    EXPECT_EQ(AltitudeFieldText(12345, QStringLiteral("0")), QStringLiteral("123.45"));
    EXPECT_EQ(AltitudeFieldText(12345, QStringLiteral("2")), QStringLiteral("405.02"));
    EXPECT_EQ(AltitudeFieldText(12345, std::nullopt), QString());
    EXPECT_EQ(AltitudeUnitLabel(QStringLiteral("1")), QStringLiteral("ft."));
    EXPECT_EQ(AltitudeUnitLabel(QStringLiteral("0")), QStringLiteral("m"));
    EXPECT_EQ(AltitudeUnitLabel(std::nullopt), QStringLiteral("m"));
}

TEST_F(GpsDataTest, ModeByteSetsTheSurveyFlags)
{
    for (std::uint8_t mode : {0, 2}) {
        ASSERT_TRUE(ReadWith(DateTimeReply(2, 5, 2009, 0, 0, 0), PositionReply(0, 0, 0, mode)));
        EXPECT_TRUE(group.GetSelfSurvey()) << int(mode);
        EXPECT_FALSE(group.GetSurveyedPosition()) << int(mode);
        EXPECT_FALSE(AppUnitFacts().surveyedPosition);
    }
    // After a self-survey reading, mode 1 clears self survey again.
    ASSERT_TRUE(ReadWith(DateTimeReply(2, 5, 2009, 0, 0, 0), PositionReply(0, 0, 0, 1)));
    EXPECT_TRUE(group.GetSurveyedPosition());
    EXPECT_FALSE(group.GetSelfSurvey());
    EXPECT_TRUE(AppUnitFacts().surveyedPosition);
}

TEST_F(GpsDataTest, MalformedOrRefusedRepliesFailTheRead)
{
    Bytes shortValue = PositionReply(1, 2, 3, 0);
    shortValue.pop_back();        // no mode byte
    shortValue[7] = std::uint8_t(shortValue.size() - 5);
    Bytes badLength = PositionReply(1, 2, 3, 0);
    badLength.push_back(0);
    Bytes shortDate = DateTimeReply(2, 5, 2009, 1, 2, 3);
    shortDate.pop_back();

    struct Case {
        const char* what;
        Bytes dateTime, position;
    };
    const Case cases[] = {
        {"value without the mode byte", DateTimeReply(2, 5, 2009, 1, 2, 3), shortValue},
        {"length byte disagrees", DateTimeReply(2, 5, 2009, 1, 2, 3), badLength},
        {"status 1", DateTimeReply(2, 5, 2009, 1, 2, 3), PositionReply(1, 2, 3, 0, 1)},
        {"negative acknowledgement", DateTimeReply(2, 5, 2009, 1, 2, 3), Bytes{0x84, 0x04, 0xF0}},
    };
    for (const Case& c : cases) {
        AppUnitFacts().latitudeText = QStringLiteral("kept");
        EXPECT_FALSE(ReadWith(c.dateTime, c.position)) << c.what;
        EXPECT_EQ(Done(), 0) << c.what;
        EXPECT_EQ(AppUnitFacts().latitudeText, QStringLiteral("kept")) << c.what;
        EXPECT_EQ(group.GetOperationState(), CDataClass::kIdle) << c.what;
        EXPECT_TRUE(group.PendingReads().empty()) << c.what;
    }

    // A date reply without its seconds byte ends the read at once.
    window.received.clear();
    ASSERT_TRUE(group.ReadAll());
    Sent();
    Reply(shortDate);
    EXPECT_EQ(Done(), 0);
}

TEST_F(GpsDataTest, RepliesOfOtherGroupsOrIdentifiersAreIgnored)
{
    ASSERT_TRUE(group.ReadAll());
    Sent();
    Bytes otherGroup = DateTimeReply(9, 9, 2010, 9, 9, 9);
    otherGroup[1] = 0x09;
    Reply(otherGroup);
    Reply(DateTimeReply(2, 5, 2009, 1, 2, 3));
    Bytes otherId = PositionReply(1, 2, 3, 0);
    otherId[6] = 0x02;
    Reply(otherId);
    EXPECT_EQ(Done(), -1);
    EXPECT_EQ(group.GetDateTime().day, 2);
    Reply(PositionReply(10000000, 20000000, 3, 0));
    EXPECT_EQ(Done(), 1);
    EXPECT_DOUBLE_EQ(group.GetLatitude(), 1.0);
}

TEST_F(GpsDataTest, NothingIsSentWithoutAConnectionAndNothingIsEverWritten)
{
    EXPECT_FALSE(group.WriteAll());
    EXPECT_TRUE(Sent().empty());
    handler.reset();
    SetAppCommHandler(nullptr);
    EXPECT_FALSE(group.ReadAll());
}

TEST(GpsAngleText, SecondsThatRoundToAMinuteCarryIntoMinutesAndDegrees)
{
    // 12°34'59.9996" rounds to 12°35'00.000.
    EXPECT_EQ(AngleText(12 + 34 / 60.0 + 59.9996 / 3600.0, true), Dms("N", "12", "35", "00.000"));
    // 12°59'59.9996" is 13°00'00.000, not 12°60'00.000.
    EXPECT_EQ(AngleText(12 + 59 / 60.0 + 59.9996 / 3600.0, true), Dms("N", "13", "00", "00.000"));
    EXPECT_EQ(AngleText(-(179 + 59 / 60.0 + 59.9999 / 3600.0), false), Dms("W", "180", "00", "00.000"));
    // 12.9999999 degrees as the unit sends it (129 999 999) is 12°59'59.99964".
    EXPECT_EQ(AngleText(129999999 / 10000000.0, true), Dms("N", "13", "00", "00.000"));
    EXPECT_EQ(AngleText(-33.5, true), Dms("S", "33", "30", "00.000"));
    EXPECT_EQ(AngleText(0.0, false), Dms("E", "000", "00", "00.000"));
    // Just below a rounding step stays.
    EXPECT_EQ(AngleText(59.9994 / 3600.0, true), Dms("N", "00", "00", "59.999"));
}

TEST(GpsDateText, ValidDatesArePaddedInvalidOnesShownRaw)
{
    EXPECT_EQ(GpsDateText({2009, 5, 2, 7, 8, 9}), QStringLiteral("02.05.2009"));
    EXPECT_EQ(GpsTimeText({2009, 5, 2, 7, 8, 9}), QStringLiteral("07:08:09"));
    // Month 0: day, month and year joined by colons.
    EXPECT_EQ(GpsDateText({2009, 0, 5, 7, 8, 9}), QStringLiteral("5:0:2009"));
    EXPECT_EQ(GpsTimeText({2009, 0, 5, 7, 8, 9}), QStringLiteral("7:8:9"));
    // An impossible time makes the whole date-time invalid.
    EXPECT_EQ(GpsDateText({2009, 2, 29, 1, 2, 3}), QStringLiteral("29:2:2009"));
    EXPECT_EQ(GpsTimeText({2008, 2, 29, 24, 0, 0}), QStringLiteral("24:0:0"));
    EXPECT_EQ(GpsDateText({2008, 2, 29, 23, 59, 59}), QStringLiteral("29.02.2008"));
}

} // namespace
