#include "traffic/TrafficRecorder.h"

#include "traffic/RecordingWriter.h"
#include "traffic/TrafficRing.h"

STrafficExchange ToTrafficExchange(const SLinkExchange& seen)
{
    STrafficExchange exchange;
    switch (seen.kind) {
    case SLinkExchange::Kind::Open:
        exchange.kind = ETrafficKind::Open;
        break;
    case SLinkExchange::Kind::Transfer:
        exchange.kind = ETrafficKind::Transfer;
        break;
    case SLinkExchange::Kind::Close:
        exchange.kind = ETrafficKind::Close;
        break;
    }
    exchange.timeMs = seen.timeMs;
    // The connection is named where it opens; the exchanges that follow
    // belong to it.
    if (seen.connection && seen.kind == SLinkExchange::Kind::Open)
        exchange.conn = *seen.connection;
    if (seen.route)
        exchange.route = *seen.route;
    exchange.req.assign(seen.request.begin(), seen.request.end());
    exchange.result = static_cast<std::uint8_t>(seen.result);
    if (seen.reply)
        exchange.rep = std::vector<std::uint8_t>(seen.reply->begin(), seen.reply->end());
    exchange.rttMs = seen.rttMs;
    exchange.failed = !seen.ok;
    return exchange;
}

void CTrafficRecorder::OnLinkExchange(const SLinkExchange& seen)
{
    auto exchange = std::make_shared<const STrafficExchange>(ToTrafficExchange(seen));
    if (writer_)
        writer_->Write(exchange);
    if (ring_)
        ring_->Append(std::move(exchange));
}
