#include "data/DataClass.h"

#include "data/ProgressPane.h"
#include "link/AppHandler.h"
#include "link/CommHandler.h"
#include "platform/LogCategories.h"
#include "platform/MessageIds.h"
#include "protocol/Vocabulary.h"

#include <algorithm>

namespace {
constexpr std::uint8_t kParameterClass = Protocol::Class::kParameter;
constexpr std::uint8_t kOpRead = Protocol::Op::kRead;
constexpr std::uint8_t kOpReadReply = Protocol::Op::kReadReply;
constexpr std::uint8_t kOpCommand = Protocol::Op::kCommand;
constexpr std::uint8_t kOpWrite = Protocol::Op::kWrite;
constexpr std::uint8_t kOpWriteReply = Protocol::Op::kWriteReply;
constexpr std::uint8_t kNegativeAck = Protocol::Op::kNegativeAck;

// Read reply: identifier at 5, length byte at 7 (counting from offset 5 to
// the end), status at 8, value from 9.
constexpr std::int32_t kReadIdOffset = 5;
constexpr std::int32_t kReadLengthOffset = 7;
constexpr std::int32_t kReadStatusOffset = 8;
constexpr std::int32_t kReadValueOffset = 9;
constexpr std::int32_t kReadLengthBias = 5;
// Write reply: identifier at 3, status at 5.
constexpr std::int32_t kWriteIdOffset = 3;
constexpr std::int32_t kWriteStatusOffset = 5;

// The group's class, for the log: "CGPSData".
const char* GroupName(const QObject& group)
{
    return group.metaObject()->className();
}

bool Contains(const std::vector<std::uint16_t>& ids, std::uint16_t id)
{
    return std::find(ids.begin(), ids.end(), id) != ids.end();
}
} // namespace

CDataClass::CDataClass(std::uint8_t address, Notices notices) : address_(address), notices_(notices) {}

CDataClass::~CDataClass()
{
    HideProgress();
}

bool CDataClass::Read()
{
    if (!IsConnected())
        return false;
    if (state_ == kWriting)
        return false;
    if (state_ == kReading)
        return true;
    ShowProgress(static_cast<int>(pendingReads_.size()));
    return SendNextRead();
}

bool CDataClass::SendNextRead()
{
    if (!pendingReads_.empty()) {
        SendReadRequest(pendingReads_.front());
        StepProgress();
        state_ = kReading;
    } else {
        NotifyWindows(notices_.readDone, 1);
        HideProgress();
        state_ = kIdle;
    }
    return true;
}

bool CDataClass::Write()
{
    if (!IsConnected())
        return false;
    if (state_ == kReading)
        return false;
    if (state_ == kWriting)
        return true;
    ShowProgress(static_cast<int>(pendingWrites_.size()));
    return SendNextWrite();
}

bool CDataClass::SendNextWrite()
{
    if (pendingWrites_.empty()) {
        NotifyWindows(notices_.writeDone, 1);
        HideProgress();
        state_ = kIdle;
        return true;
    }
    state_ = kWriting;
    if (!SendPendingWrite(pendingWrites_.front())) {
        qCWarning(lcData, "%s: write of identifier %04X not sent: its value cannot be encoded", GroupName(*this),
                  static_cast<unsigned>(pendingWrites_.front()));
        FailOperation();
        return true;
    }
    StepProgress();
    return true;
}

bool CDataClass::SendPendingWrite(std::uint16_t id)
{
    CDeviceMessage value;
    return EncodeValue(id, value) && SendWriteRequest(id, value);
}

bool CDataClass::EncodeValue(std::uint16_t, CDeviceMessage&)
{
    return false;
}

bool CDataClass::AcceptReadStatus(std::uint16_t, int)
{
    return false;
}

void CDataClass::AddReadIds(std::span<const std::uint16_t> ids)
{
    readList_.insert(readList_.end(), ids.begin(), ids.end());
}

void CDataClass::AddWriteIds(std::span<const std::uint16_t> ids)
{
    writeList_.insert(writeList_.end(), ids.begin(), ids.end());
}

void CDataClass::AddPendingWrite(std::uint16_t id)
{
    if (!Contains(pendingWrites_, id))
        pendingWrites_.push_back(id);
}

bool CDataClass::ReadIds(std::span<const std::uint16_t> ids)
{
    // A running operation keeps its list: replacing it would orphan the
    // outstanding reply and the read would never end.
    if (state_ == kIdle)
        pendingReads_.assign(ids.begin(), ids.end());
    return Read();
}

bool CDataClass::WriteIds(std::span<const std::uint16_t> ids)
{
    if (state_ == kIdle)
        pendingWrites_.assign(ids.begin(), ids.end());
    return Write();
}

bool CDataClass::ReadAll()
{
    const std::vector<std::uint16_t> ids = readList_;
    return ReadIds(ids);
}

bool CDataClass::WriteAll()
{
    const std::vector<std::uint16_t> ids = writeList_;
    return WriteIds(ids);
}

bool CDataClass::WriteWithLeadingCommand()
{
    if (state_ == kIdle)
        pendingWrites_.insert(pendingWrites_.begin(), kLeadingCommand);
    return Write();
}

void CDataClass::SendReadRequest(std::uint16_t id)
{
    auto request = std::make_unique<CDeviceMessage>();
    request->AppendByte(kParameterClass);
    request->AppendByte(address_);
    request->AppendByte(kOpRead);
    request->AppendByte(0x01);
    request->AppendByte(0x00);
    request->AppendUInt16(id);
    channel_.Send(std::move(request));
}

void CDataClass::SendCommand(std::uint16_t commandId)
{
    auto request = std::make_unique<CDeviceMessage>();
    request->AppendByte(kParameterClass);
    request->AppendByte(address_);
    request->AppendByte(kOpCommand);
    request->AppendUInt16(commandId);
    channel_.Send(std::move(request));
}

