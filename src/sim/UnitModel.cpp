#include "sim/UnitModel.h"

#include "sim/ConnectionString.h"
#include "sim/ConstellationStatistics.h"
#include "sim/ConstellationStatusReply.h"
#include "sim/FirmwareActivation.h"
#include "sim/GpsClock.h"
#include "sim/GpsStatusReply.h"
#include "sim/InstallStatusReply.h"
#include "sim/VersionBlock.h"
#include "sim/WriteEffects.h"

#include <utility>

namespace sim {
namespace {

std::uint16_t Word(std::span<const std::uint8_t> bytes, std::size_t at)
{
    return std::uint16_t((bytes[at] << 8) | bytes[at + 1]);
}

bool LengthAllowed(const ParameterDescriptor& p, std::size_t length)
{
    return length >= p.minLength && length <= p.maxLength;
}

CUnitModel::Outcome NegativeAck(std::vector<std::uint8_t>& reply)
{
    reply.push_back(kServiceReply);
    reply.push_back(kNegativeAck);
    return {true, false};
}

constexpr std::uint8_t kIdentityProbe = 0x03;

} // namespace

CUnitModel::CUnitModel(const UnitCatalog& catalog, UnitSeed seed, UnitBehaviour behaviour)
    : catalog_(catalog), seed_(std::move(seed)), behaviour_(std::move(behaviour)),
      firmware_(behaviour_.firmware, seed_.q1Address), commissioning_(behaviour_.commissioning)
{
    values_.reserve(catalog_.parameters.size());
    for (const ParameterDescriptor& p : catalog_.parameters) {
        std::vector<std::uint8_t> value = p.makeDefault ? p.makeDefault(seed_) : std::vector<std::uint8_t>();
        if (value.size() < p.minLength)
            value.resize(p.minLength, 0);
        values_.push_back(std::move(value));
    }
    written_.assign(values_.size(), false);
    RefreshVersionBlock();
}

CUnitModel::Outcome CUnitModel::Handle(std::string_view route, std::span<const std::uint8_t> request,
                                       std::vector<std::uint8_t>& reply)
{
    if (behaviour_.silent)
        return {};
    const Outcome outcome = HandleRoute(route, request, reply);
    // A download or an activation may have changed what the banks hold.
    if (outcome.changed)
        RefreshVersionBlock();
    return outcome;
}

CUnitModel::Outcome CUnitModel::HandleRoute(std::string_view route, std::span<const std::uint8_t> request,
                                            std::vector<std::uint8_t>& reply)
{
    if (route.empty()) {
        const std::size_t start = reply.size();
        const Outcome outcome = HandleUnitMessage(request, reply);
        if (request.size() >= 2 && behaviour_.shortReplyOpcodes.test(request[1]) && reply.size() > start + 2)
            reply.resize(start + 2);
        return outcome;
    }
    if (SameTextIgnoringCase(route, kIdentityRoute)) {
        if (request.size() != 1 || request[0] != kIdentityProbe)
            return {};
        reply.insert(reply.end(), behaviour_.identity.begin(), behaviour_.identity.end());
        reply.push_back(0);
        return {true, false};
    }
    if (SameTextIgnoringCase(route, kDownloadRoute) || SameTextIgnoringCase(route, kDownloadRouteLong))
        return FromFirmware(firmware_.HandleTftp(request, reply));
    // Any other route: no answer from this unit.
    return {};
}

CUnitModel::Outcome CUnitModel::FromFirmware(const CFirmwareReceiver::Result& result)
{
    Outcome outcome{result.answered, result.banksChanged};
    outcome.breakConnection = result.breakConnection;
    return outcome;
}

CUnitModel::Outcome CUnitModel::HandleUnitMessage(std::span<const std::uint8_t> request,
                                                  std::vector<std::uint8_t>& reply)
{
    // The download commands are text ("M:17,...").
    if (!request.empty() && request[0] == 'M') {
        const CFirmwareReceiver::Result result = firmware_.HandleCommand(request, reply);
        return result.answered ? FromFirmware(result) : NegativeAck(reply);
    }
    if (request.size() < 2 || request[0] != kServiceRequest)
        return NegativeAck(reply);
    const std::uint8_t opcode = request[1];
    if (behaviour_.nakOpcodes.test(opcode))
        return NegativeAck(reply);
    if (const std::optional<CommissioningStep> step = CommissioningStepOf(request))
        return Commission(*step, request, reply);
    switch (opcode) {
    case kOpRead:
        return Read(request, reply);
    case kOpWrite:
        return Write(request, reply);
    case kOpCommand:
        return Command(request, reply);
    case kOpReset:
        return IsResetRequest(request) ? Reset(request, reply) : Activate(request, reply);
    case kOpReadBanks:
        return AnswerBankNames(firmware_.Banks(), request, reply) ? Outcome{true, false} : NegativeAck(reply);
    case kOpPositionQuery: { // the GPS status query, whose front is the position
        const std::size_t start = reply.size();
        AnswerGpsStatusQuery(this, request, reply);
        const std::optional<CommissioningSetup>& applied = commissioning_.Applied();
        if (applied && reply.size() > start + 1 && reply[start + 1] == kOpPositionReply)
            ReportCommissionedPosition(*applied, reply, start);
        return {true, false};
    }
    case kOpStatisticsQuery:
        AnswerStatisticsQuery(this, request, reply);
        return {true, false};
    case kOpConstellationStatusQuery:
        AnswerConstellationStatusQuery(this, request, reply);
        return {true, false};
    case kOpGpsDateTime:
        return AnswerGpsDateTime(request, reply) ? Outcome{true, false} : NegativeAck(reply);
    case kOpInstallStatusQuery: {
        const std::size_t start = reply.size();
        if (!AnswerInstallStatusQuery(request, reply))
            return NegativeAck(reply);
        if (behaviour_.selfTestFailure)
            reply[start + 2] = 1; // the self-test byte follows the service header
        return Outcome{true, false};
    }
    default:
        return NegativeAck(reply);
    }
}

// 0x53 0x54 b2 b3 idH idL -> 0x54 0x57 b2 b3 idH idL L status value
CUnitModel::Outcome CUnitModel::Read(std::span<const std::uint8_t> request, std::vector<std::uint8_t>& reply)
{
    if (request.size() != 6)
        return NegativeAck(reply);
    const ParameterDescriptor* p = catalog_.FindParameter(Word(request, 4));
    if (!p)
        return NegativeAck(reply);
    const std::vector<std::uint8_t>& value = values_[IndexOf(*p)];
    reply.push_back(kServiceReply);
    reply.push_back(kOpReadReply);
    reply.insert(reply.end(), request.begin() + 2, request.end());
    reply.push_back(std::uint8_t(4 + value.size()));
    reply.push_back(kStatusOk);
    reply.insert(reply.end(), value.begin(), value.end());
    return {true, false};
}

// 0x53 0x53 idH idL n value[n] -> 0x54 0x56 idH idL status
CUnitModel::Outcome CUnitModel::Write(std::span<const std::uint8_t> request, std::vector<std::uint8_t>& reply)
{
    if (request.size() < 5 || request.size() != 5u + request[4])
        return NegativeAck(reply);
    const ParameterDescriptor* p = catalog_.FindParameter(Word(request, 2));
    const std::span<const std::uint8_t> value = request.subspan(5);
    if (!p || !LengthAllowed(*p, value.size()))
        return NegativeAck(reply);

    std::uint8_t status = kStatusOk;
    if (p->access != Access::ReadWrite)
        status = kStatusReadOnly;
    else if (p->checkWrite)
        status = p->checkWrite(value);
    if (status == kStatusOk)
        Set(*p, value);

    reply.push_back(kServiceReply);
    reply.push_back(kOpWriteReply);
    reply.push_back(request[2]);
    reply.push_back(request[3]);
    reply.push_back(status);
    return {true, status == kStatusOk};
}

// 0x53 0x01 cmdH cmdL -> 0x54 0x02 cmdH cmdL status
CUnitModel::Outcome CUnitModel::Command(std::span<const std::uint8_t> request,
                                        std::vector<std::uint8_t>& reply)
{
    if (request.size() != 4)
        return NegativeAck(reply);
    const CommandDescriptor* c = catalog_.FindCommand(Word(request, 2));
    if (!c)
        return NegativeAck(reply);
    const std::uint8_t status = c->run ? c->run(*this) : kStatusOk;
    reply.push_back(kServiceReply);
    reply.push_back(kOpCommandReply);
    reply.push_back(request[2]);
    reply.push_back(request[3]);
    reply.push_back(status);
    // A command with an action may have changed what the unit keeps.
    return {true, c->run != nullptr};
}

// 0x53 0x77 0x00 0x00 -> 0x54 0x78 0x00 0x00 0; the unit restarts after
// answering, or without answering as its behaviour says.
CUnitModel::Outcome CUnitModel::Reset(std::span<const std::uint8_t> request, std::vector<std::uint8_t>& reply)
{
    if (request.size() != 4)
        return NegativeAck(reply);
    if (behaviour_.resetReply != ResetReply::Answered) {
        Outcome outcome{false, Restart()};
        outcome.reset = true;
        outcome.noReply = behaviour_.resetReply == ResetReply::Silent;
        return outcome;
    }
    reply.push_back(kServiceReply);
    reply.push_back(kOpResetReply);
    reply.push_back(request[2]);
    reply.push_back(request[3]);
    reply.push_back(kStatusOk);
    Outcome outcome{true, restartsDeferred_ ? false : Restart()};
    outcome.reset = true;
    outcome.restartLater = restartsDeferred_;
    return outcome;
}

// 0x53 0x77 n+1 name 0x00 -> 0x54 0x78 result16; on 0 the banks swap and the
// unit restarts as after a reset.
CUnitModel::Outcome CUnitModel::Activate(std::span<const std::uint8_t> request, std::vector<std::uint8_t>& reply)
{
    const std::optional<bool> activated = AnswerActivation(firmware_.Banks(), behaviour_.firmware.activationResult,
                                                           request, reply, !restartsDeferred_);
    if (!activated)
        return NegativeAck(reply);
    Outcome outcome{true, *activated && !restartsDeferred_};
    if (*activated) {
        outcome.reset = true;
        outcome.restartLater = restartsDeferred_;
        if (restartsDeferred_)
            activationPending_ = true;
        else
            Restart();
    }
    return outcome;
}

bool CUnitModel::RestartNow()
{
    bool changed = false;
    if (activationPending_) {
        activationPending_ = false;
        CFirmwareBanks& banks = firmware_.Banks();
        changed = banks.Activate(banks.Inactive()) == 0;
    }
    changed = Restart() || changed;
    if (changed)
        RefreshVersionBlock();
    return changed;
}

// The four steps of a commissioning, on a unit whose catalog has the
// commissioning block. The user block is a step only inside a bracket.
std::optional<CommissioningStep> CUnitModel::CommissioningStepOf(std::span<const std::uint8_t> request) const
{
    if (request.size() < 4 || !catalog_.FindParameter(kCommissioningBlockId))
        return std::nullopt;
    const std::uint16_t word = Word(request, 2);
    if (request[1] == kOpCommand && request.size() == 4) {
        if (word == kOpenCommissioningCommand)
            return CommissioningStep::Open;
        if (word == kCloseCommissioningCommand)
            return CommissioningStep::Close;
    }
    if (request[1] == kOpWrite) {
        if (word == kCommissioningBlockId)
            return CommissioningStep::Block;
        if (word == kUserBlockId && commissioning_.InBracket())
            return CommissioningStep::User;
    }
    return std::nullopt;
}

// Commands: 0x53 0x01 0x00 arg -> 0x54 0x02 0x00 arg status; blocks:
// 0x53 0x53 idH idL n value[n] -> 0x54 0x56 idH idL status.
CUnitModel::Outcome CUnitModel::Commission(CommissioningStep step, std::span<const std::uint8_t> request,
                                           std::vector<std::uint8_t>& reply)
{
    const bool command = step == CommissioningStep::Open || step == CommissioningStep::Close;
    if (!command && (request.size() < 5 || request.size() != 5u + request[4]))
        return NegativeAck(reply);
    if (commissioning_.Silent(step))
        return {}; // as if the request never arrived

    std::uint8_t status = commissioning_.Refusal(step).value_or(kStatusOk);
    if (status == kStatusOk)
        status = TakeCommissioningValue(step, command ? std::span<const std::uint8_t>() : request.subspan(5));

    reply.push_back(kServiceReply);
    reply.push_back(command ? kOpCommandReply : kOpWriteReply);
    reply.push_back(request[2]);
    reply.push_back(request[3]);
    reply.push_back(status);
    // Opening keeps nothing; the blocks and the pending setup are kept.
    return {true, status == kStatusOk && step != CommissioningStep::Open && !commissioning_.AppliesNothing()};
}

std::uint8_t CUnitModel::TakeCommissioningValue(CommissioningStep step, std::span<const std::uint8_t> value)
{
    switch (step) {
    case CommissioningStep::Open:
        commissioning_.Opened();
        return kStatusOk;
    case CommissioningStep::Block: {
        const std::optional<CommissioningSetup> setup = ParseCommissioningBlock(value);
        if (!setup)
            return kStatusBadBlock;
        if (!commissioning_.AppliesNothing())
            Set(*catalog_.FindParameter(kCommissioningBlockId), value);
        commissioning_.BlockTaken(*setup);
        return kStatusOk;
    }
    case CommissioningStep::User: {
        const ParameterDescriptor* p = catalog_.FindParameter(kUserBlockId);
        if (!p || !LengthAllowed(*p, value.size()) || (p->checkWrite && p->checkWrite(value) != kStatusOk))
            return kStatusBadBlock;
        if (!commissioning_.AppliesNothing())
            Set(*p, value);
        commissioning_.UserTaken();
        return kStatusOk;
    }
    case CommissioningStep::Close:
        commissioning_.Closed();
        return kStatusOk;
    }
    return kStatusNotAllowedNow;
}

bool CUnitModel::Restart()
{
    firmware_.Restarted();
    const std::optional<CommissioningSetup> setup = commissioning_.TakePending(RunningSetup());
    if (setup)
        ApplyCommissioning(*setup);
    return setup.has_value();
}

void CUnitModel::ApplyCommissioning(const CommissioningSetup& setup)
{
    for (CommissionedValue& v : CommissionedValues(setup, Value(kBusOptionsId))) {
        const ParameterDescriptor* p = catalog_.FindParameter(v.id);
        if (!p)
            continue;
        if (p->access == Access::ReadWrite)
            Set(*p, v.value); // kept like a write from the tool
        else
            values_[IndexOf(*p)] = std::move(v.value); // the unit's own reading
    }
}

void CUnitModel::RestoreCommissioning(const std::optional<CommissioningSetup>& applied,
                                      const std::optional<CommissioningSetup>& pending)
{
    commissioning_.Restore(applied, pending);
    if (applied) {
        if (const ParameterDescriptor* p = catalog_.FindParameter(kGpsPositionId))
            values_[IndexOf(*p)] = CommissionedPosition(*applied);
    }
    // Starting the simulator restarts its units, so a pending setup applies.
    if (const std::optional<CommissioningSetup> setup = commissioning_.TakePending(RunningSetup()))
        ApplyCommissioning(*setup);
}

CommissioningSetup CUnitModel::RunningSetup() const
{
    if (const std::optional<CommissioningSetup>& applied = commissioning_.Applied())
        return *applied;
    CommissioningSetup home;
    home.ip = seed_.ip;
    home.q1Address = seed_.q1Address;
    return home;
}

bool CUnitModel::RestoreBanks(const std::string& active, const std::string& inactive)
{
    const bool restored = firmware_.Banks().Restore(active, inactive);
    RefreshVersionBlock();
    return restored;
}

void CUnitModel::RefreshVersionBlock()
{
    const ParameterDescriptor* p = catalog_.FindParameter(kVersionBlockId);
    // Only a catalog whose 0x9004 has the version block's layout gets it.
    if (p && p->minLength == kVersionBlockSize && p->maxLength == kVersionBlockSize)
        values_[IndexOf(*p)] = VersionBlock(seed_, firmware_.Banks(), behaviour_.serial);
}

std::span<const std::uint8_t> CUnitModel::Value(std::uint16_t id) const
{
    const ParameterDescriptor* p = catalog_.FindParameter(id);
    if (!p)
        return {};
    return values_[IndexOf(*p)];
}

bool CUnitModel::Written(std::uint16_t id) const
{
    const ParameterDescriptor* p = catalog_.FindParameter(id);
    return p && written_[IndexOf(*p)];
}

bool CUnitModel::Restore(std::uint16_t id, std::span<const std::uint8_t> value)
{
    const ParameterDescriptor* p = catalog_.FindParameter(id);
    if (!p || !LengthAllowed(*p, value.size()))
        return false;
    if (p->checkWrite && p->checkWrite(value) != kStatusOk)
        return false;
    Set(*p, value);
    return true;
}

std::size_t CUnitModel::IndexOf(const ParameterDescriptor& p) const
{
    return std::size_t(&p - catalog_.parameters.data());
}

void CUnitModel::Set(const ParameterDescriptor& p, std::span<const std::uint8_t> value)
{
    const std::size_t index = IndexOf(p);
    std::vector<LinkedValue> linked;
    ApplyWrite(p.id, value, values_[index], linked);
    for (LinkedValue& other : linked)
        if (const ParameterDescriptor* q = catalog_.FindParameter(other.id))
            values_[IndexOf(*q)] = std::move(other.value);
    written_[index] = true;
}

} // namespace sim
