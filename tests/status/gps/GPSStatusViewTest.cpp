// The GPS status decoding: channel rows, the weak-channel rule, the position,
// altitude and time texts, and replies that are not to be shown.

#include "status/gps/GPSStatusView.h"

#include "platform/MeasureSetting.h"
#include "link/DeviceMessageNotice.h"
#include "platform/MessageIds.h"
#include "support/FakeStatusFrame.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

#include <climits>
#include <vector>

namespace {

struct ChannelBytes {
    std::uint8_t satellite = 0, cno = 0, state = 0;
    std::uint32_t elevation = 0, azimuth = 0;
};

struct ReplyBytes {
    std::uint8_t status = 0;
    std::uint8_t hour = 0, minute = 0, second = 0;
    std::int32_t altitude = 0, latitude = 0, longitude = 0;
    std::array<ChannelBytes, 12> channels{};

    // The reply as the unit sends it, cut to `length` bytes when given.
    CDeviceMessage Build(int length = CGPSStatusView::kReplyLength) const
    {
        std::vector<std::uint8_t> b{0x83, 0x01, 0x13, status, hour, minute, second, 0, 0};
        const auto put = [&](std::uint32_t v) {
            for (int shift = 24; shift >= 0; shift -= 8)
                b.push_back(std::uint8_t(v >> shift));
        };
        put(std::uint32_t(altitude));
        put(std::uint32_t(latitude));
        put(std::uint32_t(longitude));
        for (const auto& c : channels)
            b.push_back(c.satellite);
        for (const auto& c : channels)
            b.push_back(c.cno);
        for (const auto& c : channels)
            b.push_back(c.state);
        for (const auto& c : channels)
            put(c.elevation);
        for (const auto& c : channels)
            put(c.azimuth);
        EXPECT_EQ(b.size(), std::size_t(CGPSStatusView::kReplyLength));
        CDeviceMessage m;
        m.AppendBytes(b.data(), std::min<int>(length, int(b.size())));
        return m;
    }
};

class TestView : public CGPSStatusView {
public:
    using CGPSStatusView::CGPSStatusView;
    using CGPSStatusView::BuildRequest;
    // Delivers the reply as the handler does: the view owns it from then on.
    void Receive(const CDeviceMessage& reply)
    {
        DeliverDeviceMessage(*this, std::make_unique<CDeviceMessage>(reply));
    }
};

class GPSStatusViewTest : public testing::Test {
protected:
    void SetUp() override
    {
        previous_ = SetMeasureSettingFunction([] { return std::optional<QString>(QStringLiteral("0")); });
        view = std::make_unique<TestView>(frame);
    }
    void TearDown() override
    {
        view.reset();
        SetMeasureSettingFunction(previous_);
    }

