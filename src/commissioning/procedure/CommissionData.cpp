#include "commissioning/procedure/CommissionData.h"
#include "link/DeviceMessageNotice.h"

#include "platform/LogCategories.h"
#include "platform/MessageIds.h"
#include "protocol/Vocabulary.h"

#include <memory>

namespace {
constexpr std::int32_t kParameterClass = Protocol::Class::kParameter;
constexpr std::int32_t kOpWriteReply = Protocol::Op::kWriteReply;
constexpr std::int32_t kOpCommandReply = Protocol::Op::kCommandReply;
constexpr std::int32_t kNegativeAck = Protocol::Op::kNegativeAck;
constexpr std::int32_t kReplyIdOffset = 3;
constexpr std::int32_t kReplyStatusOffset = 5;

// The step of the guarded write, for the log.
const char* StepName(const std::vector<std::uint16_t>& pending)
{
    if (pending.empty())
        return "no step";
    switch (pending.front()) {
    case CCommissionData::kOpeningCommand:
        return "the opening command";
    case CCommissionData::kClosingCommand:
        return "the closing command";
    case CCommissionData::kCommissioningBlockId:
        return "the commissioning block";
    case CCommissionData::kUserBlockId:
        return "the user block";
    default:
        return "an unknown step";
    }
}
} // namespace

CCommissionData::CCommissionData() : CDataClass(kAddress, {0, WM_COMMISSION_WRITE_DONE})
{
    const std::uint16_t writes[] = {kCommissioningBlockId, kUserBlockId};
    AddWriteIds(writes);
}

// --- setters -----------------------------------------------------------------

#define COMMISSION_SETTER(Name, Type, member, block, id) \
    void CCommissionData::Name(Type value)               \
    {                                                    \
        block.member = value;                            \
        AddPendingWrite(id);                             \
    }

COMMISSION_SETTER(SetLongitude, double, longitude, block_, kCommissioningBlockId)
COMMISSION_SETTER(SetLatitude, double, latitude, block_, kCommissioningBlockId)
COMMISSION_SETTER(SetAltitude, std::int32_t, altitudeCm, block_, kCommissioningBlockId)
COMMISSION_SETTER(SetPositionLocked, std::int32_t, positionLocked, block_, kCommissioningBlockId)
COMMISSION_SETTER(SetSelfSurvey, std::int32_t, selfSurvey, block_, kCommissioningBlockId)
COMMISSION_SETTER(SetGpsAntennaDelay, std::int32_t, gpsAntennaDelayNs, block_, kCommissioningBlockId)
COMMISSION_SETTER(SetFrameClockDelay, std::int32_t, frameClockDelayNs, block_, kCommissioningBlockId)
COMMISSION_SETTER(SetOnePps, std::uint8_t, onePps, block_, kCommissioningBlockId)
COMMISSION_SETTER(SetQ1Relay, std::uint8_t, q1Relay, block_, kCommissioningBlockId)
COMMISSION_SETTER(SetSubnetMask, const QString&, subnetMask, block_, kCommissioningBlockId)
COMMISSION_SETTER(SetGatewayAddress, const QString&, gatewayAddress, block_, kCommissioningBlockId)
COMMISSION_SETTER(SetIpAddress, const QString&, ipAddress, block_, kCommissioningBlockId)
COMMISSION_SETTER(SetQ1Address, std::int32_t, q1Address, block_, kCommissioningBlockId)
COMMISSION_SETTER(SetQ1SpeedCode, std::int32_t, q1SpeedCode, block_, kCommissioningBlockId)
COMMISSION_SETTER(SetRemoteConnection, bool, remote, block_, kCommissioningBlockId)
COMMISSION_SETTER(SetUserName, const QString&, userName, user_, kUserBlockId)
COMMISSION_SETTER(SetActions, const QString&, actions, user_, kUserBlockId)
COMMISSION_SETTER(SetComments, const QString&, comments, user_, kUserBlockId)
COMMISSION_SETTER(SetYear, std::int32_t, year, user_, kUserBlockId)
COMMISSION_SETTER(SetMonth, std::int32_t, month, user_, kUserBlockId)
COMMISSION_SETTER(SetDay, std::int32_t, day, user_, kUserBlockId)

#undef COMMISSION_SETTER

void CCommissionData::SetCommissionValues(const SCommissionValues& values)
{
    // Items an aborted run left behind would otherwise go out after this
    // run's closing command, outside the opening/closing bracket.
    MutablePendingWrites().clear();

    // GPS page
    SetLatitude(values.latitude);
    SetLongitude(values.longitude);
    SetAltitude(values.altitudeCm);
    SetSelfSurvey(values.selfSurvey ? 1 : 0);
    SetPositionLocked(values.positionLocked ? 1 : 0);
    // time calculation page
    SetGpsAntennaDelay(values.gpsAntennaDelayNs);
    SetFrameClockDelay(values.frameClockDelayNs);
    SetOnePps(values.onePps ? 1 : 0);
    // Q1 page
    SetQ1Address(values.q1Address);
    SetQ1SpeedCode(values.q1SpeedCode);
    SetIpAddress(values.ipAddress);
    SetGatewayAddress(values.gatewayAddress);
    SetSubnetMask(values.subnetMask);
    SetQ1Relay(values.q1Relay ? 1 : 0);
    // user page
    SetUserName(values.userName);
    SetActions(values.actions);
    SetComments(values.comments);
    SetDay(values.day);
    SetMonth(values.month);
    SetYear(values.year);
}

