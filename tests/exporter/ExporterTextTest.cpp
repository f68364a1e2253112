// The exporter's texts without a network: the exposition in both formats, a
// unit's replies and metrics, the web configuration, basic authentication and the command
// line.

#include "exporter/BasicAuth.h"
#include "exporter/ExporterOptions.h"
#include "exporter/LinkUnitReader.h"
#include "exporter/MetricText.h"
#include "exporter/UnitMetrics.h"
#include "exporter/WebConfig.h"
#include "fleet/FleetUnitReader.h"

#include <QByteArray>

#include <gtest/gtest.h>

#include <chrono>

namespace {

bool Has(const std::string& text, const std::string& line)
{
    return text.find("\n" + line + "\n") != std::string::npos || text.starts_with(line + "\n");
}

SUnitReading HealthyReading()
{
    SUnitReading reading;
    reading.reachable = true;
    reading.identity = SUnitIdentity{"QORA-U 2.1", "HW 3", "QSIMF00002"};
    reading.firmware = SUnitFirmware{"QOR0300.bin", ""};
    SUnitGps gps;
    gps.channels[0] = {12, 44};
    gps.channels[4] = {7, 38};
    gps.latitudeDegrees = -12.5;
    gps.longitudeDegrees = 24.25;
    gps.altitudeMeters = 123.45;
    reading.gps = gps;
    SUnitInstall install;
    install.codes = {1, 6, 4, 8, 15, 14};
    install.q1TimeMs = 1796731200000ULL;
    install.surveyPercent = 37;
    reading.install = install;
    SUnitConstellation constellation;
    constellation.verdict = 2;
    constellation.secondsBySatellites[0] = 30;
    constellation.secondsBySatellites[8] = 3570;
    constellation.totalSeconds = 3600;
    reading.constellation = constellation;
    return reading;
}

} // namespace

TEST(MetricText, EachFormatNamesItsFamiliesAndEscapesLabels)
{
    for (const ExpositionFormat format : {ExpositionFormat::Text004, ExpositionFormat::OpenMetrics}) {
        const bool om = format == ExpositionFormat::OpenMetrics;
        SCOPED_TRACE(om ? "OpenMetrics" : "text 0.0.4");
        CMetricWriter out(format);
        out.Family("x_probes", MetricType::Counter, "Probes.");
        out.Sample(3, {{"result", "up"}});
        out.Family("x_unit", MetricType::Info, "Who.");
        out.Info({{"name", "a\\b \"c\"\nd"}});
        out.Family("x_fix", MetricType::StateSet, "Fix.");
        out.States({"none", "locked"}, "locked");
        out.Family("x_seconds", MetricType::Histogram, "Time.");
        out.Histogram({{0.5, 1}, {1, 2}}, 1.25, 3);
        const std::string text = out.Finish();

        EXPECT_TRUE(Has(text, om ? "# TYPE x_probes counter" : "# TYPE x_probes_total counter")) << text;
        EXPECT_TRUE(Has(text, "x_probes_total{result=\"up\"} 3")) << text;
        EXPECT_TRUE(Has(text, om ? "# TYPE x_unit info" : "# TYPE x_unit_info gauge")) << text;
        EXPECT_TRUE(Has(text, R"(x_unit_info{name="a\\b \"c\"\nd"} 1)")) << text;
        EXPECT_TRUE(Has(text, om ? "# TYPE x_fix stateset" : "# TYPE x_fix gauge")) << text;
        EXPECT_TRUE(Has(text, "x_fix{x_fix=\"none\"} 0")) << text;
        EXPECT_TRUE(Has(text, "x_fix{x_fix=\"locked\"} 1")) << text;
        EXPECT_TRUE(Has(text, om ? "x_seconds_bucket{le=\"1.0\"} 2" : "x_seconds_bucket{le=\"1\"} 2")) << text;
        EXPECT_TRUE(Has(text, "x_seconds_bucket{le=\"+Inf\"} 3")) << text;
        EXPECT_TRUE(Has(text, "x_seconds_count 3")) << text;
        EXPECT_EQ(text.ends_with("# EOF\n"), om) << text;
    }

    std::string value;
    for (const auto& [number, written] : std::vector<std::pair<double, std::string>>{
             {0, "0"}, {-3, "-3"}, {0.1, "0.1"}, {1e21, "1e+21"}, {std::nan(""), "NaN"}, {-INFINITY, "-Inf"}}) {
        value.clear();
        AppendMetricValue(value, number);
        EXPECT_EQ(value, written);
    }
}

