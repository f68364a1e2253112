#pragma once
// What the GPS status window shows, without any widget: the unit's answer to
// the GPS status request (twelve receiver channels, the position and the GPS
// time of day), the texts built from it, and the rule that marks a channel
// weak. It asks through the shared status refresh and tells the window to
// redraw with Redraw(). The commissioning reads the unit's position from it.

#include "protocol/GpsStatus.h"
#include "status/StatusPoller.h"

#include <QString>

#include <array>
#include <cstdint>

class CGPSStatusView : public CStatusPoller {
    Q_OBJECT
public:
    static constexpr int kChannels = Protocol::SGpsStatus::kChannels;
    static constexpr int kMaxCNo = Protocol::SGpsStatus::kMaxCNo; // dBHz; higher values are shown as this
    static constexpr int kWeakCNo = 27; // weak below this until the unit sends channel states
    static constexpr int kReplyLength = int(Protocol::SGpsStatus::kReplyLength);

    // Reads the user's measurement system once: metric unless the setting
    // reads and does not start with '0'.
    explicit CGPSStatusView(IStatusFrame& frame);

    // Zeroes all decoded values and redraws.
    void ClearStatus() override;

    // Decodes a reply as the unit sends it; false when it is not a status reply
    // or too short (what was read up to the missing field is kept, nothing is
    // redrawn).
    bool Decode(const CDeviceMessage& reply);

    // What the unit last said, as far as its replies went.
    [[nodiscard]] const Protocol::SGpsStatus& Status() const { return status_; }
    [[nodiscard]] int SatelliteNumber(int channel) const { return Channel(channel).satellite; }
    [[nodiscard]] int CNo(int channel) const { return Channel(channel).cno.value; }
    [[nodiscard]] std::uint8_t ChannelState(int channel) const { return Channel(channel).state; }
    [[nodiscard]] std::uint32_t Elevation(int channel) const { return Channel(channel).elevation.value; }
    [[nodiscard]] std::uint32_t Azimuth(int channel) const { return Channel(channel).azimuth.value; }
    [[nodiscard]] bool ChannelStatesReceived() const { return statesReceived_; }

    // Weak: once channel states have arrived, when bit 0 of the channel's
    // state is clear; before that, when its C/No is below 27 dBHz.
    [[nodiscard]] bool IsWeak(int channel) const;
    // The width of the C/No bar in a cell this wide; 60 dBHz fills it.
    [[nodiscard]] int BarWidth(int channel, int cellWidth) const;

    [[nodiscard]] QString SatelliteText(int channel) const;
    [[nodiscard]] QString CNoText(int channel) const;
    [[nodiscard]] QString ElevationText(int channel) const;
    [[nodiscard]] QString AzimuthText(int channel) const;

    [[nodiscard]] QString LatitudeText() const;
    [[nodiscard]] QString LongitudeText() const;
    [[nodiscard]] QString AltitudeText() const;
    [[nodiscard]] QString TimeText() const;

    // The same rule and texts for a status however it was read.
    [[nodiscard]] static bool IsWeak(const Protocol::SGpsStatus& status, bool statesReceived, int channel);
    [[nodiscard]] static QString SatelliteText(const Protocol::SGpsStatus& status, int channel);
    [[nodiscard]] static QString CNoText(const Protocol::SGpsStatus& status, int channel);
    [[nodiscard]] static QString ElevationText(const Protocol::SGpsStatus& status, int channel);
    [[nodiscard]] static QString AzimuthText(const Protocol::SGpsStatus& status, int channel);
    [[nodiscard]] static QString LatitudeText(const Protocol::SGpsStatus& status);
    [[nodiscard]] static QString LongitudeText(const Protocol::SGpsStatus& status);
    [[nodiscard]] static QString TimeText(const Protocol::SGpsStatus& status);

    [[nodiscard]] std::int32_t PackedLatitude() const { return status_.latitude.packed; }
    [[nodiscard]] std::int32_t PackedLongitude() const { return status_.longitude.packed; }
    [[nodiscard]] std::int32_t AltitudeCm() const { return status_.altitude.value; }

    [[nodiscard]] double GetLatitudeDegrees() const;
    [[nodiscard]] double GetLongitudeDegrees() const;
    [[nodiscard]] double GetAltitudeMetres() const;

    [[nodiscard]] bool MetricUnits() const { return metric_; }
    // The user's measurement system: metric unless the setting reads and does
    // not start with '0'.
    [[nodiscard]] static bool MetricUnitsSetting();
    void SetMetricUnits(bool metric) { metric_ = metric; }

    // The texts of an angle in the unit's packed form DDDMMSSmmm (negative
    // south or west), with the hemisphere letter and the seconds sign.
    [[nodiscard]] static QString PackedAngleText(std::int32_t packed, bool latitude);
    [[nodiscard]] static double PackedAngleDegrees(std::int32_t packed);
    [[nodiscard]] static QString AltitudeText(std::int32_t centimetres, bool metric);

signals:
    // The decoded values changed: the list and the status bar are to be redrawn.
    void Redraw();

protected:
    [[nodiscard]] std::unique_ptr<CDeviceMessage> BuildRequest() const override;
    void OnStatusReply(const CDeviceMessage& reply) override;

private:
    [[nodiscard]] const Protocol::SGpsChannel& Channel(int channel) const
    {
        return status_.channels.at(std::size_t(channel));
    }

    Protocol::SGpsStatus status_;
    bool statesReceived_ = false;
    bool metric_ = true;
};
