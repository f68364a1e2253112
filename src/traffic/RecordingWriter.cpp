#include "traffic/RecordingWriter.h"

#include "platform/LogCategories.h"

#include <QDateTime>

#include <algorithm>
#include <chrono>

namespace {

constexpr char kHexDigits[] = "0123456789abcdef";

// How long the writer lets lines gather before it writes them, at most.
constexpr std::chrono::milliseconds kGatherTime{20};
constexpr std::size_t kGatherLines = 4096;

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
    for (int i = 0; i < 8; ++i, x >>= 8)
        out[i] = static_cast<char>(x & 0xFF);
}

void AppendHex(std::string& out, const std::vector<std::uint8_t>& bytes)
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

// Text is taken as Latin-1 and escaped to plain ASCII, as the simulator does.
void AppendText(std::string& out, const std::optional<std::string>& text)
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

std::string FormatRecordingTime(std::int64_t timeMs)
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
    if (year < 0 || year > 9999) // beyond what ISO 8601's four digits hold
        return QDateTime::fromMSecsSinceEpoch(timeMs, Qt::UTC).toString(Qt::ISODateWithMs).toStdString();
    // Digit by digit: a formatted print costs several times the rest of the line.
    char text[] = "0000-00-00T00:00:00.000Z";
    const auto put = [&text](int at, int width, std::int64_t value) {
        for (int i = at + width - 1; i >= at; --i, value /= 10)
            text[i] = static_cast<char>('0' + value % 10);
    };
    put(0, 4, year);
    put(5, 2, month);
    put(8, 2, day);
    put(11, 2, msOfDay / 3600000);
    put(14, 2, msOfDay / 60000 % 60);
    put(17, 2, msOfDay / 1000 % 60);
    put(20, 3, msOfDay % 1000);
    return std::string(text, sizeof text - 1);
}

std::string FormatRecordingLine(const STrafficExchange& exchange)
{
    std::string line;
    AppendRecordingLine(line, exchange);
    return line;
}

void AppendRecordingLine(std::string& line, const STrafficExchange& exchange)
{
    // Grown by doubling: a batch appends many lines to one buffer.
    const std::size_t needed = line.size() + 160 + 2 * exchange.req.size() + (exchange.rep ? 2 * exchange.rep->size() : 0);
    if (line.capacity() < needed)
        line.reserve(std::max(needed, 2 * line.capacity()));
    line += "{\"kind\":\"";
    line += TrafficKindName(exchange.kind);
    line += "\",\"time\":\"";
    line += FormatRecordingTime(exchange.timeMs);
    line += "\",\"conn\":";
    AppendText(line, exchange.conn);
    line += ",\"route\":";
    AppendText(line, exchange.route);
    line += ",\"req\":";
    AppendHex(line, exchange.req);
    line += ",\"result\":";
    line += std::to_string(exchange.result);
    line += ",\"rep\":";
    if (exchange.rep)
        AppendHex(line, *exchange.rep);
    else
        line += "null";
    line += ",\"rtt_ms\":";
    line += std::to_string(exchange.rttMs);
    line += ",\"failed\":";
    line += exchange.failed ? "true" : "false";
    line += "}\n";
}

CRecordingWriter::~CRecordingWriter()
{
    Close();
}

bool CRecordingWriter::Open(const QString& path, QString& error)
{
    Close();
    // Unbuffered: what the writer's thread writes reaches the file at once.
    file_.setFileName(path);
    if (!file_.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered)) {
        error = QStringLiteral("cannot open the recording %1: %2").arg(path, file_.errorString());
        qCWarning(lcLink, "%s", qPrintable(error));
        return false;
    }
    size_ = file_.size();
    {
        const std::lock_guard lock(mutex_);
        open_ = true;
        closing_ = false;
        failed_ = false;
        error_.clear();
        pending_.clear();
        handedOver_ = done_ = 0;
    }
    thread_ = std::thread([this] { Run(); });
    return true;
}

void CRecordingWriter::Close()
{
    {
        const std::lock_guard lock(mutex_);
        if (!thread_.joinable())
            return;
        closing_ = true;
    }
    wake_.notify_one();
    thread_.join();
    file_.close();
    const std::lock_guard lock(mutex_);
    open_ = false;
}

bool CRecordingWriter::IsOpen() const
{
    const std::lock_guard lock(mutex_);
    return open_ && !closing_;
}

QString CRecordingWriter::Error() const
{
    const std::lock_guard lock(mutex_);
    return error_;
}

bool CRecordingWriter::Write(STrafficExchange exchange)
{
    return Write(std::make_shared<const STrafficExchange>(std::move(exchange)));
}

bool CRecordingWriter::Write(std::shared_ptr<const STrafficExchange> exchange)
{
    if (!exchange)
        return false;
    bool wake = false;
    {
        const std::lock_guard lock(mutex_);
        if (!open_ || closing_ || failed_)
            return false;
        pending_.push_back(std::move(exchange));
        wake = pending_.size() == 1 || pending_.size() == kGatherLines;
        ++handedOver_;
    }
    // One wake-up per batch: the first line starts it, a full one ends it.
    if (wake)
        wake_.notify_one();
    return true;
}

void CRecordingWriter::Flush()
{
    std::unique_lock lock(mutex_);
    flushing_ = true;
    wake_.notify_one();
    written_.wait(lock, [this] { return done_ == handedOver_ || failed_ || !open_; });
    flushing_ = false;
}

void CRecordingWriter::Run()
{
    std::vector<std::shared_ptr<const STrafficExchange>> batch;
    std::string lines;
    for (;;) {
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return !pending_.empty() || closing_; });
            if (pending_.empty() || failed_) {
                if (closing_) {
                    done_ = handedOver_;
                    written_.notify_all();
                    return;
                }
                pending_.clear();
                continue;
            }
            // Lines that follow close behind join this batch: one write and
            // one wake-up for many exchanges, instead of one each, is what
            // keeps recording from slowing the link down.
            wake_.wait_for(lock, kGatherTime, [this] { return closing_ || flushing_ || pending_.size() >= kGatherLines; });
            batch.swap(pending_);
        }
        lines.clear();
        for (const auto& exchange : batch)
            AppendRecordingLine(lines, *exchange);
        const bool ok = WriteLines(lines);
        {
            const std::lock_guard lock(mutex_);
            done_ += batch.size();
            if (!ok && !failed_) {
                failed_ = true; // said once, not once per exchange
                error_ = QStringLiteral("cannot write the recording %1: %2").arg(file_.fileName(), file_.errorString());
                qCWarning(lcLink, "%s", qPrintable(error_));
            }
        }
        written_.notify_all();
        batch.clear();
    }
}

bool CRecordingWriter::WriteLines(const std::string& lines)
{
    // The lines of a batch go in one write: each is whole, and a write cut
    // short (a full disk) is taken back, so the file still ends on a whole line.
    if (file_.write(lines.data(), qint64(lines.size())) == qint64(lines.size())) {
        size_ += qint64(lines.size());
        return true;
    }
    if (file_.size() > size_)
        file_.resize(size_);
    return false;
}
