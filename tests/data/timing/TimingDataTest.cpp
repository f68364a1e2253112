#include "TimingFixture.h"

#include "data/timing/TimingData.h"
#include "platform/FieldRange.h"
#include "platform/MessageIds.h"

using namespace timingtest;

namespace {

class TimingDataTest : public TimingFixture {
protected:
    void SetUp() override
    {
        TimingFixture::SetUp();
        for (CDataClass* group : {static_cast<CDataClass*>(&timing), static_cast<CDataClass*>(&rf)}) {
            group->AddWindow(&window);
            group->Register();
        }
    }
    void TearDown() override
    {
        timing.Unregister();
        rf.Unregister();
        TimingFixture::TearDown();
    }
    // wParam of the last notice `message`, -1 when there is none.
    int Last(unsigned message) const
    {
        int result = -1;
        for (const auto& m : window.received)
            if (m.message == message)
                result = static_cast<int>(m.wParam);
        return result;
    }

    CClockTimingData timing;
    CRFData rf;
    MessageRecorder window;
};

TEST_F(TimingDataTest, WriteOfTheInitialValuesCarriesTheWholeBlockWithFourthWordOne)
{
    ASSERT_TRUE(timing.WriteAll());
    EXPECT_EQ(Sent(), (std::vector<Bytes>{TimingWrite({0x00, 0x0A, 0x0D, 0xD4, 0x00, 0x3C, 0x00, 0x01})}));
    EXPECT_EQ(timing.GetOperationState(), CDataClass::kWriting);
    EXPECT_FALSE(timing.ReadAll()) << "no read while writing";

    Reply(WriteReply(0, 0xC004));
    EXPECT_EQ(Last(WM_CLOCKTIMING_WRITE_DONE), -1) << "a reply for another identifier is ignored";
    Reply(WriteReply(0));
    EXPECT_EQ(Last(WM_CLOCKTIMING_WRITE_DONE), 1);
    EXPECT_EQ(timing.GetOperationState(), CDataClass::kIdle);
}

TEST_F(TimingDataTest, ReadTakesThreeTimesAndKeepsTheFourthWordAtOne)
{
    ASSERT_TRUE(timing.ReadAll());
    EXPECT_EQ(Sent(), (std::vector<Bytes>{kTimingRead}));
    Reply(TimingReply(TimingValue(20, 1200, 45, 7)));
    EXPECT_EQ(Last(WM_CLOCKTIMING_READ_DONE), 1);
    EXPECT_EQ(timing.GetFixLostAlarmTime(), 20);
    EXPECT_EQ(timing.GetClocksOutAlarmTime(), 1200);
    EXPECT_EQ(timing.GetClockDisableTime(), 45);
    EXPECT_EQ(timing.GetFourthWord(), 1);

    // The setters only store; the write sends what was read and set, word four 1.
    timing.SetClocksOutAlarmTime(600);
    timing.SetClockDisableTime(0);
    EXPECT_TRUE(Sent().empty());
    ASSERT_TRUE(timing.WriteAll());
    EXPECT_EQ(Sent(), (std::vector<Bytes>{TimingWrite(TimingValue(20, 600, 0, 1))}));
}

TEST_F(TimingDataTest, FailuresEndTheOperationWithResultZero)
{
    // A value too short for the three times is malformed.
    ASSERT_TRUE(timing.ReadAll());
    Sent();
    Reply(TimingReply({0x00, 0x0A, 0x0D, 0xD4}));
    EXPECT_EQ(Last(WM_CLOCKTIMING_READ_DONE), 0);
    EXPECT_EQ(timing.GetClocksOutAlarmTime(), 3540) << "nothing stored";

    // A refused write.
    ASSERT_TRUE(timing.WriteAll());
    Sent();
    Reply(WriteReply(2));
    EXPECT_EQ(Last(WM_CLOCKTIMING_WRITE_DONE), 0);
    EXPECT_TRUE(timing.PendingWrites().empty());
    EXPECT_EQ(timing.GetOperationState(), CDataClass::kIdle);

    // A negative acknowledgement.
    window.received.clear();
    ASSERT_TRUE(timing.WriteAll());
    Sent();
    Reply({0x84, 0x10, 0xF0});
    EXPECT_EQ(Last(WM_CLOCKTIMING_WRITE_DONE), 0);

    // A time that does not fit a word fails the write rather than send another time.
    window.received.clear();
    timing.SetClocksOutAlarmTime(70000);
    timing.WriteAll();
    PumpFor(5);
    EXPECT_TRUE(Sent().empty());
    EXPECT_EQ(Last(WM_CLOCKTIMING_WRITE_DONE), 0);
}

TEST_F(TimingDataTest, TimeCalculationReadsBothDelaysInOrderAndNeverWrites)
{
    ASSERT_TRUE(rf.ReadAll());
    EXPECT_EQ(Sent(), (std::vector<Bytes>{kAntennaDelayRead}));
    EXPECT_TRUE(rf.ReadAll()) << "a running read reports true";
    EXPECT_TRUE(Sent().empty());
    Reply(ReadReply(6, 0xC003, {0xF0, 0x00, 0x01, 0x2C}));
    EXPECT_EQ(Sent(), (std::vector<Bytes>{kFrameClockDelayRead}));
    EXPECT_EQ(Last(WM_TIMECALC_READ_DONE), -1);
    Reply(ReadReply(6, 0xC004, {0x12, 0xC0}));
    EXPECT_EQ(Last(WM_TIMECALC_READ_DONE), 1);
    EXPECT_EQ(rf.GetGpsAntennaDelay(), 0xF000012Cu) << "unsigned, all 32 bits";
    EXPECT_EQ(rf.GetFrameClockDelay(), 4800);

    EXPECT_FALSE(rf.WriteAll());
    EXPECT_TRUE(Sent().empty());

    // A short antenna delay ends the read as failed.
    ASSERT_TRUE(rf.ReadAll());
    Sent();
    Reply(ReadReply(6, 0xC003, {0x01, 0x02}));
    EXPECT_EQ(Last(WM_TIMECALC_READ_DONE), 0);
    EXPECT_EQ(rf.GetGpsAntennaDelay(), 0xF000012Cu);
}

TEST_F(TimingDataTest, NotConnectedNothingIsSent)
{
    handler->CloseConnection();
    PumpFor(5);
    EXPECT_FALSE(timing.ReadAll());
    EXPECT_FALSE(timing.WriteAll());
    EXPECT_FALSE(rf.ReadAll());
    EXPECT_TRUE(Sent().empty());
}

TEST(ClockTimingRows, RangesAndSigns)
{
    using namespace clocktiming;
    const Taken ok = TakeRows("10", "+11", "0");
    ASSERT_TRUE(ok.Valid());
    EXPECT_EQ(ok.rows.clocksOut, 11);
    EXPECT_EQ(ok.rows.disable, 0);
    EXPECT_TRUE(TakeRows("10", "3540", "60").Valid());

    const Taken tooLong = TakeRows("10", "3541", "60");
    EXPECT_EQ(tooLong.refused, Field::ClocksOut);
    EXPECT_EQ(tooLong.message, QStringLiteral("Enter an integer between 11 and 3540."));
    EXPECT_EQ(TakeRows("10", "10", "60").refused, Field::ClocksOut);
    EXPECT_EQ(TakeRows("10", "-20", "60").message, IntegerRangeMessage(11, 3540));

    const Taken disable = TakeRows("10", "100", "61");
    EXPECT_EQ(disable.refused, Field::Disable);
    EXPECT_EQ(disable.message, QStringLiteral("Enter an integer between 0 and 60."));
    // Row 2 is checked first.
    EXPECT_EQ(TakeRows("10", "3541", "61").refused, Field::ClocksOut);
    EXPECT_EQ(TakeRows("10", "", "1").refused, Field::ClocksOut);

    EXPECT_FALSE(ClocksOutBeforeFixLost({20, 20, 0}));
    EXPECT_TRUE(ClocksOutBeforeFixLost({20, 19, 0}));
    EXPECT_TRUE(ClocksOutBeforeFixLostWarning(20).contains(QStringLiteral("20 s")));
}

} // namespace
