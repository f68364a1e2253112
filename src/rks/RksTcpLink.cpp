#include "rks/RksTcpLink.h"

#include "rks/RksConnectionString.h"
#include "rks/RksEndpoint.h"
#include "platform/LogCategories.h"

#include <cstdio>

namespace {

std::string ResultText(int result)
{
    return "result " + std::to_string(result) + " (" + RksResultMeaning(result) + ")";
}

// "request 53 54 01 00 90 04" as it goes on the wire; a long one (a firmware
// block) by its first bytes and its size.
std::string RequestText(std::span<const std::uint8_t> request)
{
    constexpr std::size_t kShown = 16;
    std::string text = "request";
    char hex[4];
    for (std::size_t i = 0; i < request.size() && i < kShown; ++i) {
        std::snprintf(hex, sizeof hex, " %02X", request[i]);
        text += hex;
    }
    if (request.size() > kShown)
        text += " ... (" + std::to_string(request.size()) + " bytes)";
    return text;
}
} // namespace

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
    failure_ = {};
    const std::string trimmed(RksTrimmed(connection));
    if (!Connect(trimmed))
        return false;
    connection_ = trimmed;
    return true;
}

bool CRksTcpLink::Connect(const std::string& connection)
{
    activity_ = "OPEN \"" + connection + "\"";
    transferRequest_.reset();
    if (interrupted_)
        return Fail(SLinkFailure::Kind::Broken, "interrupted");
    std::string problem;
    const auto params = RksParseConnectionString(connection, &problem);
    if (!params)
        return Fail(SLinkFailure::Kind::ConnectionString, "malformed connection string: " + problem);
    const std::string gateway = RksConfiguredGateway();
    const auto endpoint = RksChooseEndpoint(*params, gateway);
    if (!endpoint && !gateway.empty())
        return Fail(SLinkFailure::Kind::GatewaySetting,
                    "the gateway setting \"" + gateway + "\" (" + kRksGatewayVariable +
                        " or the service's Gateway setting) is not host:port");
    if (!endpoint)
        return Fail(SLinkFailure::Kind::NoEndpoint,
                    std::string("no gateway setting: neither ") + kRksGatewayVariable +
                        " nor the service's Gateway setting names one, and the connection string has no usable "
                        "HOST and PORT");
    transferTimeout_ = params->transferTimeout;
    endpointText_ = (gateway.empty() ? "" : "gateway ") + endpoint->host + ":" + std::to_string(endpoint->port);
    activity_ += " to " + endpointText_;

    const auto connectDeadline = CRksSocket::Clock::now() + connectTimeout_;
    if (socket_.Connect(*endpoint, connectDeadline, interrupted_) != CRksSocket::Status::Ok)
        return Fail(SLinkFailure::Kind::Unreachable, endpointText_ + " not reachable: " + socket_.ConnectError());
    reader_.Reset();
    seq_ = 1; // sequence numbers count per connection
    RksReply reply;
    if (!RksBuildOpen(frame_, seq_, connection)) {
        Drop();
        return Fail(SLinkFailure::Kind::ConnectionString, "the connection string is too long");
    }
    if (!Exchange(kRksOpen, CRksSocket::Clock::now() + transferTimeout_, reply)) {
        Drop();
        failure_.text = endpointText_ + " did not take the connection: " + failure_.text;
        return false;
    }
    if (reply.result != kRksResultOk) {
        Drop();
        return Fail(SLinkFailure::Kind::Refused,
                    "the unit was refused: " + endpointText_ + " answered " + ResultText(reply.result), reply.result);
    }
    qCInfo(lcRks, "%s: accepted", activity_.c_str());
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
    failure_ = {};
    transferRequest_ = request;
    // The request is the caller's: no later log line may read it.
    struct Forget {
        std::optional<std::span<const std::uint8_t>>& request;
        ~Forget() { request.reset(); }
    } forget{transferRequest_};
    if (interrupted_)
        return Fail(SLinkFailure::Kind::NotSent, "interrupted");
    if (!socket_.IsOpen() || socket_.PeerHasClosed()) {
        Drop();
        if (connection_.empty())
            return Fail(SLinkFailure::Kind::NotSent, "the link is not open");
        if (!Connect(connection_)) {
            // Nothing of this request went out.
            failure_.text = "the connection could not be made again: " + failure_.text;
            failure_.kind = SLinkFailure::Kind::NotSent;
            return false;
        }
        transferRequest_ = request;
    }
    const std::uint16_t seq = seq_ + 1;
    if (!RksBuildTransfer(frame_, seq, route ? std::string_view(*route) : std::string_view(), request))
        return Fail(SLinkFailure::Kind::NotSent, "the request does not fit in one frame");
    seq_ = seq;
    RksReply answer;
    if (!Exchange(kRksTransfer, CRksSocket::Clock::now() + transferTimeout_, answer))
        return false;
    if (answer.result != kRksResultOk)
        return Fail(answer.result == kRksResultNoAnswer ? SLinkFailure::Kind::NoAnswer : SLinkFailure::Kind::Refused,
                    endpointText_ + " answered " + ResultText(answer.result), answer.result);
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
        return Fail(SLinkFailure::Kind::Broken, "the connection broke while the request was sent");
    }
    const std::uint8_t replyKind = kind | kRksReplyFlag;
    for (;;) {
        std::span<const std::uint8_t> body;
        switch (reader_.Next(body)) {
        case CRksFrameReader::Status::Frame:
            if (const auto parsed = RksParseReply(body); !parsed) {
                Drop();
                return Fail(SLinkFailure::Kind::Broken, "a reply too short to read came");
            } else if (parsed->kind == replyKind && parsed->seq == seq_) {
                reply = *parsed;
                return true;
            }
            continue; // the late reply to a request that was given up on
        case CRksFrameReader::Status::Broken:
            Drop();
            return Fail(SLinkFailure::Kind::Broken, "a frame of impossible length came");
        case CRksFrameReader::Status::NeedMore:
            break;
        }
        std::size_t received = 0;
        const auto status = socket_.Receive(reader_.Space(), received, deadline, interrupted_);
        switch (status) {
        case CRksSocket::Status::Ok:
            break;
        case CRksSocket::Status::Broken:
            Drop();
            return Fail(SLinkFailure::Kind::Broken, "the connection was closed before the reply came");
        case CRksSocket::Status::Timeout:
            return Fail(SLinkFailure::Kind::NoAnswer,
                        "no reply within " + std::to_string(transferTimeout_.count()) + " ms");
        case CRksSocket::Status::Interrupted:
            return Fail(SLinkFailure::Kind::Broken, "interrupted");
        }
        reader_.Commit(received);
    }
}

bool CRksTcpLink::Fail(SLinkFailure::Kind kind, std::string text, int result)
{
    failure_.kind = kind;
    failure_.result = result;
    failure_.text = std::move(text);
    qCWarning(lcRks, "%s: %s", ActivityText().c_str(), failure_.text.c_str());
    return false;
}

std::string CRksTcpLink::ActivityText() const
{
    if (!transferRequest_)
        return activity_;
    return RequestText(*transferRequest_) + " to " + (endpointText_.empty() ? "the unit" : endpointText_);
}

void CRksTcpLink::Drop()
{
    socket_.Close();
    reader_.Reset();
}