bool CDataClass::SendWriteRequest(std::uint16_t id, const CDeviceMessage& value)
{
    if (value.GetLength() > 0xFF)
        return false;
    auto request = std::make_unique<CDeviceMessage>();
    request->AppendByte(kParameterClass);
    request->AppendByte(address_);
    request->AppendByte(kOpWrite);
    request->AppendUInt16(id);
    request->AppendByte(static_cast<std::uint8_t>(value.GetLength()));
    request->AppendMessage(value);
    channel_.Send(std::move(request));
    return true;
}

bool CDataClass::IsConnected() const
{
    const CCommHandler* handler = AppCommHandler();
    return handler && ::IsConnected(handler->GetConnectionType());
}

void CDataClass::ShowProgress(int count)
{
    progress_ = CreateProgressBar();
    if (progress_)
        progress_->SetRange(count);
}

void CDataClass::StepProgress()
{
    if (!progress_)
        return;
    if (!progress_->IsVisible())
        progress_->SetVisible(true);
    progress_->Step();
}

void CDataClass::HideProgress()
{
    progress_.reset();
}

void CDataClass::OnRequestLost(MsgLParam header)
{
    if (state_ != kIdle)
        qCWarning(lcData, "%s: %s ends: request %02X %02X %02X failed", GroupName(*this),
                  state_ == kReading ? "read" : "write", static_cast<unsigned>((header >> 16) & 0xFF),
                  static_cast<unsigned>((header >> 8) & 0xFF), static_cast<unsigned>(header & 0xFF));
    FailOperation();
}

void CDataClass::FailOperation()
{
    if (state_ == kReading) {
        HideProgress();
        pendingReads_.clear();
        NotifyWindows(notices_.readDone, 0);
    } else if (state_ == kWriting) {
        HideProgress();
        pendingWrites_.clear();
        NotifyWindows(notices_.writeDone, 0);
    }
    state_ = kIdle;
}

MsgResult CDataClass::OnMessage(unsigned message, MsgWParam wParam, MsgLParam lParam)
{
    if (message == WM_DEVICE_MESSAGE)
        channel_.Dispatch(wParam, lParam);
    return 0;
}

void CDataClass::OnUnitReply(const CDeviceMessage& reply)
{
    std::int32_t messageClass = 0, address = 0, opcode = 0;
    if (!reply.GetByte(0, messageClass) || !reply.GetByte(1, address) || !reply.GetByte(2, opcode) ||
        address != address_)
        return;
    if (opcode == kNegativeAck) {
        if (state_ != kIdle)
            qCWarning(lcData, "%s: the unit refused a request of class %02X (negative acknowledgement)",
                      GroupName(*this), static_cast<unsigned>(messageClass));
        FailOperation();
        return;
    }
    if (state_ == kReading)
        ParseReadReply(reply);
    else if (state_ == kWriting)
        ParseWriteReply(reply);
}

void CDataClass::ParseReadReply(const CDeviceMessage& reply)
{
    std::int32_t messageClass = 0, opcode = 0;
    reply.GetByte(0, messageClass);
    reply.GetByte(2, opcode);
    if (messageClass != kParameterClass || opcode != kOpReadReply)
        return;
    std::int32_t length = 0, id = 0, status = 0;
    if (!reply.GetByte(kReadLengthOffset, length) || reply.GetLength() != length + kReadLengthBias ||
        !reply.GetByte(kReadStatusOffset, status)) {
        qCWarning(lcData, "%s: malformed read reply 84 %02X 18: %d bytes, length byte %d", GroupName(*this),
                  static_cast<unsigned>(address_), reply.GetLength(), length);
        FailOperation();
        return;
    }
    reply.GetUInt16(kReadIdOffset, id);
    if (pendingReads_.empty() || id != pendingReads_.front())
        return;
    if (status != 0) {
        if (!AcceptReadStatus(static_cast<std::uint16_t>(id), status)) {
            qCWarning(lcData, "%s: read of identifier %04X answered with status %d", GroupName(*this),
                      static_cast<unsigned>(id), status);
            FailOperation();
            return;
        }
    } else {
        const Value value{reply, kReadValueOffset, reply.GetLength() - kReadValueOffset};
        if (!StoreValue(static_cast<std::uint16_t>(id), value)) {
            qCWarning(lcData, "%s: malformed value of identifier %04X: %d bytes", GroupName(*this),
                      static_cast<unsigned>(id), value.length);
            FailOperation();
            return;
        }
    }
    pendingReads_.erase(pendingReads_.begin());
    SendNextRead();
}

void CDataClass::ParseWriteReply(const CDeviceMessage& reply)
{
    std::int32_t messageClass = 0, opcode = 0;
    reply.GetByte(0, messageClass);
    reply.GetByte(2, opcode);
    if (messageClass != kParameterClass || opcode != kOpWriteReply)
        return;
    std::int32_t id = 0, status = 0;
    if (!reply.GetUInt16(kWriteIdOffset, id) || !reply.GetByte(kWriteStatusOffset, status)) {
        qCWarning(lcData, "%s: malformed write reply 84 %02X 06: %d bytes", GroupName(*this),
                  static_cast<unsigned>(address_), reply.GetLength());
        FailOperation();
        return;
    }
    if (pendingWrites_.empty() || id != pendingWrites_.front())
        return;
    if (status != 0) {
        qCWarning(lcData, "%s: write of identifier %04X refused with status %d", GroupName(*this),
                  static_cast<unsigned>(id), status);
        FailOperation();
        return;
    }
    pendingWrites_.erase(pendingWrites_.begin());
    SendNextWrite();
}
