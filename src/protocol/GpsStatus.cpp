#include "protocol/GpsStatus.h"

#include "protocol/Vocabulary.h"

#include <algorithm>

namespace Protocol {
namespace {
constexpr std::size_t kStatusAt = 3;
constexpr std::size_t kTimeAt = 4;
constexpr std::size_t kAltitudeAt = 9;
constexpr std::size_t kLatitudeAt = 13;
constexpr std::size_t kLongitudeAt = 17;
constexpr std::size_t kSatelliteAt = 21;
constexpr std::size_t kCNoAt = SGpsStatus::kFirstCNoAt;
constexpr std::size_t kStateAt = 45;
constexpr std::size_t kElevationAt = 57;
constexpr std::size_t kAzimuthAt = 105;
} // namespace

namespace {
double DegreesOrZero(DegreesE7 angle)
{
    return angle.Known() ? angle.InDegrees().value : 0.0;
}
} // namespace

SGpsChannelReading ReadingOf(const SGpsChannel& channel)
{
    return {channel.satellite, channel.cno.value, DegreesOrZero(channel.elevation), DegreesOrZero(channel.azimuth)};
}

SGpsPosition PositionOf(const SGpsStatus& status)
{
    return {status.latitude.InDegrees().value, status.longitude.InDegrees().value, status.altitude.InMetres().value};
}

std::vector<std::uint8_t> GpsStatusRequest()
{
    return {Class::kStatus, Address::kGpsStatus, Op::kGpsStatus, 0x00, 0x00};
}

Decoded DecodeGpsStatus(Bytes bytes, SGpsStatus& into)
{
    const CReplyReader reply(bytes);
    if (!reply.Header(Class::kStatus, Address::kGpsStatus, Op::kGpsStatusReply) || reply.Byte(kStatusAt) != 0)
        return Decoded::NotThisReply;

    // The fields are stored one by one, as far as the reply goes.
    int* const time[] = {&into.time.hour, &into.time.minute, &into.time.second};
    for (std::size_t i = 0; i < 3; ++i) {
        const auto byte = reply.Byte(kTimeAt + i);
        if (!byte)
            return Decoded::Cut;
        *time[i] = *byte;
    }
    const auto altitude = reply.Long(kAltitudeAt);
    if (!altitude)
        return Decoded::Cut;
    into.altitude.value = static_cast<std::int32_t>(*altitude);
    const auto latitude = reply.Long(kLatitudeAt);
    if (!latitude)
        return Decoded::Cut;
    into.latitude.packed = static_cast<std::int32_t>(*latitude);
    const auto longitude = reply.Long(kLongitudeAt);
    if (!longitude)
        return Decoded::Cut;
    into.longitude.packed = static_cast<std::int32_t>(*longitude);

    for (std::size_t i = 0; i < SGpsStatus::kChannels; ++i) {
        SGpsChannel& channel = into.channels[i];
        const auto satellite = reply.Byte(kSatelliteAt + i);
        if (!satellite)
            return Decoded::Cut;
        channel.satellite = *satellite;
        const auto cno = reply.Byte(kCNoAt + i);
        if (!cno)
            return Decoded::Cut;
        channel.cno.value = std::min<int>(*cno, SGpsStatus::kMaxCNo);
        const auto state = reply.Byte(kStateAt + i);
        if (!state)
            return Decoded::Cut;
        channel.state = *state;
        const auto elevation = reply.Long(kElevationAt + 4 * i);
        if (!elevation)
            return Decoded::Cut;
        channel.elevation.value = *elevation;
        const auto azimuth = reply.Long(kAzimuthAt + 4 * i);
        if (!azimuth)
            return Decoded::Cut;
        channel.azimuth.value = *azimuth;
    }
    return Decoded::Whole;
}

std::optional<SGpsStatus> GpsStatusOf(Bytes reply)
{
    return WholeRecordOf<SGpsStatus>(reply, DecodeGpsStatus);
}

} // namespace Protocol
