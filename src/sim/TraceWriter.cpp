#include "sim/TraceWriter.h"

namespace sim {
namespace {

constexpr char kHexDigits[] = "0123456789abcdef";

void AppendHex(std::string& out, std::span<const std::uint8_t> bytes)
{
    out.push_back('"');
    for (const std::uint8_t b : bytes) {
        out.push_back(kHexDigits[b >> 4]);
        out.push_back(kHexDigits[b & 0x0F]);
    }
    out.push_back('"');
}

void AppendText(std::string& out, std::optional<std::string_view> text)
{
    if (!text) {
        out += "null";
        return;
    }
    out.push_back('"');
    for (const char ch : *text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '"' || c == '\\') {
            out.push_back('\\');
            out.push_back(ch);
        } else if (c < 0x20 || c >= 0x7F) {
            out += "\\u00";
            out.push_back(kHexDigits[c >> 4]);
            out.push_back(kHexDigits[c & 0x0F]);
        } else {
            out.push_back(ch);
        }
    }
    out.push_back('"');
}

} // namespace

std::string FormatTraceLine(const TraceRecord& record)
{
    std::string line;
    line.reserve(96 + 2 * record.req.size() + (record.rep ? 2 * record.rep->size() : 0));
    line += "{\"kind\":";
    AppendText(line, record.kind);
    line += ",\"seq\":";
    line += std::to_string(record.seq);
    line += ",\"conn\":";
    AppendText(line, record.conn);
    line += ",\"unit\":";
    AppendText(line, record.unit);
    line += ",\"route\":";
    AppendText(line, record.route);
    line += ",\"req\":";
    AppendHex(line, record.req);
    line += ",\"result\":";
    line += std::to_string(record.result);
    line += ",\"rep\":";
    if (record.rep)
        AppendHex(line, *record.rep);
    else
        line += "null";
    line += "}\n";
    return line;
}

bool CTraceWriter::Open(const QString& path, QString& error)
{
    file_.setFileName(path);
    if (!file_.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered)) {
        error = QStringLiteral("cannot open trace file %1: %2").arg(path, file_.errorString());
        return false;
    }
    return true;
}

void CTraceWriter::Write(const TraceRecord& record)
{
    if (!file_.isOpen())
        return;
    const std::string line = FormatTraceLine(record);
    if (file_.write(line.data(), qint64(line.size())) != qint64(line.size()) && !failed_) {
        failed_ = true; // say it once, not once per request
        qWarning("qora-unit-sim: cannot write the trace file: %s", qPrintable(file_.errorString()));
    }
}

} // namespace sim