// --- the write ---------------------------------------------------------------

bool CCommissionData::Read()
{
    return false;
}

bool CCommissionData::SendNextRead()
{
    return false;
}

bool CCommissionData::StoreValue(std::uint16_t, const Value&)
{
    return false;
}

bool CCommissionData::Write()
{
    if (!IsConnected())
        return false;
    return SendNextWrite();
}

bool CCommissionData::SendNextWrite()
{
    const std::vector<std::uint16_t>& pending = PendingWrites();
    if (pending.empty()) {
        NotifyWindows(WM_COMMISSION_WRITE_DONE, 1);
        return true;
    }
    switch (pending.front()) {
    case kOpeningCommand:
        SendCommand(1);
        return true;
    case kClosingCommand:
        SendCommand(0);
        return true;
    case kCommissioningBlockId: {
        const QByteArray block = BuildCommissioningBlock(block_);
        CDeviceMessage value;
        value.AppendBytes(block.constData(), static_cast<std::int32_t>(block.size()));
        if (!SendWriteRequest(kCommissioningBlockId, value)) {
            qCWarning(lcCommissioning, "commissioning block of %d bytes not sent: too long", value.GetLength());
            Fail();
        }
        return true;
    }
    case kUserBlockId: {
        const QByteArray block = BuildUserBlock(user_);
        CDeviceMessage value;
        value.AppendBytes(block.constData(), static_cast<std::int32_t>(block.size()));
        if (!SendWriteRequest(kUserBlockId, value)) {
            qCWarning(lcCommissioning, "user block of %d bytes not sent: too long", value.GetLength());
            Fail();
            return true;
        }
        AddPendingWrite(kClosingCommand);
        return true;
    }
    default:
        // Nothing this group knows how to send: the unit would never answer it.
        qCWarning(lcCommissioning, "commissioning write: nothing to send for identifier %04X", pending.front());
        Fail();
        return true;
    }
}

void CCommissionData::Fail()
{
    MutablePendingWrites().clear();
    NotifyWindows(WM_COMMISSION_WRITE_DONE, 0);
}

// --- replies -----------------------------------------------------------------

MsgResult CCommissionData::OnMessage(unsigned message, MsgWParam wParam, MsgLParam lParam)
{
    if (message != WM_DEVICE_MESSAGE)
        return 0;
    if (wParam == 0) {
        // One of the commissioning's requests was not delivered.
        if (!Channel().IsOwnFailure())
            return 0;
        if (!PendingWrites().empty())
            qCWarning(lcCommissioning, "commissioning write failed at %s: request %02X %02X %02X unanswered",
                      StepName(PendingWrites()), static_cast<unsigned>((lParam >> 16) & 0xFF),
                      static_cast<unsigned>((lParam >> 8) & 0xFF), static_cast<unsigned>(lParam & 0xFF));
        Fail();
        return 0;
    }
    const std::unique_ptr<CDeviceMessage> reply = TakeDeviceMessage(lParam);
    if (reply)
        OnReply(*reply);
    return 0;
}

void CCommissionData::OnReply(const CDeviceMessage& reply)
{
    std::int32_t messageClass = 0, address = 0, opcode = 0;
    if (!reply.GetByte(0, messageClass) || !reply.GetByte(1, address) || !reply.GetByte(2, opcode) ||
        address != kAddress)
        return;
    if (opcode == kNegativeAck) {
        if (!PendingWrites().empty())
            qCWarning(lcCommissioning, "commissioning write refused at %s (negative acknowledgement)",
                      StepName(PendingWrites()));
        Fail();
        return;
    }
    if (messageClass != kParameterClass || (opcode != kOpWriteReply && opcode != kOpCommandReply))
        return;
    std::int32_t id = 0, status = 0;
    if (!reply.GetUInt16(kReplyIdOffset, id) || !reply.GetByte(kReplyStatusOffset, status)) {
        qCWarning(lcCommissioning, "commissioning write failed at %s: malformed reply of %d bytes",
                  StepName(PendingWrites()), reply.GetLength());
        Fail();
        return;
    }
    // A command's argument names the command: 0 closing (0xFFFE), 1 opening (0xFFFF).
    if (opcode == kOpCommandReply)
        id += kClosingCommand;
    const std::vector<std::uint16_t>& pending = PendingWrites();
    if (pending.empty() || id != pending.front())
        return;
    // A command is acknowledged by a command reply and a block by a write
    // reply: a write reply naming 0xFFFF or 0xFFFE acknowledges nothing.
    const bool commandPending = pending.front() == kOpeningCommand || pending.front() == kClosingCommand;
    if (commandPending != (opcode == kOpCommandReply))
        return;
    if (status != 0) {
        qCWarning(lcCommissioning, "commissioning write refused at %s: status %d", StepName(pending), status);
        Fail();
        return;
    }
    MutablePendingWrites().erase(MutablePendingWrites().begin());
    SendNextWrite();
}
