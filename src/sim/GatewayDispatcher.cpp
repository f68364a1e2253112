#include "sim/GatewayDispatcher.h"

#include "sim/ConnectionString.h"
#include "sim/FloodFaults.h"
#include "sim/LinkContract.h"
#include "sim/ReplayRecording.h"
#include "sim/StateFile.h"
#include "sim/TraceWriter.h"

#include <algorithm>
#include <cstdio>
#include <string_view>

namespace sim {
namespace {

// Appends length placeholder, kind | 0x80, sequence number and result; returns
// where the frame starts so that EndReply can fill in its length.
std::size_t BeginReply(std::vector<std::uint8_t>& out, std::uint8_t kind, std::uint16_t seq, std::uint8_t result)
{
    const std::size_t start = out.size();
    out.resize(start + kFrameHeaderSize + kBodyHeaderSize + 1);
    std::uint8_t* p = out.data() + start + kFrameHeaderSize;
    p[0] = std::uint8_t(kind | kReplyKindFlag);
    p[1] = std::uint8_t(seq >> 8);
    p[2] = std::uint8_t(seq);
    p[3] = result;
    return start;
}

void EndReply(std::vector<std::uint8_t>& out, std::size_t start)
{
    const std::size_t length = out.size() - start - kFrameHeaderSize;
    out[start] = std::uint8_t(length >> 24);
    out[start + 1] = std::uint8_t(length >> 16);
    out[start + 2] = std::uint8_t(length >> 8);
    out[start + 3] = std::uint8_t(length);
}

std::string_view AsText(std::span<const std::uint8_t> bytes)
{
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

std::optional<std::string_view> ConnectionOf(const SessionState& session)
{
    if (!session.connection)
        return std::nullopt;
    return std::string_view(*session.connection);
}

std::optional<std::string_view> UnitOf(const CSimUnit* unit)
{
    if (!unit)
        return std::nullopt;
    return std::string_view(unit->Label());
}

constexpr std::size_t kResultOffset = kFrameHeaderSize + kBodyHeaderSize;

} // namespace

CGatewayDispatcher::CGatewayDispatcher(CUnitRegistry& registry, const FaultOptions& faults, CTraceWriter* trace,
                                       CStateFile* state)
    : registry_(registry), faults_(faults), injector_(faults), trace_(trace), state_(state)
{
    clock_.start();
    now_ = [this] { return clock_.elapsed(); };
}

CGatewayDispatcher::Action CGatewayDispatcher::Handle(SessionState& session, std::span<const std::uint8_t> body,
                                                      std::vector<std::uint8_t>& out)
{
    // Without a sequence number there is nothing a reply could refer to.
    if (body.size() < kBodyHeaderSize)
        return Action::Close;
    const std::uint8_t kind = body[0];
    const auto seq = std::uint16_t((body[1] << 8) | body[2]);
    const std::span<const std::uint8_t> rest = body.subspan(kBodyHeaderSize);
    // Before the unit is looked for: a restart may have moved it.
    RestartDueUnits(now_());

    switch (kind) {
    case kKindOpen:
        return Open(session, seq, rest, out);
    case kKindTransfer: {
        const std::size_t replyAt = out.size();
        const Action action = Transfer(session, seq, rest, out);
        if (action == Action::Reply || action == Action::ReplyThenClose)
            AppendFlood(faults_, seq, out, replyAt);
        return action;
    }
    case kKindClose:
        return Action::Close;
    default:
        EndReply(out, BeginReply(out, kind, seq, kResultMalformed));
        return Action::Reply;
    }
}

CGatewayDispatcher::Action CGatewayDispatcher::Open(SessionState& session, std::uint16_t seq,
                                                    std::span<const std::uint8_t> text,
                                                    std::vector<std::uint8_t>& out)
{
    const std::string_view connection = TrimBlanks(AsText(text));
    if (replay_ && !faults_.refuseOpen)
        return ReplayOpen(session, seq, connection, text, out);
    CSimUnit* unit = faults_.refuseOpen ? nullptr : registry_.Resolve(connection);

    // A failed OPEN leaves the client with no unit, whatever it had before.
    session.unit = unit;
    if (unit)
        session.connection.emplace(connection);
    else
        session.connection.reset();

    const std::uint8_t result = unit ? kResultOk : kResultNoSuchUnit;
    EndReply(out, BeginReply(out, kKindOpen, seq, result));
    if (trace_)
        trace_->Write({"open", seq, connection, UnitOf(unit), std::nullopt, text, result, std::nullopt});
    return Action::Reply;
}

CGatewayDispatcher::Action CGatewayDispatcher::Transfer(SessionState& session, std::uint16_t seq,
                                                        std::span<const std::uint8_t> rest,
                                                        std::vector<std::uint8_t>& out)
{
    if (rest.empty() || rest.size() < 1u + rest[0]) {
        EndReply(out, BeginReply(out, kKindTransfer, seq, kResultMalformed));
        if (trace_) {
            trace_->Write({"transfer", seq, ConnectionOf(session), UnitOf(session.unit), std::nullopt, rest,
                           kResultMalformed, std::nullopt});
        }
        return Answered(session);
    }
    const std::size_t routeLength = rest[0];
    const std::string_view route = AsText(rest.subspan(1, routeLength));
    const std::span<const std::uint8_t> request = rest.subspan(1 + routeLength);
    const std::optional<std::string_view> tracedRoute =
        routeLength ? std::optional<std::string_view>(route) : std::nullopt;

    if (replay_ && session.connection)
        return ReplayTransfer(session, seq, route, request, out);
    if (!session.unit) {
        EndReply(out, BeginReply(out, kKindTransfer, seq, kResultNoSuchUnit));
        if (trace_) {
            trace_->Write({"transfer", seq, ConnectionOf(session), std::nullopt, tracedRoute, request,
                           kResultNoSuchUnit, std::nullopt});
        }
        return Answered(session);
    }

    const std::int64_t now = now_();
    if (session.unit->Restarting(now)) {
        EndReply(out, BeginReply(out, kKindTransfer, seq, kResultNoAnswer));
        if (trace_) {
            trace_->Write({"transfer", seq, ConnectionOf(session), UnitOf(session.unit), tracedRoute, request,
                           kResultNoAnswer, std::nullopt});
        }
        return Answered(session);
    }

    // A lost request never reaches the unit: nothing is applied or answered.
    if (injector_.DropNext())
        return Action::Silent;

    if (routeLength == 0 && FailsOnPurpose(request)) {
        EndReply(out, BeginReply(out, kKindTransfer, seq, kResultNoAnswer));
        if (trace_) {
            trace_->Write({"transfer", seq, ConnectionOf(session), UnitOf(session.unit), tracedRoute, request,
                           kResultNoAnswer, std::nullopt});
        }
        return Answered(session);
    }

    const std::size_t start = BeginReply(out, kKindTransfer, seq, kResultOk);
    const std::size_t replyAt = out.size();
    session.unit->Model().SetRestartsDeferred(faults_.restartDelayMs > 0);
    const CUnitModel::Outcome outcome = session.unit->Model().Handle(route, request, out);
    if (outcome.breakConnection) {
        // The unit's link goes down with this request: no reply, no trace line.
        out.resize(start);
        return Action::Close;
    }
    if (outcome.noReply) {
        // Nothing goes back (and nothing is traced, as nothing is answered),
        // but what the request did to the unit stands.
        out.resize(start);
        if (outcome.changed)
            Save();
        if (outcome.reset) {
            session.unit->RestartUntil(now + faults_.rebootMs);
            session.unit->FollowCommissioning();
        }
        return Action::Silent;
    }
    const bool fits = out.size() - start - kFrameHeaderSize <= kMaxBodySize;
    if (!outcome.answered || !fits) {
        out.resize(replyAt);
        out[start + kResultOffset] = kResultNoAnswer;
    }
    EndReply(out, start);
    if (outcome.changed)
        Save();
    if (outcome.restartLater)
        session.unit->ScheduleRestart(now + faults_.restartDelayMs);
    else if (outcome.reset)
        session.unit->RestartUntil(now + faults_.rebootMs);

    if (trace_) {
        const std::uint8_t result = out[start + kResultOffset];
        std::optional<std::span<const std::uint8_t>> reply;
        if (result == kResultOk)
            reply = std::span<const std::uint8_t>(out.data() + replyAt, out.size() - replyAt);
        trace_->Write({"transfer", seq, ConnectionOf(session), UnitOf(session.unit), tracedRoute, request, result,
                       reply});
    }
    // A commissioning that the restart applied moves the unit (after the
    // trace line, which names the unit where the reset reached it).
    if (outcome.reset && !outcome.restartLater)
        session.unit->FollowCommissioning();
    return Answered(session);
}

void CGatewayDispatcher::RestartDueUnits(std::int64_t now)
{
    if (faults_.restartDelayMs == 0)
        return;
    for (const auto& unit : registry_.Units()) {
        const std::optional<std::int64_t> due = unit->TakeDueRestart(now);
        if (!due)
            continue;
        // Silent from the moment it restarted, whether anyone asked meanwhile or not.
        unit->RestartUntil(*due + faults_.rebootMs);
        if (unit->Model().RestartNow())
            Save();
        unit->FollowCommissioning();
    }
}

CGatewayDispatcher::Action CGatewayDispatcher::ReplayOpen(SessionState& session, std::uint16_t seq,
                                                          std::string_view connection,
                                                          std::span<const std::uint8_t> text,
                                                          std::vector<std::uint8_t>& out)
{
    const std::optional<RecordedAnswer> answer = replay_->NextOpen(std::string(connection));
    const std::uint8_t result = answer ? answer->result : std::uint8_t(kResultNoAnswer);
    if (!answer) {
        std::fprintf(stderr, "qora-unit-sim: no OPEN of \"%.*s\" in the recording\n", int(connection.size()),
                     connection.data());
    }
    session.unit = nullptr;
    if (result == kResultOk)
        session.connection.emplace(connection);
    else
        session.connection.reset();
    EndReply(out, BeginReply(out, kKindOpen, seq, result));
    if (trace_)
        trace_->Write({"open", seq, connection, std::nullopt, std::nullopt, text, result, std::nullopt});
    return Action::Reply;
}

CGatewayDispatcher::Action CGatewayDispatcher::ReplayTransfer(SessionState& session, std::uint16_t seq,
                                                              std::string_view route,
                                                              std::span<const std::uint8_t> request,
                                                              std::vector<std::uint8_t>& out)
{
    if (injector_.DropNext())
        return Action::Silent;
    const std::optional<RecordedAnswer> answer =
        replay_->NextTransfer(std::string(route), std::vector<std::uint8_t>(request.begin(), request.end()));
    if (!answer) {
        std::string hex;
        for (const std::uint8_t b : request.first(std::min<std::size_t>(request.size(), 32))) {
            hex.push_back("0123456789abcdef"[b >> 4]);
            hex.push_back("0123456789abcdef"[b & 0x0F]);
        }
        std::fprintf(stderr, "qora-unit-sim: request not in the recording: route \"%.*s\", bytes %s%s\n",
                     int(route.size()), route.data(), hex.c_str(), request.size() > 32 ? "..." : "");
    }
    const std::uint8_t result = answer ? answer->result : std::uint8_t(kResultNoAnswer);
    const std::size_t start = BeginReply(out, kKindTransfer, seq, result);
    const std::size_t replyAt = out.size();
    if (result == kResultOk)
        out.insert(out.end(), answer->reply.begin(), answer->reply.end());
    // A recorded reply too large for one frame cannot be sent as recorded.
    if (out.size() - start - kFrameHeaderSize > kMaxBodySize) {
        out.resize(replyAt);
        out[start + kResultOffset] = kResultNoAnswer;
    }
    EndReply(out, start);
    if (trace_) {
        const std::uint8_t sent = out[start + kResultOffset];
        std::optional<std::span<const std::uint8_t>> reply;
        if (sent == kResultOk)
            reply = std::span<const std::uint8_t>(out.data() + replyAt, out.size() - replyAt);
        const std::optional<std::string_view> tracedRoute =
            route.empty() ? std::nullopt : std::optional<std::string_view>(route);
        trace_->Write({"transfer", seq, ConnectionOf(session), std::nullopt, tracedRoute, request, sent, reply});
    }
    return Answered(session);
}

bool CGatewayDispatcher::FailsOnPurpose(std::span<const std::uint8_t> request) const
{
    for (const std::vector<std::uint8_t>& prefix : faults_.failRequests)
        if (request.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), request.begin()))
            return true;
    return false;
}

CGatewayDispatcher::Action CGatewayDispatcher::Answered(SessionState& session)
{
    ++session.transferReplies;
    if (faults_.breakAfter != 0 && session.transferReplies >= faults_.breakAfter)
        return Action::ReplyThenClose;
    return Action::Reply;
}

void CGatewayDispatcher::Save()
{
    if (!state_)
        return;
    QString error;
    dirty_ = !state_->Save(registry_, error);
    if (dirty_)
        std::fprintf(stderr, "qora-unit-sim: %s\n", qPrintable(error));
}

bool CGatewayDispatcher::SaveIfDirty()
{
    if (dirty_)
        Save();
    return !dirty_;
}

} // namespace sim
