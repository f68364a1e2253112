// The three status windows' decoders (GPS status, installation status,
// constellation statistics), fed through the shared poller as the handler
// delivers a reply, then asked for every text the windows draw.
//
// Input: a selector byte (which window), then up to four replies, each a
// 16-bit big-endian length and its bytes; a reply of length 0xFFFF stands for
// a failed request.

#include "FuzzSupport.h"

#include "link/DeviceMessageNotice.h"
#include "platform/MessageIds.h"
#include "status/constellation/ConstellationStatisticsView.h"
#include "status/gps/GPSStatusView.h"
#include "status/install/InstallStatusView.h"

#include <memory>

namespace {

class QuietFrame : public IStatusFrame {
public:
    bool ResetPending() const override { return false; }
    bool CommissioningRunning() const override { return false; }
    bool DownloadDialogOpen() const override { return false; }
    void SetLinkWatchdog(int) override {}
};

constexpr std::uint16_t kFailedRequest = 0xFFFF;
constexpr int kMaxReplies = 4;

void Deliver(CStatusPoller& view, fuzz::InputReader& input)
{
    for (int n = 0; n < kMaxReplies && !input.Empty(); ++n) {
        const std::uint16_t length = input.Word();
        if (length == kFailedRequest) {
            view.Send(WM_DEVICE_MESSAGE, 0, 0);
            continue;
        }
        const auto bytes = input.Bytes(length);
        auto reply = std::make_unique<CDeviceMessage>();
        reply->AppendBytes(bytes.data(), static_cast<std::int32_t>(bytes.size()));
        // The poller owns the reply from here on, as from a posted message.
        DeliverDeviceMessage(view, std::move(reply));
    }
}

void GpsStatus(fuzz::InputReader& input, QuietFrame& frame)
{
    CGPSStatusView view(frame);
    view.SetMetricUnits(input.Byte() & 1);
    Deliver(view, input);
    for (int channel = 0; channel < CGPSStatusView::kChannels; ++channel) {
        (void)view.SatelliteText(channel);
        (void)view.CNoText(channel);
        (void)view.ElevationText(channel);
        (void)view.AzimuthText(channel);
        (void)view.IsWeak(channel);
        const int width = view.BarWidth(channel, 100);
        FUZZ_CHECK(width >= 0 && width <= 100);
    }
    (void)view.LatitudeText();
    (void)view.LongitudeText();
    (void)view.AltitudeText();
    (void)view.TimeText();
    (void)view.GetLatitudeDegrees();
    (void)view.GetLongitudeDegrees();
    (void)view.GetAltitudeMetres();
}

void InstallStatus(fuzz::InputReader& input, QuietFrame& frame)
{
    CInstallStatusView view(frame, [] { return QStringLiteral("192.168.255.120:131"); });
    Deliver(view, input);
    for (int row = 0; row < CInstallStatusView::kRowCount; ++row) {
        (void)view.RowText(row);
        (void)view.RowColour(row);
    }
    InstallationSummary summary;
    view.GetInstallationSummary(summary);
    (void)CInstallStatusView::FormatBusTime(view.BusTimeMs());
}

void ConstellationStatistics(fuzz::InputReader& input, QuietFrame& frame)
{
    CConstellationStatisticsView view(frame);
    view.ClearStatus();
    Deliver(view, input);
    for (int row = 0; row < CConstellationStatisticsView::kRows; ++row) {
        (void)view.CellText(row);
        (void)view.CellTone(row);
    }
    (void)view.TotalText();
    (void)view.VerdictPaneText();
    (void)view.VerdictPaneTone();
    (void)CConstellationStatisticsView::GetVerdictText();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::EnsureApplication();
    static QuietFrame frame;
    fuzz::InputReader input({data, size});
    switch (input.Byte() % 3) {
    case 0: GpsStatus(input, frame); break;
    case 1: InstallStatus(input, frame); break;
    default: ConstellationStatistics(input, frame); break;
    }
    fuzz::DeliverPosted();
    return 0;
}