TEST(MetricText, OpenMetricsOnlyWhenTheScraperAsksForIt)
{
    const std::pair<const char*, ExpositionFormat> cases[] = {
        {"", ExpositionFormat::Text004},
        {"text/plain;version=0.0.4;q=0.5,*/*;q=0.1", ExpositionFormat::Text004},
        // What Prometheus 2.42 sends.
        {"application/openmetrics-text;version=1.0.0,application/openmetrics-text;version=0.0.1;q=0.75,"
         "text/plain;version=0.0.4;q=0.5,*/*;q=0.1",
         ExpositionFormat::OpenMetrics},
        {"application/openmetrics-text", ExpositionFormat::OpenMetrics},
        {"application/openmetrics-text;version=0.0.1,text/plain", ExpositionFormat::Text004},
        {"text/html, application/xhtml+xml", ExpositionFormat::Text004},
    };
    for (const auto& [accept, format] : cases)
        EXPECT_EQ(FormatForAccept(accept), format) << accept;
}

TEST(UnitMetrics, AReadingBecomesNamedValuesAndStateSets)
{
    const std::string text = UnitExposition(HealthyReading(), 0.25, ExpositionFormat::Text004);
    for (const char* line : {
             "qora_up 1",
             "qora_probe_duration_seconds 0.25",
             "qora_probe_complete 1",
             R"(qora_unit_info{serial="QSIMF00002",unit_version="QORA-U 2.1",hardware="HW 3",active_firmware="QOR0300.bin",inactive_firmware=""} 1)",
             "qora_gps_satellites_tracked 2",
             "qora_gps_cno_mean_dbhz 41",
             R"(qora_gps_channel_cno_dbhz{channel="1",satellite="12"} 44)",
             R"(qora_gps_channel_cno_dbhz{channel="5",satellite="7"} 38)",
             "qora_gps_latitude_degrees -12.5",
             "qora_gps_longitude_degrees 24.25",
             "qora_gps_altitude_meters 123.45",
             "qora_self_test_ok 1",
             R"(qora_gps_fix{qora_gps_fix="survey"} 1)",
             R"(qora_gps_fix{qora_gps_fix="no_fix"} 0)",
             "qora_gps_survey_progress_ratio 0.37",
             R"(qora_clock_output{qora_clock_output="on"} 1)",
             R"(qora_clock_state{qora_clock_state="free_running"} 1)",
             R"(qora_clock_state{qora_clock_state="pll_locked"} 0)",
             R"(qora_q1_transmission{qora_q1_transmission="ok"} 1)",
             R"(qora_q1_time{qora_q1_time="ok"} 1)",
             "qora_q1_time_seconds 1796731200",
             R"(qora_constellation_verdict{qora_constellation_verdict="bad"} 1)",
             R"(qora_constellation_visible_seconds{satellites="8"} 3570)",
             "qora_constellation_seconds 3600",
         })
        EXPECT_TRUE(Has(text, line)) << line << "\n" << text;

    // No fix, a failed self-test, a bus without time; the unit's codes as it
    // reports them, whatever the row.
    SUnitReading failing = HealthyReading();
    failing.install->codes = {0, 0, 3, 9, 2, 2};
    const std::string bad = UnitExposition(failing, 0.1, ExpositionFormat::Text004);
    for (const char* line : {"qora_self_test_ok 0", R"(qora_gps_fix{qora_gps_fix="no_fix"} 1)",
                             R"(qora_clock_output{qora_clock_output="off"} 1)",
                             R"(qora_clock_state{qora_clock_state="pll_locked"} 1)",
                             R"(qora_q1_transmission{qora_q1_transmission="unknown"} 1)",
                             R"(qora_q1_time{qora_q1_time="unknown"} 1)"})
        EXPECT_TRUE(Has(bad, line)) << line << "\n" << bad;
    EXPECT_EQ(bad.find("qora_q1_time_seconds"), std::string::npos);

    // Nothing known of the self-test: no verdict on it either way.
    failing.install->codes[SUnitInstall::SelfTests] = 5;
    EXPECT_EQ(UnitExposition(failing, 0.1, ExpositionFormat::Text004).find("qora_self_test_ok"), std::string::npos);

    // A unit that does not answer: up 0 and the probe's time, nothing else.
    SUnitReading down;
    down.error = "no answer";
    const std::string silent = UnitExposition(down, 0.75, ExpositionFormat::OpenMetrics);
    EXPECT_TRUE(Has(silent, "qora_up 0"));
    EXPECT_TRUE(Has(silent, "qora_probe_duration_seconds 0.75"));
    EXPECT_EQ(silent.find("qora_unit_info"), std::string::npos);
    EXPECT_EQ(silent.find("qora_probe_complete"), std::string::npos);
}