    FakeStatusFrame frame;
    std::unique_ptr<TestView> view;
    MeasureSettingFunction previous_;
};

ReplyBytes SampleReply()
{
    ReplyBytes r;
    r.hour = 13;
    r.minute = 5;
    r.second = 9;
    r.altitude = 12345;
    r.latitude = -123456789;
    r.longitude = 12345678;
    r.channels[0] = {17, 75, 1, 453000000, 1800000000};
    r.channels[2] = {5, 20, 1, 100000, 3599999999u};
    r.channels[3] = {9, 50, 0, 700000000, 900000000};
    return r;
}

TEST_F(GPSStatusViewTest, TheRequestAsksForTheGpsStatus)
{
    const auto request = view->BuildRequest();
    ASSERT_EQ(request->GetLength(), 5);
    EXPECT_EQ(std::vector<std::uint8_t>(request->GetData(), request->GetData() + 5),
              (std::vector<std::uint8_t>{0x83, 0x01, 0x12, 0x00, 0x00}));
}

TEST_F(GPSStatusViewTest, ChannelRowsShowCappedCNoEmptyChannelsAndAngles)
{
    QSignalSpy redraws(view.get(), &CGPSStatusView::Redraw);
    view->Receive(SampleReply().Build());
    EXPECT_EQ(redraws.count(), 1);
    EXPECT_EQ(frame.watchdog, std::vector<int>{0});

    // 75 dBHz is shown as 60 and fills the bar.
    EXPECT_EQ(view->CNo(0), 60);
    EXPECT_EQ(view->SatelliteText(0), QStringLiteral("17"));
    EXPECT_EQ(view->CNoText(0), QStringLiteral("60 dBHz"));
    EXPECT_EQ(view->BarWidth(0, 150), 150);
    EXPECT_EQ(view->BarWidth(0, 97), 97);
    EXPECT_EQ(view->ElevationText(0), QStringLiteral("45.30"));
    EXPECT_EQ(view->AzimuthText(0), QStringLiteral("180.00"));

    // An unused channel.
    EXPECT_EQ(view->SatelliteText(1), QStringLiteral("---"));
    EXPECT_EQ(view->CNoText(1), QStringLiteral("-- dBHz"));
    EXPECT_EQ(view->ElevationText(1), QStringLiteral("--\u00B0"));
    EXPECT_EQ(view->AzimuthText(1), QStringLiteral("--\u00B0"));
    EXPECT_EQ(view->BarWidth(1, 150), 0);

    // Partial bars in whole percent; angles taken as unsigned.
    EXPECT_EQ(view->BarWidth(2, 150), 33 * 150 / 100);
    EXPECT_EQ(view->ElevationText(2), QStringLiteral("0.01"));
    EXPECT_EQ(view->AzimuthText(2), QStringLiteral("360.00"));
}

TEST_F(GPSStatusViewTest, WeakChannelsFollowCNoUntilTheUnitSendsChannelStates)
{
    EXPECT_FALSE(view->ChannelStatesReceived());
    EXPECT_TRUE(view->IsWeak(0)); // 0 dBHz, below 27

    view->Receive(SampleReply().Build());
    EXPECT_TRUE(view->ChannelStatesReceived());
    EXPECT_FALSE(view->IsWeak(0)); // state bit 0 set
    EXPECT_FALSE(view->IsWeak(2)); // 20 dBHz but the unit calls it good
    EXPECT_TRUE(view->IsWeak(3));  // 50 dBHz but the unit calls it weak

    view->ClearStatus(); // the states stay known
    EXPECT_TRUE(view->ChannelStatesReceived());
    EXPECT_TRUE(view->IsWeak(0));
}

TEST_F(GPSStatusViewTest, PositionAltitudeAndTimeTexts)
{
    view->Receive(SampleReply().Build());
    EXPECT_EQ(view->LatitudeText(), QStringLiteral("S 12\u00B034'56.789\""));
    EXPECT_EQ(view->LongitudeText(), QStringLiteral("E 001\u00B023'45.678\""));
    EXPECT_EQ(view->AltitudeText(), QStringLiteral("123.45 m "));
    EXPECT_EQ(view->TimeText(), QStringLiteral("13:05:09"));
    EXPECT_NEAR(view->GetLatitudeDegrees(), -(12 + 34 / 60.0 + 56.789 / 3600.0), 1e-12);
    EXPECT_NEAR(view->GetLongitudeDegrees(), 1 + 23 / 60.0 + 45.678 / 3600.0, 1e-12);
    EXPECT_DOUBLE_EQ(view->GetAltitudeMetres(), 123.45);

    EXPECT_EQ(CGPSStatusView::AltitudeText(12345, false), QStringLiteral("405.01 ft "));
    EXPECT_EQ(CGPSStatusView::AltitudeText(-12345, false), QStringLiteral("-405.01 ft "));
    EXPECT_EQ(CGPSStatusView::PackedAngleText(-12345678, false), QStringLiteral("W 001\u00B023'45.678\""));
    EXPECT_EQ(CGPSStatusView::PackedAngleText(0, true), QStringLiteral("N 00\u00B000'00.000\""));

    // Extremes the unit should never send are shown digit by digit, without
    // overflowing: the most negative value has no 32-bit magnitude.
    EXPECT_EQ(CGPSStatusView::PackedAngleText(INT_MIN, false), QStringLiteral("W 214\u00B074'83.648\""));
    EXPECT_EQ(CGPSStatusView::AltitudeText(INT_MAX, false), QStringLiteral("70455500.22 ft "));

    ReplyBytes odd = SampleReply();
    odd.hour = 99;
    odd.minute = 255;
    view->Receive(odd.Build());
    EXPECT_EQ(view->TimeText(), QStringLiteral("99:255:09"));

    view->ClearStatus();
    EXPECT_EQ(view->LatitudeText(), QStringLiteral("N 00\u00B000'00.000\""));
    EXPECT_EQ(view->AltitudeText(), QStringLiteral("0.00 m "));
    EXPECT_EQ(view->TimeText(), QStringLiteral("00:00:00"));
    EXPECT_EQ(view->SatelliteText(0), QStringLiteral("---"));
}

TEST_F(GPSStatusViewTest, MeasurementSystemComesFromTheUsersSetting)
{
    const auto metricWith = [&](std::optional<QString> setting) {
        SetMeasureSettingFunction([setting] { return setting; });
        return TestView(frame).MetricUnits();
    };
    EXPECT_TRUE(metricWith(QStringLiteral("0")));
    EXPECT_FALSE(metricWith(QStringLiteral("1")));
    EXPECT_FALSE(metricWith(QString()));
    EXPECT_TRUE(metricWith(std::nullopt)); // unreadable: metric

    SetMeasureSettingFunction([] { return std::optional<QString>(QStringLiteral("1")); });
    TestView feet(frame);
    feet.Receive(SampleReply().Build());
    EXPECT_EQ(feet.AltitudeText(), QStringLiteral("405.01 ft "));
}

TEST_F(GPSStatusViewTest, AFailedReplyOnlyStopsTheWatchdog)
{
    view->Receive(SampleReply().Build());
    QSignalSpy redraws(view.get(), &CGPSStatusView::Redraw);

    ReplyBytes failed;
    failed.status = 1;
    failed.altitude = 999;
    failed.channels[0] = {3, 40, 1, 1, 1};
    view->Receive(failed.Build());
    EXPECT_EQ(frame.watchdog, (std::vector<int>{0, 0}));
    EXPECT_EQ(redraws.count(), 0);
    EXPECT_EQ(view->SatelliteNumber(0), 17);
    EXPECT_EQ(view->AltitudeCm(), 12345);

    // Other replies, and one too short for its header, likewise.
    CDeviceMessage other;
    for (std::uint8_t b : {0x83, 0x13, 0x28, 0x00})
        other.AppendByte(b);
    view->Receive(other);
    view->Receive(failed.Build(3));
    EXPECT_EQ(redraws.count(), 0);
    EXPECT_EQ(view->PackedLatitude(), -123456789);
    EXPECT_EQ(frame.watchdog.size(), 4u);
}

TEST_F(GPSStatusViewTest, AShortReplyStopsAtTheMissingFieldAndIsNotShown)
{
    view->Receive(SampleReply().Build());
    QSignalSpy redraws(view.get(), &CGPSStatusView::Redraw);

    ReplyBytes next = SampleReply();
    next.altitude = 500;
    next.latitude = 1;
    for (auto& c : next.channels)
        c = {30, 45, 1, 200000000, 200000000};
    // Cut inside channel 1's azimuth: the header and channel 1 up to its
    // elevation are read, everything after stays as it was.
    view->Receive(next.Build(107));
    EXPECT_EQ(redraws.count(), 0);
    EXPECT_EQ(view->AltitudeCm(), 500);
    EXPECT_EQ(view->PackedLatitude(), 1);
    EXPECT_EQ(view->SatelliteNumber(0), 30);
    EXPECT_EQ(view->Elevation(0), 200000000u);
    EXPECT_EQ(view->Azimuth(0), 1800000000u);
    EXPECT_EQ(view->SatelliteNumber(2), 5);
    EXPECT_EQ(view->CNo(3), 50);

    // Cut inside the position: the time is read, the altitude is not.
    next.hour = 7;
    view->Receive(next.Build(11));
    EXPECT_EQ(redraws.count(), 0);
    EXPECT_EQ(view->TimeText(), QStringLiteral("07:05:09"));
    EXPECT_EQ(view->AltitudeCm(), 500);
}

} // namespace
