#include "rks/RksFrame.h"

#include <algorithm>

namespace {
constexpr std::size_t kHeaderSize = 3; // kind, sequence number

// Sizes `frame` for a body of `bodySize` bytes and writes the length prefix,
// kind and sequence number; returns where the rest of the body goes.
std::uint8_t* StartFrame(std::vector<std::uint8_t>& frame, std::size_t bodySize,
                         std::uint8_t kind, std::uint16_t seq)
{
    frame.resize(kRksLengthSize + bodySize);
    std::uint8_t* p = frame.data();
    *p++ = static_cast<std::uint8_t>(bodySize >> 24);
    *p++ = static_cast<std::uint8_t>(bodySize >> 16);
    *p++ = static_cast<std::uint8_t>(bodySize >> 8);
    *p++ = static_cast<std::uint8_t>(bodySize);
    *p++ = kind;
    *p++ = static_cast<std::uint8_t>(seq >> 8);
    *p++ = static_cast<std::uint8_t>(seq);
    return p;
}
} // namespace

const char* RksResultMeaning(int result)
{
    switch (result) {
    case kRksResultOk: return "ok";
    case kRksResultNoUnit: return "no such unit";
    case kRksResultNoAnswer: return "unit did not answer";
    case kRksResultMalformed: return "malformed request";
    default: return "unknown result";
    }
}

bool RksBuildOpen(std::vector<std::uint8_t>& frame, std::uint16_t seq, std::string_view connection)
{
    const std::size_t bodySize = kHeaderSize + connection.size();
    if (bodySize > kRksMaxBody) {
        frame.clear();
        return false;
    }
    std::copy(connection.begin(), connection.end(), StartFrame(frame, bodySize, kRksOpen, seq));
    return true;
}

bool RksBuildTransfer(std::vector<std::uint8_t>& frame, std::uint16_t seq, std::string_view route,
                      std::span<const std::uint8_t> request)
{
    // Compared one by one so that no sum can overflow.
    if (route.size() > kRksMaxRoute || request.size() > kRksMaxBody - kHeaderSize - 1 - route.size()) {
        frame.clear();
        return false;
    }
    const std::size_t bodySize = kHeaderSize + 1 + route.size() + request.size();
    std::uint8_t* p = StartFrame(frame, bodySize, kRksTransfer, seq);
    *p++ = static_cast<std::uint8_t>(route.size());
    p = std::copy(route.begin(), route.end(), p);
    std::copy(request.begin(), request.end(), p);
    return true;
}

void RksBuildClose(std::vector<std::uint8_t>& frame, std::uint16_t seq)
{
    StartFrame(frame, kHeaderSize, kRksClose, seq);
}

std::optional<RksReply> RksParseReply(std::span<const std::uint8_t> body)
{
    if (body.size() < kHeaderSize + 1)
        return std::nullopt;
    RksReply reply;
    reply.kind = body[0];
    reply.seq = static_cast<std::uint16_t>(body[1] << 8 | body[2]);
    reply.result = body[3];
    reply.bytes = body.subspan(kHeaderSize + 1);
    return reply;
}
