#include "traffic/RecordingWriter.h"

#include "platform/LogCategories.h"

#include <QDateTime>

namespace {

constexpr char kHexDigits[] = "0123456789abcdef";

void AppendHex(std::string& out, const std::vector<std::uint8_t>& bytes)
{
    out.push_back('"');
    for (const std::uint8_t b : bytes) {
        out.push_back(kHexDigits[b >> 4]);
        out.push_back(kHexDigits[b & 0x0F]);
    }
    out.push_back('"');
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
    return QDateTime::fromMSecsSinceEpoch(timeMs, Qt::UTC).toString(Qt::ISODateWithMs).toStdString();
}

std::string FormatRecordingLine(const STrafficExchange& exchange)
{
    std::string line;
    line.reserve(160 + 2 * exchange.req.size() + (exchange.rep ? 2 * exchange.rep->size() : 0));
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
    return line;
}

bool CRecordingWriter::Open(const QString& path, QString& error)
{
    const std::lock_guard lock(mutex_);
    if (file_.isOpen())
        file_.close();
    failed_ = false;
    error_.clear();
    file_.setFileName(path);
    // Unbuffered: each line reaches the file in the one write that carries it.
    if (!file_.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered)) {
        error = QStringLiteral("cannot open the recording %1: %2").arg(path, file_.errorString());
        qCWarning(lcLink, "%s", qPrintable(error));
        return false;
    }
    return true;
}

void CRecordingWriter::Close()
{
    const std::lock_guard lock(mutex_);
    file_.close();
}

bool CRecordingWriter::IsOpen() const
{
    const std::lock_guard lock(mutex_);
    return file_.isOpen();
}

QString CRecordingWriter::Error() const
{
    const std::lock_guard lock(mutex_);
    return error_;
}

bool CRecordingWriter::Write(const STrafficExchange& exchange)
{
    const std::string line = FormatRecordingLine(exchange);
    const std::lock_guard lock(mutex_);
    if (!file_.isOpen())
        return false;
    const qint64 before = file_.size();
    if (file_.write(line.data(), qint64(line.size())) == qint64(line.size()))
        return true;
    // A line cut short (a full disk) would make the rest of the file unreadable:
    // take it back so the recording still ends on a whole line.
    if (file_.size() > before)
        file_.resize(before);
    if (!failed_) {
        failed_ = true; // said once, not once per exchange
        error_ = QStringLiteral("cannot write the recording %1: %2").arg(file_.fileName(), file_.errorString());
        qCWarning(lcLink, "%s", qPrintable(error_));
    }
    return false;
}
