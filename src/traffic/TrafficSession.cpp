#include "traffic/TrafficSession.h"

#include "traffic/RecordingWriter.h"
#include "traffic/TrafficRecorder.h"

#include <mutex>
#include <utility>

// What the session and its observer share: the observer may be held by a
// link after the session has gone, and then reports to nothing.
struct CTrafficSession::Shared {
    explicit Shared(std::size_t capacity) : ring(capacity) {}

    // Keeps what a recording started later must begin with: the open
    // connection's OPEN and the first transfer after it, the driver's
    // identity probe. Under the mutex.
    void Follow(const std::shared_ptr<const STrafficExchange>& exchange)
    {
        switch (exchange->kind) {
        case ETrafficKind::Open:
            open = exchange->failed ? nullptr : exchange;
            identity.reset();
            break;
        case ETrafficKind::Transfer:
            if (open && !identity)
                identity = exchange;
            break;
        case ETrafficKind::Close:
            open.reset();
            identity.reset();
            break;
        }
    }

    CTrafficRing ring;
    mutable std::mutex mutex;
    bool alive = true;
    std::shared_ptr<CRecordingWriter> writer; // null: not recording
    QString path;
    std::shared_ptr<const STrafficExchange> open;     // null: no connection open
    std::shared_ptr<const STrafficExchange> identity; // null: not probed yet
};

class CTrafficSession::SessionObserver final : public ILinkObserver {
public:
    explicit SessionObserver(std::shared_ptr<Shared> shared) : shared_(std::move(shared)) {}

    void OnLinkExchange(const SLinkExchange& seen) override
    {
        auto exchange = std::make_shared<const STrafficExchange>(ToTrafficExchange(seen));
        std::shared_ptr<CRecordingWriter> writer;
        {
            const std::lock_guard lock(shared_->mutex);
            if (!shared_->alive)
                return;
            // Followed and taken under one lock: an exchange is either
            // carried into a recording that starts or written live, never both.
            shared_->Follow(exchange);
            writer = shared_->writer;
        }
        // The recording in effect for this exchange.
        if (writer)
            writer->Write(exchange);
        shared_->ring.Append(std::move(exchange));
    }

private:
    std::shared_ptr<Shared> shared_;
};

CTrafficSession::CTrafficSession(std::size_t ringCapacity)
    : shared_(std::make_shared<Shared>(ringCapacity)), observer_(std::make_shared<SessionObserver>(shared_))
{
}

CTrafficSession::~CTrafficSession()
{
    StopRecording();
    const std::lock_guard lock(shared_->mutex);
    shared_->alive = false;
}

CTrafficRing& CTrafficSession::Ring()
{
    return shared_->ring;
}

std::shared_ptr<ILinkObserver> CTrafficSession::Observer() const
{
    return observer_;
}

bool CTrafficSession::StartRecording(const QString& path, QString& error, CRecordingWriter::Mode mode)
{
    auto writer = std::make_shared<CRecordingWriter>();
    if (!writer->Open(path, error, mode))
        return false;
    std::shared_ptr<CRecordingWriter> previous;
    {
        const std::lock_guard lock(shared_->mutex);
        // Without the connection's OPEN (and the unit's identity) a replay
        // would refuse every connection; they go first, as they happened.
        for (const auto& before : {shared_->open, shared_->identity}) {
            if (!before)
                continue;
            STrafficExchange carried = *before;
            carried.carriedOver = true;
            writer->Write(std::move(carried));
        }
        previous = std::exchange(shared_->writer, std::move(writer));
        shared_->path = path;
    }
    if (previous)
        previous->Close();
    return true;
}

void CTrafficSession::StopRecording()
{
    std::shared_ptr<CRecordingWriter> writer;
    {
        const std::lock_guard lock(shared_->mutex);
        writer = std::exchange(shared_->writer, nullptr);
    }
    // A write already under way on the driver's thread holds its own
    // reference; closing waits for it.
    if (writer)
        writer->Close();
}

bool CTrafficSession::IsRecording() const
{
    const std::lock_guard lock(shared_->mutex);
    return shared_->writer != nullptr;
}

QString CTrafficSession::RecordingPath() const
{
    const std::lock_guard lock(shared_->mutex);
    return shared_->path;
}

QString CTrafficSession::RecordingError() const
{
    std::shared_ptr<CRecordingWriter> writer;
    {
        const std::lock_guard lock(shared_->mutex);
        writer = shared_->writer;
    }
    return writer ? writer->Error() : QString();
}