TEST(UnitDecoding, RepliesBecomeValuesAndUnitTextsBecomeUtf8)
{
    // A version block whose serial number holds a Latin-1 letter: label
    // values must be UTF-8, or Prometheus refuses the whole scrape.
    CDeviceMessage version;
    const std::uint8_t head[] = {0x84, 0x09, 0x18, 0x01, 0x00, 0x90, 0x04, 168, 0x00};
    version.AppendBytes(head, sizeof head);
    std::string block(164, '\0');
    block.replace(0, 6, "QORA-U");
    block.replace(16, 4, "HW 3");
    block.replace(28, 6, "QSIM\xe9 ");
    version.AppendBytes(block.data(), std::int32_t(block.size()));

    CDeviceMessage names; // a present name without its terminator: not understood
    const std::uint8_t namesHead[] = {0x86, 0x0C, 0x39, 0, 0, 0, 0};
    names.AppendBytes(namesHead, sizeof namesHead);
    names.AppendBytes("QOR0300.binXXXXXQOR0290.binXXXXX", 32);

    SFleetUnitReplies replies;
    replies.reachable = true;
    replies.replies = {version, names, std::nullopt, std::nullopt, std::nullopt};
    const SUnitReading reading = DecodeUnitReplies(replies);
    EXPECT_TRUE(reading.reachable);
    ASSERT_TRUE(reading.identity);
    EXPECT_EQ(reading.identity->serial, "QSIM\xc3\xa9");
    EXPECT_EQ(reading.identity->unitVersion, "QORA-U");
    EXPECT_EQ(reading.identity->hardware, "HW 3");
    EXPECT_FALSE(reading.firmware);
    EXPECT_EQ(reading.error, "firmware names not understood");
    EXPECT_FALSE(reading.gps || reading.install || reading.constellation);
}

TEST(WebConfig, TakesTlsAndUsersAndRefusesWhatItDoesNotKnow)
{
    const std::string hash = "$2b$04$QA5hz7bYP2MI3sSkHUYoEOQDK.WkbKhDr1GnKyO1ud/QIgPuvUvXi";
    std::string error;
    const auto config = ParseWebConfig("# comment\ntls_server_config:\n  cert_file: tls/x.crt\n"
                                       "  key_file: \"/etc/x.key\"\nbasic_auth_users:\n  prometheus: '"
                                           + hash + "'\n",
                                       "/etc/qora", error);
    ASSERT_TRUE(config) << error;
    EXPECT_EQ(config->certFile, "/etc/qora/tls/x.crt");
    EXPECT_EQ(config->keyFile, "/etc/x.key");
    ASSERT_EQ(config->users.size(), 1u);
    EXPECT_EQ(config->users.at("prometheus"), hash);
    EXPECT_TRUE(ParseWebConfig("", "/", error)) << "an empty file changes nothing";

    const std::pair<std::string, std::string> bad[] = {
        {"http_server_config:\n  http2: false\n", "http_server_config is not supported"},
        {"tls_server_config:\n  cert_file: a.crt\n", "tls_server_config needs both cert_file and key_file"},
        {"tls_server_config:\n  client_ca_file: ca.crt\n", "tls_server_config.client_ca_file is not supported"},
        {"basic_auth_users:\n  bob: secret\n", "basic_auth_users.bob is not a bcrypt hash"},
        {"basic_auth_users:\n  bob: [a, b]\n", "basic_auth_users.bob must be a text"},
        {"basic_auth_users: [bob]\n", "basic_auth_users must be a mapping of user names to bcrypt hashes"},
        {"- a\n- b\n", "the file must be a mapping of settings"},
        {"a: [\n", "not YAML"},
        {std::string(kWebConfigMaxBytes + 1, '#'), "larger than"},
    };
    for (const auto& [text, reason] : bad) {
        error.clear();
        EXPECT_FALSE(ParseWebConfig(text, "/", error)) << text;
        EXPECT_TRUE(error.starts_with(reason)) << text << " -> " << error;
    }
}

