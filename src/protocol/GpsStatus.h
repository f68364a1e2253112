#pragma once
// The GPS status reply: the receiver's twelve channels, the unit's position
// and the GPS time of day.

#include "protocol/Decoded.h"
#include "protocol/Units.h"

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace Protocol {

struct SGpsChannel {
    int satellite = 0;          // 0: no satellite on the channel
    DbHz cno;                   // never above kMaxCNo
    std::uint8_t state = 0;     // bit 0 clear: the unit calls the channel weak
    DegreesE7 elevation;
    DegreesE7 azimuth;          // clockwise from north
    [[nodiscard]] bool HasSatellite() const { return satellite != 0; }
};

struct STimeOfDay {
    int hour = 0, minute = 0, second = 0; // as received, even beyond a day's range
};

struct SGpsStatus {
    static constexpr int kChannels = 12;
    static constexpr int kMaxCNo = 60;          // dBHz; higher values are taken as this
    static constexpr std::size_t kReplyLength = 153;
    static constexpr std::size_t kFirstCNoAt = 33; // a reply this long carries channel states

    STimeOfDay time;
    Centimetres altitude;
    PackedAngle latitude;
    PackedAngle longitude;
    std::array<SGpsChannel, kChannels> channels{};
};

// A channel's values in plain units, for readers that keep or draw them
// rather than the reply's fields. An elevation or azimuth the unit does not
// know is 0 here.
struct SGpsChannelReading {
    int satellite = 0;       // 0: no satellite on the channel
    int cno = 0;             // dBHz
    double elevationDeg = 0; // 0..90
    double azimuthDeg = 0;   // 0..360, clockwise from north
};

// The position in plain units.
struct SGpsPosition {
    double latitudeDeg = 0;  // south negative
    double longitudeDeg = 0; // west negative
    double altitudeM = 0;
};

[[nodiscard]] SGpsChannelReading ReadingOf(const SGpsChannel& channel);
[[nodiscard]] SGpsPosition PositionOf(const SGpsStatus& status);

[[nodiscard]] std::vector<std::uint8_t> GpsStatusRequest();

// Stores the reply's fields into `into` in the reply's order. A reply cut short
// keeps the fields before the cut and leaves the rest as they were (Cut); a
// message that is not a GPS status reply with status 0 changes nothing.
Decoded DecodeGpsStatus(Bytes reply, SGpsStatus& into);

// The status from a whole reply only.
[[nodiscard]] std::optional<SGpsStatus> GpsStatusOf(Bytes reply);

} // namespace Protocol
