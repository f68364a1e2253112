#include "recording/LineWriter.h"

#include <QDateTime>

#include <algorithm>
#include <bit>
#include <cstring>

namespace recording {
namespace {

constexpr char kHexDigits[] = "0123456789abcdef";

// Four bytes to their eight lower-case hex digits at once: every byte of
// every recorded exchange passes here, and a digit at a time made this the
// largest part of recording.
void FourBytesToHex(const std::uint8_t* in, char* out)
{
    std::uint64_t x = std::uint64_t{in[0]} | std::uint64_t{in[1]} << 16 | std::uint64_t{in[2]} << 32 |
                      std::uint64_t{in[3]} << 48;
    const std::uint64_t high = (x >> 4) & 0x000F000F000F000FULL;
    const std::uint64_t low = x & 0x000F000F000F000FULL;
    x = high | low << 8; // one nibble a byte, in text order
    const std::uint64_t letters = ((x + 0x0606060606060606ULL) >> 4) & 0x0101010101010101ULL;
    x += 0x3030303030303030ULL + letters * ('a' - '0' - 10);
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(out, &x, sizeof x); // one store instead of eight
    } else {
        for (int i = 0; i < 8; ++i, x >>= 8)
            out[i] = static_cast<char>(x & 0xFF);
    }
}

void AppendHex(std::string& out, std::span<const std::uint8_t> bytes)
{
    const std::size_t at = out.size();
    out.resize(at + 2 * bytes.size() + 2);
    char* p = out.data() + at;
    *p++ = '"';
    std::size_t i = 0;
    for (; i + 4 <= bytes.size(); i += 4, p += 8)
        FourBytesToHex(bytes.data() + i, p);
    for (; i < bytes.size(); ++i) {
        *p++ = kHexDigits[bytes[i] >> 4];
        *p++ = kHexDigits[bytes[i] & 0x0F];
    }
    *p = '"';
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

namespace {

// Appends the time as "2026-12-08T08:21:18.123Z" straight into the line: a
// string of its own would cost an allocation on every line.
void AppendTime(std::string& out, std::int64_t timeMs)
{
    // By hand rather than through QDateTime: it runs once per exchange.
    // Days to a civil date after H. Hinnant's algorithm (proleptic Gregorian).
    const std::int64_t days = (timeMs >= 0 ? timeMs : timeMs - 86399999) / 86400000;
    const std::int64_t msOfDay = timeMs - days * 86400000;
    const std::int64_t z = days + 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    const std::int64_t day = doy - (153 * mp + 2) / 5 + 1;
    const std::int64_t month = mp < 10 ? mp + 3 : mp - 9;
    const std::int64_t year = yoe + era * 400 + (month <= 2 ? 1 : 0);
    if (year < 0 || year > 9999) { // beyond what ISO 8601's four digits hold
        out += QDateTime::fromMSecsSinceEpoch(timeMs, Qt::UTC).toString(Qt::ISODateWithMs).toStdString();
        return;
    }
    // Digit by digit: a formatted print costs several times the rest of the line.
    static constexpr char kPattern[] = "0000-00-00T00:00:00.000Z";
    const std::size_t at = out.size();
    out.append(kPattern, sizeof kPattern - 1);
    char* text = out.data() + at;
    const auto put = [text](int from, int width, std::int64_t value) {
        for (int i = from + width - 1; i >= from; --i, value /= 10)
            text[i] = static_cast<char>('0' + value % 10);
    };
    put(0, 4, year);
    put(5, 2, month);
    put(8, 2, day);
    put(11, 2, msOfDay / 3600000);
    put(14, 2, msOfDay / 60000 % 60);
    put(17, 2, msOfDay / 1000 % 60);
    put(20, 3, msOfDay % 1000);
}

} // namespace

std::string FormatTime(std::int64_t timeMs)
{
    std::string text;
    AppendTime(text, timeMs);
    return text;
}

void AppendLine(std::string& out, const LineView& line)
{
    // Grown by doubling: a batch appends many lines to one buffer.
    const std::size_t needed = out.size() + 200 + 2 * line.req.size() + (line.rep ? 2 * line.rep->size() : 0)
        + (line.conn ? 6 * line.conn->size() : 0) + (line.route ? 6 * line.route->size() : 0)
        + (line.unit ? 6 * line.unit->size() : 0);
    if (out.capacity() < needed)
        out.reserve(std::max(needed, 2 * out.capacity()));
    out += "{\"kind\":\"";
    out += KindName(line.kind);
    out += '"';
    if (line.timeMs) {
        out += ",\"time\":\"";
        AppendTime(out, *line.timeMs);
        out += '"';
    }
    if (line.seq) {
        out += ",\"seq\":";
        out += std::to_string(*line.seq);
    }
    out += ",\"conn\":";
    AppendText(out, line.conn);
    if (line.withUnit) {
        out += ",\"unit\":";
        AppendText(out, line.unit);
    }
    out += ",\"route\":";
    AppendText(out, line.route);
    out += ",\"req\":";
    AppendHex(out, line.req);
    out += ",\"result\":";
    out += std::to_string(line.result);
    out += ",\"rep\":";
    if (line.rep)
        AppendHex(out, *line.rep);
    else
        out += "null";
    if (line.rttMs) {
        out += ",\"rtt_ms\":";
        out += std::to_string(*line.rttMs);
    }
    if (line.failed)
        out += *line.failed ? ",\"failed\":true" : ",\"failed\":false";
    if (line.carriedOver)
        out += ",\"carried_over\":true";
    out += "}\n";
}

std::string FormatLine(const LineView& line)
{
    std::string out;
    AppendLine(out, line);
    return out;
}

} // namespace recording
