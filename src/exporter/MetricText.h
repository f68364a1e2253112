#pragma once
// Writes a metrics exposition in either of the two formats a Prometheus
// server reads: the text format 0.0.4 and OpenMetrics 1.0. The caller names
// each family once, then gives its samples; the writer puts in the HELP and
// TYPE lines, the suffixes each format wants (_total, _info) and escapes
// label values. No timestamps: the scraper stamps the samples.

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

enum class ExpositionFormat { Text004, OpenMetrics };

// The format the scraper's Accept header asks for: OpenMetrics 1.0 when it
// names application/openmetrics-text (version 1.0.0 or none), text 0.0.4
// otherwise.
[[nodiscard]] ExpositionFormat FormatForAccept(std::string_view accept);
[[nodiscard]] const char* ContentTypeOf(ExpositionFormat format);

enum class MetricType { Gauge, Counter, Info, StateSet, Histogram };

using MetricLabels = std::vector<std::pair<std::string_view, std::string_view>>;

class CMetricWriter {
public:
    explicit CMetricWriter(ExpositionFormat format) : format_(format) {}

    // Starts a family. `name` is the family's name without the suffix its
    // samples carry: "qora_exporter_probes" for a counter whose samples are
    // qora_exporter_probes_total, "qora_unit" for qora_unit_info.
    void Family(std::string_view name, MetricType type, std::string_view help);

    // A sample of the current family: gauges and counters take a value; info
    // families always 1; a state set gives one sample per state, its label
    // named after the family, 1 for `current` and 0 for the others.
    void Sample(double value, const MetricLabels& labels = {});
    void Info(const MetricLabels& labels);
    void States(std::initializer_list<std::string_view> states, std::string_view current,
                const MetricLabels& labels = {});
    // A histogram's buckets (upper bounds ascending, counts cumulative), sum
    // and count; the +Inf bucket is the count.
    void Histogram(const std::vector<std::pair<double, std::uint64_t>>& buckets, double sum, std::uint64_t count);

    // The exposition; OpenMetrics ends with "# EOF".
    [[nodiscard]] std::string Finish();

private:
    void Line(std::string_view suffix, const MetricLabels& labels, std::string_view extraName,
              std::string_view extraValue, double value);

    ExpositionFormat format_;
    std::string text_;
    std::string family_;
    MetricType type_ = MetricType::Gauge;
};

// A number as the exposition writes it: integers without a fraction, NaN,
// +Inf and -Inf by name, everything else in the shortest exact form.
void AppendMetricValue(std::string& out, double value);
