#include "sim/ClientConnection.h"

#include "sim/SocketIo.h"

#include <QByteArray>
#include <QSocketNotifier>
#include <QTimer>

#include <chrono>

namespace sim {
namespace {

// One receive of this size takes everything a lock-step client has sent.
constexpr std::size_t kReadChunk = 16384;

// How long a closing connection waits for the peer's FIN before closing
// anyway. Closing with unread bytes would send a reset, which can destroy the
// last reply before the peer reads it.
constexpr std::chrono::milliseconds kLinger(1000);

} // namespace

CClientConnection::CClientConnection(qintptr socket, CGatewayDispatcher& dispatcher, std::uint32_t delayMs,
                                     QObject* parent)
    : QObject(parent), socket_(socket), dispatcher_(dispatcher), delayMs_(delayMs)
{
    socketio::Prepare(socket_);
    out_.reserve(1024);
    readNotifier_ = new QSocketNotifier(socket_, QSocketNotifier::Read, this);
    writeNotifier_ = new QSocketNotifier(socket_, QSocketNotifier::Write, this);
    writeNotifier_->setEnabled(false);
    connect(readNotifier_, &QSocketNotifier::activated, this, &CClientConnection::OnReadable);
    connect(writeNotifier_, &QSocketNotifier::activated, this, &CClientConnection::OnWritable);
}

CClientConnection::~CClientConnection()
{
    // The notifiers must go before the descriptor they watch.
    delete readNotifier_;
    delete writeNotifier_;
    socketio::Close(socket_);
}

void CClientConnection::OnReadable()
{
    // One receive per wake-up: a client that floods us is read only as fast
    // as it reads our replies (see Send).
    std::uint8_t* into = reader_.Prepare(kReadChunk);
    const qint64 got = socketio::Receive(socket_, into, kReadChunk);
    if (got == socketio::kWouldBlock)
        return;
    if (got == socketio::kFailed) {
        Release(); // reset by the peer: nobody left to answer
        return;
    }
    if (got == 0) {
        peerClosed_ = true;
        readNotifier_->setEnabled(false);
        if (shutDown_) {
            Release();
            return;
        }
    }
    if (closing_)
        return; // drained and dropped: requests after the close go unanswered
    reader_.Commit(std::size_t(got));

    out_.clear();
    bool closeAfter = peerClosed_;
    std::span<const std::uint8_t> body;
    CFrameReader::Status status;
    while ((status = reader_.Next(body)) == CFrameReader::Status::Frame) {
        const CGatewayDispatcher::Action action = dispatcher_.Handle(session_, body, out_);
        if (action == CGatewayDispatcher::Action::ReplyThenClose || action == CGatewayDispatcher::Action::Close) {
            closeAfter = true;
            break;
        }
    }
    if (status == CFrameReader::Status::BadLength)
        closeAfter = true;
    closing_ = closeAfter;
    Deliver(closeAfter);
}

void CClientConnection::Deliver(bool closeAfter)
{
    if (delayMs_ == 0) {
        if (!out_.empty())
            Send(out_.data(), out_.size());
        if (closeAfter)
            Finish();
        return;
    }
    // Replies and closings all wait the same time, so they keep their order.
    QByteArray frames(reinterpret_cast<const char*>(out_.data()), qsizetype(out_.size()));
    QTimer::singleShot(std::chrono::milliseconds(delayMs_), Qt::PreciseTimer, this,
                       [this, frames = std::move(frames), closeAfter] {
                           if (!frames.isEmpty())
                               Send(reinterpret_cast<const std::uint8_t*>(frames.constData()),
                                    std::size_t(frames.size()));
                           if (closeAfter)
                               Finish();
                       });
}

void CClientConnection::Send(const std::uint8_t* data, std::size_t size)
{
    if (released_)
        return;
    if (!unsent_.empty()) {
        unsent_.insert(unsent_.end(), data, data + size);
        return;
    }
    while (size > 0) {
        const qint64 sent = socketio::Transmit(socket_, data, size);
        if (sent == socketio::kFailed) {
            Release();
            return;
        }
        if (sent == socketio::kWouldBlock || sent == 0) {
            // The peer is not reading: keep the rest and stop reading its
            // requests until it has taken it.
            unsent_.assign(data, data + size);
            writeNotifier_->setEnabled(true);
            readNotifier_->setEnabled(false);
            return;
        }
        data += sent;
        size -= std::size_t(sent);
    }
}

void CClientConnection::OnWritable()
{
    std::vector<std::uint8_t> pending;
    pending.swap(unsent_);
    writeNotifier_->setEnabled(false);
    Send(pending.data(), pending.size());
    if (released_ || !unsent_.empty())
        return;
    if (finishing_)
        Finish();
    else if (!peerClosed_)
        readNotifier_->setEnabled(true);
}

void CClientConnection::Finish()
{
    finishing_ = true;
    closing_ = true;
    if (released_ || !unsent_.empty() || shutDown_)
        return;
    if (peerClosed_) {
        Release();
        return;
    }
    // Send FIN, then read and drop until the peer's FIN (or the linger time).
    shutDown_ = true;
    socketio::ShutdownWrite(socket_);
    readNotifier_->setEnabled(true);
    QTimer::singleShot(kLinger, this, &CClientConnection::Release);
}

void CClientConnection::Release()
{
    if (released_)
        return;
    released_ = true;
    closing_ = true;
    readNotifier_->setEnabled(false);
    writeNotifier_->setEnabled(false);
    deleteLater();
}

} // namespace sim
