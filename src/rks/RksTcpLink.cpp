#include "rks/RksTcpLink.h"

#include "rks/RksConnectionString.h"
#include "rks/RksEndpoint.h"

CRksTcpLink::CRksTcpLink(std::chrono::milliseconds connectTimeout)
    : connectTimeout_(connectTimeout)
    , transferTimeout_(kRksDefaultTransferTimeout)
{
}

CRksTcpLink::~CRksTcpLink()
{
    Close();
}

bool CRksTcpLink::Open(const std::string& connection)
{
    Close();
    const std::string trimmed(RksTrimmed(connection));
    if (!Connect(trimmed))
        return false;
    connection_ = trimmed;
    return true;
}

bool CRksTcpLink::Connect(const std::string& connection)
{
    if (interrupted_)
        return false;
    const auto params = RksParseConnectionString(connection);
    if (!params)
        return false;
    const auto endpoint = RksChooseEndpoint(*params, RksConfiguredGateway());
    if (!endpoint)
        return false;
    transferTimeout_ = params->transferTimeout;

    const auto connectDeadline = CRksSocket::Clock::now() + connectTimeout_;
    if (socket_.Connect(*endpoint, connectDeadline, interrupted_) != CRksSocket::Status::Ok)
        return false;
    reader_.Reset();
    seq_ = 1; // sequence numbers count per connection
    RksReply reply;
    if (!RksBuildOpen(frame_, seq_, connection)
        || !Exchange(kRksOpen, CRksSocket::Clock::now() + transferTimeout_, reply)
        || reply.result != kRksResultOk) {
        Drop();
        return false;
    }
    return true;
}

void CRksTcpLink::Close()
{
    if (socket_.IsOpen()) {
        RksBuildClose(frame_, ++seq_);
        socket_.SendAndClose(frame_);
    }
    reader_.Reset();
    connection_.clear();
}

bool CRksTcpLink::Transfer(const std::optional<std::string>& route, std::span<const std::uint8_t> request,
                           std::vector<std::uint8_t>& reply)
{
    reply.clear();
    if (interrupted_)
        return false;
    if (!socket_.IsOpen() || socket_.PeerHasClosed()) {
        Drop();
        if (connection_.empty() || !Connect(connection_))
            return false;
    }
    const std::uint16_t seq = seq_ + 1;
    if (!RksBuildTransfer(frame_, seq, route ? std::string_view(*route) : std::string_view(), request))
        return false;
    seq_ = seq;
    RksReply answer;
    if (!Exchange(kRksTransfer, CRksSocket::Clock::now() + transferTimeout_, answer)
        || answer.result != kRksResultOk)
        return false;
    reply.assign(answer.bytes.begin(), answer.bytes.end());
    return true;
}

void CRksTcpLink::Interrupt()
{
    interrupted_ = true;
}

bool CRksTcpLink::Exchange(std::uint8_t kind, CRksSocket::Clock::time_point deadline, RksReply& reply)
{
    if (socket_.Send(frame_, deadline, interrupted_) != CRksSocket::Status::Ok) {
        // Part of a frame may have gone: the stream cannot be trusted any more.
        Drop();
        return false;
    }
    const std::uint8_t replyKind = kind | kRksReplyFlag;
    for (;;) {
        std::span<const std::uint8_t> body;
        switch (reader_.Next(body)) {
        case CRksFrameReader::Status::Frame:
            if (const auto parsed = RksParseReply(body); !parsed) {
                Drop();
                return false;
            } else if (parsed->kind == replyKind && parsed->seq == seq_) {
                reply = *parsed;
                return true;
            }
            continue; // the late reply to a request that was given up on
        case CRksFrameReader::Status::Broken:
            Drop();
            return false;
        case CRksFrameReader::Status::NeedMore:
            break;
        }
        std::size_t received = 0;
        const auto status = socket_.Receive(reader_.Space(), received, deadline, interrupted_);
        if (status == CRksSocket::Status::Broken)
            Drop();
        if (status != CRksSocket::Status::Ok)
            return false;
        reader_.Commit(received);
    }
}

void CRksTcpLink::Drop()
{
    socket_.Close();
    reader_.Reset();
}
