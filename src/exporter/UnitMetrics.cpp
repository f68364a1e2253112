#include "exporter/UnitMetrics.h"

#include <string>

namespace {

std::string_view StateOf(std::uint16_t code)
{
    switch (code) {
    case 0:
        return "not_ok";
    case 1:
        return "ok";
    case 2:
        return "unknown";
    case 3:
        return "off";
    case 4:
        return "on";
    case 6:
        return "survey";
    case 7:
        return "locked";
    case 8:
        return "free_running";
    case 9:
        return "pll_locked";
    case 10:
        return "adjusting";
    case 14:
        return "ok";
    case 15:
        return "ok";
    default:
        return "invalid";
    }
}

std::string_view VerdictOf(int verdict)
{
    switch (verdict) {
    case 0:
        return "good";
    case 1:
        return "sufficient";
    case 2:
        return "bad";
    case 255:
        return "initializing";
    default:
        return "undefined";
    }
}

void WriteGps(CMetricWriter& out, const SUnitGps& gps)
{
    int tracked = 0;
    int cnoSum = 0;
    for (const auto& channel : gps.channels) {
        if (channel.satellite != 0) {
            ++tracked;
            cnoSum += channel.cnoDbHz;
        }
    }
    out.Family("qora_gps_satellites_tracked", MetricType::Gauge, "Receiver channels tracking a satellite.");
    out.Sample(tracked);
    out.Family("qora_gps_cno_mean_dbhz", MetricType::Gauge,
               "Mean carrier-to-noise density of the tracked satellites (0 when none is tracked).");
    out.Sample(tracked ? double(cnoSum) / tracked : 0.0);
    out.Family("qora_gps_channel_cno_dbhz", MetricType::Gauge,
               "Carrier-to-noise density per receiver channel tracking a satellite.");
    std::string channelText;
    std::string satelliteText;
    for (std::size_t i = 0; i < gps.channels.size(); ++i) {
        if (gps.channels[i].satellite == 0)
            continue;
        channelText = std::to_string(i + 1);
        satelliteText = std::to_string(gps.channels[i].satellite);
        out.Sample(gps.channels[i].cnoDbHz, {{"channel", channelText}, {"satellite", satelliteText}});
    }
    out.Family("qora_gps_latitude_degrees", MetricType::Gauge, "Position of the unit's antenna, north positive.");
    out.Sample(gps.latitudeDegrees);
    out.Family("qora_gps_longitude_degrees", MetricType::Gauge, "Position of the unit's antenna, east positive.");
    out.Sample(gps.longitudeDegrees);
    out.Family("qora_gps_altitude_meters", MetricType::Gauge, "Altitude of the unit's antenna.");
    out.Sample(gps.altitudeMeters);
}

void WriteInstall(CMetricWriter& out, const SUnitInstall& install)
{
    using Row = SUnitInstall::Row;
    const auto state = [&](Row row) { return StateOf(install.codes[row]); };
    const std::string_view selfTest = state(Row::SelfTests);
    if (selfTest == "ok" || selfTest == "not_ok") {
        out.Family("qora_self_test_ok", MetricType::Gauge, "1 when the unit's internal self-tests pass.");
        out.Sample(selfTest == "ok" ? 1 : 0);
    }
    // "not_ok" is how the unit says it has no fix.
    const std::string_view fix = state(Row::GpsFix) == "not_ok" ? "no_fix"
        : state(Row::GpsFix) == "ok"                            ? "fix"
                                                                : state(Row::GpsFix);
    out.Family("qora_gps_fix", MetricType::StateSet,
               "GPS fix of the unit: none, surveying its position, locked to the surveyed position, a fix.");
    out.States({"no_fix", "survey", "locked", "fix", "invalid"}, fix);
    out.Family("qora_gps_survey_progress_ratio", MetricType::Gauge, "Progress of the position survey.");
    out.Sample(install.surveyPercent / 100.0);
    out.Family("qora_clock_output", MetricType::StateSet, "The unit's clock output.");
    out.States({"on", "off", "invalid"}, state(Row::ClockOutput));
    out.Family("qora_clock_state", MetricType::StateSet,
               "The unit's clock: PLL locked, free running (holdover), adjusting, unknown.");
    out.States({"pll_locked", "free_running", "adjusting", "unknown", "invalid"}, state(Row::ClockState));
    out.Family("qora_q1_transmission", MetricType::StateSet, "Transmission on the unit's Q1 bus.");
    out.States({"ok", "unknown", "invalid"}, state(Row::Transmission));
    const std::string_view time = state(Row::Q1Time);
    out.Family("qora_q1_time", MetricType::StateSet, "Whether the unit knows the Q1 bus time.");
    out.States({"ok", "unknown", "invalid"}, time);
    if (time == "ok") {
        out.Family("qora_q1_time_seconds", MetricType::Gauge, "The unit's Q1 bus time, seconds since 1970.");
        out.Sample(double(install.q1TimeMs) / 1000.0);
    }
}

void WriteConstellation(CMetricWriter& out, const SUnitConstellation& constellation)
{
    out.Family("qora_constellation_verdict", MetricType::StateSet,
               "The unit's verdict on its antenna installation from the satellites it has seen.");
    out.States({"good", "sufficient", "bad", "initializing", "undefined"}, VerdictOf(constellation.verdict));
    // While the unit initialises its durations mean nothing.
    if (constellation.verdict == 255)
        return;
    out.Family("qora_constellation_visible_seconds", MetricType::Gauge,
               "Time the receiver has seen this number of satellites.");
    std::string count;
    for (std::size_t n = 0; n < constellation.secondsBySatellites.size(); ++n) {
        count = std::to_string(n);
        out.Sample(constellation.secondsBySatellites[n], {{"satellites", count}});
    }
    out.Family("qora_constellation_seconds", MetricType::Gauge, "Time the constellation statistics cover.");
    out.Sample(constellation.totalSeconds);
}

} // namespace

std::string UnitExposition(const SUnitReading& reading, double probeSeconds, ExpositionFormat format)
{
    CMetricWriter out(format);
    out.Family("qora_up", MetricType::Gauge, "1 when the unit answered the probe as a QORA unit.");
    out.Sample(reading.reachable ? 1 : 0);
    out.Family("qora_probe_duration_seconds", MetricType::Gauge, "How long reading the unit took.");
    out.Sample(probeSeconds);
    if (reading.reachable) {
        out.Family("qora_probe_complete", MetricType::Gauge, "1 when every reply of the unit was read and understood.");
        out.Sample(reading.error.empty() ? 1 : 0);
    }
    if (reading.identity || reading.firmware) {
        const SUnitIdentity identity = reading.identity.value_or(SUnitIdentity{});
        const SUnitFirmware firmware = reading.firmware.value_or(SUnitFirmware{});
        out.Family("qora_unit", MetricType::Info, "The unit's identity and firmware.");
        out.Info({{"serial", identity.serial},
                  {"unit_version", identity.unitVersion},
                  {"hardware", identity.hardware},
                  {"active_firmware", firmware.active},
                  {"inactive_firmware", firmware.inactive}});
    }
    if (reading.gps)
        WriteGps(out, *reading.gps);
    if (reading.install)
        WriteInstall(out, *reading.install);
    if (reading.constellation)
        WriteConstellation(out, *reading.constellation);
    return out.Finish();
}