TEST(BasicAuth, RightUserAndPasswordOnlyAndTheSecondCheckIsCheap)
{
    // "secret" at cost 4, as Python's crypt module made it.
    CBasicAuth auth(std::map<std::string, std::string>{{"prometheus", "$2b$04$QA5hz7bYP2MI3sSkHUYoEOQDK.WkbKhDr1GnKyO1ud/QIgPuvUvXi"}});
    ASSERT_TRUE(auth.Enabled());
    const auto header = [](const char* credentials) {
        return "Basic " + QByteArray(credentials).toBase64().toStdString();
    };
    EXPECT_TRUE(auth.Allows(header("prometheus:secret")));
    EXPECT_TRUE(auth.Allows("basic " + QByteArray("prometheus:secret").toBase64().toStdString()));
    for (const std::string& wrong :
         {header("prometheus:Secret"), header("prometheus:secret "), header("other:secret"), header("prometheus"),
          header(":secret"), std::string("Basic !!!"), std::string("Bearer x"), std::string(""),
          "Basic " + std::string(5000, 'A')})
        EXPECT_FALSE(auth.Allows(wrong)) << wrong;
    EXPECT_FALSE(CBasicAuth(std::map<std::string, std::string>{}).Enabled());

    // A password found right is not run through bcrypt again.
    const auto started = std::chrono::steady_clock::now();
    for (int i = 0; i < 200; ++i)
        ASSERT_TRUE(auth.Allows(header("prometheus:secret")));
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(200));
    EXPECT_TRUE(CryptMatches("secret", "$2y$04$QA5hz7bYP2MI3sSkHUYoEOQDK.WkbKhDr1GnKyO1ud/QIgPuvUvXi"));
}

TEST(ExporterOptions, ListenAddressAndLimits)
{
    std::string error;
    const auto defaults = ParseExporterOptions({}, error);
    ASSERT_TRUE(defaults);
    EXPECT_EQ(defaults->listenHost + ":" + std::to_string(defaults->listenPort), kExporterDefaultListen);
    EXPECT_EQ(defaults->listenHost, "127.0.0.1") << "loopback unless the operator widens it";

    const auto given = ParseExporterOptions({"--web.listen-address=[::1]:0", "--web.config.file", "w.yml",
                                             "--probe.max-concurrent", "8", "--directory", "n.json"},
                                            error);
    ASSERT_TRUE(given) << error;
    EXPECT_EQ(given->listenHost, "::1");
    EXPECT_EQ(given->listenPort, 0);
    EXPECT_EQ(given->webConfigFile, "w.yml");
    EXPECT_EQ(given->maxProbes, 8);
    EXPECT_EQ(given->directory, "n.json");
    EXPECT_EQ(ParseListenAddress(":9847"), (std::pair<std::string, int>{"0.0.0.0", 9847}));

    for (const std::vector<std::string>& bad :
         std::vector<std::vector<std::string>>{{"--web.listen-address", "localhost"},
                                               {"--web.listen-address", "::1:80"},
                                               {"--web.listen-address", "h:65536"},
                                               {"--probe.max-concurrent", "0"},
                                               {"--web.max-connections", "x"},
                                               {"--probe.default-timeout", "0"},
                                               {"--directory"},
                                               {"--bogus", "1"},
                                               {"stray"}}) {
        error.clear();
        EXPECT_FALSE(ParseExporterOptions(bad, error)) << bad.front();
        EXPECT_FALSE(error.empty());
    }
}
