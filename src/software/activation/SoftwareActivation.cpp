#include "software/activation/SoftwareActivation.h"

#include "link/AppHandler.h"
#include "link/CommHandler.h"
#include "platform/LogCategories.h"
#include "platform/MessageIds.h"
#include "platform/StringTable.h"
#include "protocol/FirmwareNames.h"
#include "protocol/Vocabulary.h"

#include <memory>

namespace {
constexpr unsigned kSendingProblem = 61236;
constexpr std::uint8_t kNegativeAck = Protocol::Op::kNegativeAck;

const char* const kActivationRefused =
    "The target device encountered a non-recoverable error\n (%04X).\n\n"
    "The inactive firmware could not be activated.\n"
    "Download the software and try to activate again.";

} // namespace

CSoftwareActivation::CSoftwareActivation() : CDataClass(kAddress, {WM_ACTIVATION_READ_DONE, WM_ACTIVATION_DONE}) {}

bool CSoftwareActivation::Read()
{
    if (GetOperationState() == kWriting)
        return false;
    if (GetOperationState() == kReading)
        return true;
    auto request = std::make_unique<CDeviceMessage>();
    request->AppendByte(kCommandClass);
    request->AppendByte(kAddress);
    request->AppendByte(kOpReadNames);
    request->AppendUInt16(0);
    // State first: a refused send comes back as a posted failure for this state.
    errorText_ = LoadResString(StringId::ReadingProblem);
    SetOperationState(kReading);
    Channel().Send(std::move(request));
    return true;
}

bool CSoftwareActivation::SendNextRead()
{
    return false;
}

bool CSoftwareActivation::Write()
{
    MutablePendingWrites().clear();
    return false;
}

bool CSoftwareActivation::SendNextWrite()
{
    return false;
}

bool CSoftwareActivation::Activate(const QByteArray& name)
{
    if (GetOperationState() == kReading)
        return false;
    if (GetOperationState() == kWriting)
        return true;
    if (name.size() > kMaxActivateName)
        return false;
    auto request = std::make_unique<CDeviceMessage>();
    request->AppendByte(kCommandClass);
    request->AppendByte(kAddress);
    request->AppendByte(kOpActivate);
    request->AppendByte(static_cast<std::uint8_t>(name.size() + 1));
    request->AppendBytes(name.constData(), static_cast<std::int32_t>(name.size()));
    request->AppendByte(0);
    errorText_ = LoadResString(kSendingProblem);
    SetOperationState(kWriting);
    Channel().Send(std::move(request));
    return true;
}

bool CSoftwareActivation::StoreValue(std::uint16_t, const Value&)
{
    return false; // no parameter reads
}

void CSoftwareActivation::OnRequestLost(MsgLParam header)
{
    if (GetOperationState() != kIdle)
        qCWarning(lcFirmware, "activation: request %02X %02X %02X failed",
                  static_cast<unsigned>((header >> 16) & 0xFF), static_cast<unsigned>((header >> 8) & 0xFF),
                  static_cast<unsigned>(header & 0xFF));
    FailOperation();
}

void CSoftwareActivation::OnUnitReply(const CDeviceMessage& reply)
{
    std::int32_t messageClass = 0, address = 0, opcode = 0;
    if (!reply.GetByte(0, messageClass) || !reply.GetByte(1, address) || !reply.GetByte(2, opcode) ||
        address != kAddress)
        return;
    if (opcode == kNegativeAck) {
        // The unit refused the request: waiting on would leave the dialog
        // hanging with nothing to tell the user.
        qCWarning(lcFirmware, "activation: the unit refused the request (negative acknowledgement)");
        FailOperation();
        return;
    }
    if (messageClass != kCommandClass)
        return;
    if (opcode == kOpNamesReply && GetOperationState() == kReading)
        ParseNames(reply);
    else if (opcode == kOpActivateReply && GetOperationState() == kWriting)
        ParseActivateResult(reply);
}

void CSoftwareActivation::ParseNames(const CDeviceMessage& reply)
{
    // A malformed reply changes neither name; a bank whose state tells
    // nothing keeps its name.
    const auto names = Protocol::FirmwareNamesOf(reply.Bytes());
    if (!names) {
        qCWarning(lcFirmware, "activation: malformed bank names reply: %d bytes", reply.GetLength());
        FailOperation();
        return;
    }
    if (names->active)
        activeName_ = QByteArray::fromStdString(*names->active);
    if (names->inactive)
        inactiveName_ = QByteArray::fromStdString(*names->inactive);
    SetOperationState(kIdle);
    NotifyWindows(WM_ACTIVATION_READ_DONE, 1);
}

void CSoftwareActivation::ParseActivateResult(const CDeviceMessage& reply)
{
    const auto result = Protocol::ActivateResultOf(reply.Bytes());
    if (!result) {
        qCWarning(lcFirmware, "activation: malformed activation reply: %d bytes", reply.GetLength());
        FailOperation(); // with the sending-problem text Activate set
        return;
    }
    SetOperationState(kIdle);
    if (*result == 0) {
        NotifyWindows(WM_ACTIVATION_DONE, 1);
        return;
    }
    errorText_ = QString::asprintf(kActivationRefused, static_cast<unsigned>(*result));
    qCWarning(lcFirmware, "activation refused: result %04X", static_cast<unsigned>(*result));
    NotifyWindows(WM_ACTIVATION_DONE, 0);
}
