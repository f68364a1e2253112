#pragma once
// The common part of every group of unit parameters: the identifier lists,
// the request builders, the hand-over to the communication handler, the reply
// skeleton, the notices to the windows that show the group, and the progress
// bar. A group declares its addressing byte, identifiers and notices in its
// constructor and fills in how its values are decoded and encoded.

#include "data/RequestChannel.h"
#include "link/DeviceMessage.h"
#include "platform/MessageTarget.h"

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

class IProgressBar;

class CDataClass : public CMessageTarget, private IReplyListener {
    Q_OBJECT
public:
    enum OperationState { kIdle = 0, kReading = 1, kWriting = 2 };

    // The pseudo-identifier WriteWithLeadingCommand puts before the writes.
    static constexpr std::uint16_t kLeadingCommand = 0xFFFF;

    struct Notices {
        unsigned readDone = 0;
        unsigned writeDone = 0;
    };

    CDataClass(std::uint8_t address, Notices notices);
    ~CDataClass() override;

    // Start reading the pending reads: false when no unit is connected or a
    // write runs; true when a read runs already or was started.
    virtual bool Read();
    // Send the request for the first pending read, or finish the read.
    virtual bool SendNextRead();
    // Start writing the pending writes: false when no unit is connected or a
    // read runs; true when a write runs already or was started.
    virtual bool Write();
    // Encode and send the first pending write, or finish the write.
    virtual bool SendNextWrite();

    void AddReadIds(std::span<const std::uint16_t> ids);
    void AddWriteIds(std::span<const std::uint16_t> ids);
    void AddPendingWrite(std::uint16_t id);
    bool ReadIds(std::span<const std::uint16_t> ids);
    bool WriteIds(std::span<const std::uint16_t> ids);
    bool ReadAll();
    bool WriteAll();
    bool WriteWithLeadingCommand();

    void SendReadRequest(std::uint16_t id);
    void SendCommand(std::uint16_t commandId);
    // False (and nothing sent) for a value longer than the 8-bit length allows.
    bool SendWriteRequest(std::uint16_t id, const CDeviceMessage& value);

    void AddWindow(CMessageTarget* window) { channel_.AddWindow(window); }
    void NotifyWindows(unsigned message, std::uint16_t result) { channel_.NotifyWindows(message, result); }
    void Register() { channel_.Register(); }
    void Unregister() { channel_.Unregister(); }
    [[nodiscard]] CRequestChannel& Channel() { return channel_; }
    [[nodiscard]] bool IsConnected() const;

    void ShowProgress(int count);
    void StepProgress();
    void HideProgress();

    [[nodiscard]] std::uint8_t GetAddress() const { return address_; }
    [[nodiscard]] int GetOperationState() const { return state_; }
    [[nodiscard]] const std::vector<std::uint16_t>& PendingReads() const { return pendingReads_; }
    [[nodiscard]] const std::vector<std::uint16_t>& PendingWrites() const { return pendingWrites_; }

protected:
    // Where a reply's value lies within the message.
    struct Value {
        const CDeviceMessage& message;
        std::int32_t offset;
        std::int32_t length;
    };

    // Stores the value of a successful read; false marks the reply malformed
    // and fails the read.
    virtual bool StoreValue(std::uint16_t id, const Value& value) = 0;
    // Sends the request for one pending write: by default the encoded value
    // as a write request; groups with command pseudo-identifiers send those
    // as commands. False fails the write.
    virtual bool SendPendingWrite(std::uint16_t id);
    // Encodes the value of a pending write; false fails the write.
    virtual bool EncodeValue(std::uint16_t id, CDeviceMessage& value);
    // A read reply with a non-zero status: true takes the identifier as read
    // (the group sets what it shows instead), false fails the read.
    virtual bool AcceptReadStatus(std::uint16_t id, int status);

    // The skeleton's parsers; groups with replies of their own override them
    // and fall back to these.
    virtual void ParseReadReply(const CDeviceMessage& reply);
    virtual void ParseWriteReply(const CDeviceMessage& reply);

    // Ends the running read or write as failed (result 0).
    void FailOperation();
    void SetOperationState(int state) { state_ = state; }
    std::vector<std::uint16_t>& MutablePendingReads() { return pendingReads_; }
    std::vector<std::uint16_t>& MutablePendingWrites() { return pendingWrites_; }
    [[nodiscard]] const Notices& GetNotices() const { return notices_; }

    MsgResult OnMessage(unsigned message, MsgWParam wParam, MsgLParam lParam) override;

private:
    // Replies and this group's own lost requests, from its channel; a lost
    // request ends the running operation.
    void OnUnitReply(const CDeviceMessage& reply) override;
    void OnRequestLost(MsgLParam header) override;

    std::uint8_t address_;
    Notices notices_;
    CRequestChannel channel_{*this, *this};
    std::vector<std::uint16_t> readList_;
    std::vector<std::uint16_t> writeList_;
    std::vector<std::uint16_t> pendingReads_;
    std::vector<std::uint16_t> pendingWrites_;
    std::unique_ptr<IProgressBar> progress_;
    int state_ = kIdle;
};
