#include "exporter/MetricText.h"

#include <charconv>
#include <cmath>

namespace {

void AppendEscaped(std::string& out, std::string_view text, bool quotes)
{
    for (const char c : text) {
        if (c == '\\')
            out += "\\\\";
        else if (c == '\n')
            out += "\\n";
        else if (c == '"' && quotes)
            out += "\\\"";
        else
            out += c;
    }
}

} // namespace

ExpositionFormat FormatForAccept(std::string_view accept)
{
    // Media ranges are separated by commas; parameters by semicolons.
    while (!accept.empty()) {
        const std::size_t comma = accept.find(',');
        std::string_view range = accept.substr(0, comma);
        accept = comma == std::string_view::npos ? std::string_view() : accept.substr(comma + 1);
        const std::size_t start = range.find_first_not_of(" \t");
        if (start == std::string_view::npos)
            continue;
        range.remove_prefix(start);
        if (!range.starts_with("application/openmetrics-text"))
            continue;
        const std::size_t version = range.find("version=");
        if (version == std::string_view::npos || range.substr(version + 8).starts_with("1.0.0"))
            return ExpositionFormat::OpenMetrics;
    }
    return ExpositionFormat::Text004;
}

const char* ContentTypeOf(ExpositionFormat format)
{
    return format == ExpositionFormat::OpenMetrics ? "application/openmetrics-text; version=1.0.0; charset=utf-8"
                                                   : "text/plain; version=0.0.4; charset=utf-8";
}

void AppendMetricValue(std::string& out, double value)
{
    if (std::isnan(value)) {
        out += "NaN";
        return;
    }
    if (std::isinf(value)) {
        out += value > 0 ? "+Inf" : "-Inf";
        return;
    }
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, result.ptr);
}

void CMetricWriter::Family(std::string_view name, MetricType type, std::string_view help)
{
    family_ = name;
    type_ = type;
    const bool om = format_ == ExpositionFormat::OpenMetrics;
    // Text 0.0.4 names the family by its samples' name; OpenMetrics by the
    // base name and a type of its own for info and state sets.
    std::string named(name);
    const char* typeName = "gauge";
    switch (type) {
    case MetricType::Gauge:
        break;
    case MetricType::Counter:
        typeName = "counter";
        if (!om)
            named += "_total";
        break;
    case MetricType::Info:
        if (om)
            typeName = "info";
        else
            named += "_info";
        break;
    case MetricType::StateSet:
        if (om)
            typeName = "stateset";
        break;
    case MetricType::Histogram:
        typeName = "histogram";
        break;
    }
    text_ += "# HELP ";
    text_ += named;
    text_ += ' ';
    AppendEscaped(text_, help, om);
    text_ += "\n# TYPE ";
    text_ += named;
    text_ += ' ';
    text_ += typeName;
    text_ += '\n';
}

void CMetricWriter::Line(std::string_view suffix, const MetricLabels& labels, std::string_view extraName,
                         std::string_view extraValue, double value)
{
    text_ += family_;
    text_ += suffix;
    if (!labels.empty() || !extraName.empty()) {
        text_ += '{';
        bool first = true;
        const auto label = [&](std::string_view name, std::string_view labelValue) {
            if (!first)
                text_ += ',';
            first = false;
            text_ += name;
            text_ += "=\"";
            AppendEscaped(text_, labelValue, true);
            text_ += '"';
        };
        for (const auto& [name, labelValue] : labels)
            label(name, labelValue);
        if (!extraName.empty())
            label(extraName, extraValue);
        text_ += '}';
    }
    text_ += ' ';
    AppendMetricValue(text_, value);
    text_ += '\n';
}

void CMetricWriter::Sample(double value, const MetricLabels& labels)
{
    Line(type_ == MetricType::Counter ? "_total" : "", labels, {}, {}, value);
}

void CMetricWriter::Info(const MetricLabels& labels)
{
    Line("_info", labels, {}, {}, 1);
}

void CMetricWriter::States(std::initializer_list<std::string_view> states, std::string_view current,
                           const MetricLabels& labels)
{
    for (const std::string_view state : states)
        Line("", labels, family_, state, state == current ? 1 : 0);
}

void CMetricWriter::Histogram(const std::vector<std::pair<double, std::uint64_t>>& buckets, double sum,
                              std::uint64_t count)
{
    std::string bound;
    for (const auto& [le, cumulative] : buckets) {
        bound.clear();
        AppendMetricValue(bound, le);
        // OpenMetrics wants a bound with a fraction or exponent: "1.0", not "1".
        if (format_ == ExpositionFormat::OpenMetrics && bound.find_first_of(".eE") == std::string::npos)
            bound += ".0";
        Line("_bucket", {}, "le", bound, double(cumulative));
    }
    Line("_bucket", {}, "le", "+Inf", double(count));
    Line("_sum", {}, {}, {}, sum);
    Line("_count", {}, {}, {}, double(count));
}

std::string CMetricWriter::Finish()
{
    if (format_ == ExpositionFormat::OpenMetrics)
        text_ += "# EOF\n";
    return std::move(text_);
}
