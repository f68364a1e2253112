#include "traffic/RecordingWriter.h"

#include "platform/LogCategories.h"
#include "recording/LineWriter.h"

#include <algorithm>
#include <chrono>

namespace {

// How long the writer lets lines gather before it writes them, at most.
constexpr std::chrono::milliseconds kGatherTime{20};
constexpr std::size_t kGatherLines = 4096;

recording::Kind KindOf(ETrafficKind kind)
{
    switch (kind) {
    case ETrafficKind::Open:
        return recording::Kind::Open;
    case ETrafficKind::Close:
        return recording::Kind::Close;
    case ETrafficKind::Transfer:
        break;
    }
    return recording::Kind::Transfer;
}

} // namespace

std::string FormatRecordingTime(std::int64_t timeMs)
{
    return recording::FormatTime(timeMs);
}

std::string FormatRecordingLine(const STrafficExchange& exchange)
{
    std::string line;
    AppendRecordingLine(line, exchange);
    return line;
}

void AppendRecordingLine(std::string& line, const STrafficExchange& exchange)
{
    recording::LineView view;
    view.kind = KindOf(exchange.kind);
    view.timeMs = exchange.timeMs;
    if (exchange.conn)
        view.conn = *exchange.conn;
    if (exchange.route)
        view.route = *exchange.route;
    view.req = exchange.req;
    view.result = exchange.result;
    if (exchange.rep)
        view.rep = std::span<const std::uint8_t>(*exchange.rep);
    view.rttMs = exchange.rttMs;
    view.failed = exchange.failed;
    view.carriedOver = exchange.carriedOver;
    recording::AppendLine(line, view);
}

CRecordingWriter::~CRecordingWriter()
{
    Close();
}

bool CRecordingWriter::Open(const QString& path, QString& error, Mode mode)
{
    Close();
    // Unbuffered: what the writer's thread writes reaches the file at once.
    file_.setFileName(path);
    const QIODevice::OpenMode how = mode == Mode::Replace ? QIODevice::Truncate : QIODevice::Append;
    if (!file_.open(QIODevice::WriteOnly | how | QIODevice::Unbuffered)) {
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
