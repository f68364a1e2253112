#include "sim/FirmwareReceiver.h"

#include "sim/TftpPacket.h"

#include <algorithm>
#include <string_view>

namespace sim {
namespace {

using Bytes = std::vector<std::uint8_t>;

// The commands as they arrive: the text and its terminating zero byte.
constexpr std::string_view kStart("M:17,2,1\r\0", 10);
constexpr std::string_view kVersionCheck("M:17,2,2\r\0", 10);
constexpr std::string_view kEnd("M:17,2,4\r\0", 10);
constexpr std::string_view kFinalStatus("M:17,3,0\r\0", 10);
constexpr std::string_view kStatusQuery("M:17,3,1\0", 9);
constexpr std::string_view kTransferStart("M:17,2,5\0", 9);

// The transfer start after its text: 0x31, length 20, unit address, 0x01,
// 'R' or 'I', software name (12), resume offset (32-bit), 0x0D.
constexpr std::size_t kTransferStartSize = 33;
constexpr std::uint16_t kTransferFieldsLength = 20;
constexpr std::size_t kResumeOffsetAt = 28;

constexpr std::uint16_t kStatusDone = 0;
constexpr std::uint16_t kStatusRefused = 1;
constexpr std::uint16_t kStatusBusy = 2;

constexpr std::uint16_t kVersionNew = 0;
constexpr std::uint16_t kVersionExists = 1;
constexpr std::uint16_t kVersionBusy = 2;
constexpr std::uint16_t kVersionBadMaster = 3;
constexpr std::uint16_t kVersionOlder = 4;

// Replies carry the command's eight characters first; the status block's
// fields follow at fixed places (the tool's offsets less its three bytes).
constexpr std::size_t kBlockTagAt = 8;    // 0x0031
constexpr std::size_t kBlockLengthAt = 10;
constexpr std::size_t kStatusAt = 12;
constexpr std::size_t kHeldAt = 14;
constexpr std::size_t kVersionResultAt = 17;

std::string_view AsText(std::span<const std::uint8_t> bytes)
{
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

void Put16(Bytes& out, std::size_t at, std::uint16_t value)
{
    out[at] = std::uint8_t(value >> 8);
    out[at + 1] = std::uint8_t(value);
}

// A reply of `size` bytes: the command's text, zeros elsewhere.
std::size_t BeginTextReply(Bytes& reply, std::string_view command, std::size_t size)
{
    const std::size_t start = reply.size();
    reply.resize(start + size, 0);
    std::copy_n(command.begin(), 8, reply.begin() + std::ptrdiff_t(start));
    return start;
}

void StatusReply(Bytes& reply, std::string_view command, std::size_t size, std::uint16_t blockLength,
                 std::uint16_t status)
{
    const std::size_t at = BeginTextReply(reply, command, size);
    Put16(reply, at + kBlockTagAt, 0x0031);
    Put16(reply, at + kBlockLengthAt, blockLength);
    Put16(reply, at + kStatusAt, status);
}

void Echo(Bytes& reply, std::string_view command)
{
    reply.insert(reply.end(), command.begin(), command.end() - 1); // without the zero byte
}

} // namespace

CFirmwareReceiver::CFirmwareReceiver(const FirmwareOptions& options, std::uint16_t q1Address)
    : options_(options), banks_(options.activeName, options.inactiveName),
      sink_(options.directory, options.fileStem.empty() ? QStringLiteral("unit-%1").arg(q1Address)
                                                        : QString::fromStdString(options.fileStem))
{
}

bool CFirmwareReceiver::TakeBusy(std::uint32_t& left)
{
    if (left == 0)
        return false;
    --left;
    return true;
}

CFirmwareReceiver::Result CFirmwareReceiver::HandleCommand(std::span<const std::uint8_t> request, Bytes& reply)
{
    const std::string_view text = AsText(request);
    if (text == kStart) {
        Start(reply);
    } else if (text == kVersionCheck) {
        VersionCheck(reply);
    } else if (text == kStatusQuery) {
        return StatusQuery(reply);
    } else if (text.starts_with(kTransferStart)) {
        TransferStart(request, reply);
    } else if (text == kEnd) {
        // Whatever was under way is over; what arrived of the image stays.
        incoming_ = Incoming::None;
        transferStarted_ = false;
        Echo(reply, kEnd);
    } else if (text == kFinalStatus) {
        FinalStatus(reply);
    } else {
        return {};
    }
    return {true};
}

void CFirmwareReceiver::Start(Bytes& reply)
{
    started_ = true;
    master_.clear();
    record_.reset();
    incoming_ = Incoming::None;
    transferStarted_ = false;
    // A complete image was consumed (or refused) by the download before.
    if (imageComplete_) {
        image_.clear();
        imageName_.clear();
        imageComplete_ = false;
    }
    verification_ = Verification::None;
    busyVersionCheck_ = options_.busyVersionCheck;
    busyStatusQuery_ = options_.busyStatusQuery;
    busyTransferStart_ = options_.busyTransferStart;
    busyFinalStatus_ = options_.busyFinalStatus;
    Echo(reply, kStart);
}

std::uint16_t CFirmwareReceiver::VersionResult() const
{
    if (!record_)
        return kVersionBadMaster;
    const std::string& name = record_->imageName;
    if (name == banks_.Active() || name == banks_.Inactive())
        return kVersionExists;
    // Older than every bank that holds something.
    const bool olderThanActive = banks_.Active().empty() || name < banks_.Active();
    const bool olderThanInactive = banks_.Inactive().empty() || name < banks_.Inactive();
    const bool anyBank = !banks_.Active().empty() || !banks_.Inactive().empty();
    return anyBank && olderThanActive && olderThanInactive ? kVersionOlder : kVersionNew;
}

void CFirmwareReceiver::VersionCheck(Bytes& reply)
{
    std::uint16_t result = kVersionBusy;
    if (!TakeBusy(busyVersionCheck_))
        result = options_.versionResult ? *options_.versionResult : VersionResult();
    StatusReply(reply, kVersionCheck, 21, 8, kStatusDone);
    Put16(reply, reply.size() - 21 + kVersionResultAt, result);
}

CFirmwareReceiver::Result CFirmwareReceiver::StatusQuery(Bytes& reply)
{
    Result result{true};
    std::uint16_t status = kStatusDone;
    if (verification_ == Verification::Busy) {
        if (pollsLeft_ > 0) {
            --pollsLeft_;
            status = kStatusBusy;
        } else {
            const bool good = record_ && !options_.checksumFailure && ImageChecksumMatches(image_);
            verification_ = good ? Verification::Done : Verification::Refused;
            if (good) {
                banks_.StoreDownloaded(record_->imageName);
                result.banksChanged = true;
            }
        }
    }
    if (verification_ == Verification::Refused)
        status = kStatusRefused;
    else if (verification_ == Verification::None && TakeBusy(busyStatusQuery_))
        status = kStatusBusy;

    StatusReply(reply, kStatusQuery, 19, 6, status);
    const std::size_t at = reply.size() - 19 + kHeldAt;
    const auto held = std::uint32_t(image_.size());
    Put16(reply, at, std::uint16_t(held >> 16));
    Put16(reply, at + 2, std::uint16_t(held));
    return result;
}

void CFirmwareReceiver::TransferStart(std::span<const std::uint8_t> request, Bytes& reply)
{
    std::uint16_t status = kStatusRefused;
    const bool wellFormed = request.size() == kTransferStartSize && request[9] == 0x31
        && (request[10] << 8 | request[11]) == kTransferFieldsLength && request.back() == 0x0D;
    if (wellFormed && TakeBusy(busyTransferStart_)) {
        status = kStatusBusy;
    } else if (wellFormed && !options_.refuseTransferStart && record_) {
        const std::uint32_t offset = std::uint32_t(request[kResumeOffsetAt]) << 24
            | std::uint32_t(request[kResumeOffsetAt + 1]) << 16 | std::uint32_t(request[kResumeOffsetAt + 2]) << 8
            | request[kResumeOffsetAt + 3];
        if (offset <= image_.size()) {
            image_.resize(offset);
            sink_.CutImage(offset);
            imageName_ = record_->imageName;
            imageComplete_ = false;
            verification_ = Verification::None;
            incoming_ = Incoming::None;
            transferStarted_ = true;
            status = kStatusDone;
        }
    }
    const std::size_t at = BeginTextReply(reply, kTransferStart, 14);
    reply[at + kStatusAt] = std::uint8_t(status);
}

void CFirmwareReceiver::FinalStatus(Bytes& reply)
{
    std::uint16_t status = verification_ == Verification::Done ? kStatusDone : kStatusRefused;
    if (TakeBusy(busyFinalStatus_))
        status = kStatusBusy;
    else
        started_ = false; // the download is over
    StatusReply(reply, kFinalStatus, 15, 2, status);
}

CFirmwareReceiver::Result CFirmwareReceiver::HandleTftp(std::span<const std::uint8_t> packet, Bytes& reply)
{
    switch (tftp::Opcode(packet)) {
    case tftp::kOpWriteRequest:
        WriteRequest(packet, reply);
        return {true};
    case tftp::kOpData:
        return Data(packet, reply);
    default:
        Refuse(reply, tftp::kErrorIllegalOperation, "illegal TFTP operation");
        return {true};
    }
}

void CFirmwareReceiver::Refuse(Bytes& reply, std::uint16_t code, std::string_view text)
{
    incoming_ = Incoming::None;
    tftp::AppendError(reply, code, text);
}

void CFirmwareReceiver::WriteRequest(std::span<const std::uint8_t> packet, Bytes& reply)
{
    const std::optional<std::string> name = tftp::WriteRequestFileName(packet);
    if (!name)
        return Refuse(reply, tftp::kErrorIllegalOperation, "malformed write request");
    if (*name == kImageFileName) {
        if (!transferStarted_)
            return Refuse(reply, tftp::kErrorAccessViolation, "no transfer started");
        transferStarted_ = false; // one write request per transfer start
        incoming_ = Incoming::Image;
    } else {
        if (!started_)
            return Refuse(reply, tftp::kErrorAccessViolation, "no download started");
        master_.clear();
        record_.reset();
        incoming_ = Incoming::Master;
    }
    lastBlock_ = 0;
    tftp::AppendAck(reply, 0);
}

CFirmwareReceiver::Result CFirmwareReceiver::Data(std::span<const std::uint8_t> packet, Bytes& reply)
{
    if (packet.size() < tftp::kDataHeader) {
        Refuse(reply, tftp::kErrorIllegalOperation, "short data packet");
        return {true};
    }
    if (incoming_ == Incoming::None) {
        Refuse(reply, tftp::kErrorUnknownTransfer, "no write request");
        return {true};
    }
    const auto block = std::uint16_t(packet[2] << 8 | packet[3]);
    const std::span<const std::uint8_t> data = packet.subspan(tftp::kDataHeader);
    if (block == lastBlock_ && lastBlock_ != 0) {
        tftp::AppendAck(reply, block); // a repeat of what is kept already
        return {true};
    }
    if (block != std::uint16_t(lastBlock_ + 1)) {
        Refuse(reply, tftp::kErrorIllegalOperation, "block out of sequence");
        return {true};
    }
    if (data.size() > tftp::kBlockSize) {
        Refuse(reply, tftp::kErrorIllegalOperation, "block longer than 506 bytes");
        return {true};
    }

    const bool image = incoming_ == Incoming::Image;
    if (image && options_.failAtBlock == block) {
        Refuse(reply, tftp::kErrorDiskFull, "flash write failed");
        return {true};
    }
    if (image && !breakDone_ && options_.breakAtBlock == block) {
        breakDone_ = true;
        incoming_ = Incoming::None; // the connection goes with this block
        return {false, false, true};
    }
    std::vector<std::uint8_t>& file = image ? image_ : master_;
    if (file.size() + data.size() > (image ? kMaxImage : kMaxMasterFile)) {
        Refuse(reply, tftp::kErrorDiskFull, "file too large");
        return {true};
    }
    file.insert(file.end(), data.begin(), data.end());
    if (image)
        sink_.AppendImage(data);
    lastBlock_ = block;

    if (data.size() < tftp::kBlockSize) {
        incoming_ = Incoming::None;
        if (image) {
            imageComplete_ = true;
            verification_ = Verification::Busy;
            pollsLeft_ = options_.verificationPolls;
        } else {
            MasterComplete();
        }
    }
    tftp::AppendAck(reply, block);
    return {true};
}

void CFirmwareReceiver::MasterComplete()
{
    sink_.WriteMaster(master_);
    record_ = ParseMasterFile(master_);
    // What is held of another image cannot be resumed by this download.
    if (record_ && record_->imageName != imageName_ && !image_.empty()) {
        image_.clear();
        imageComplete_ = false;
        sink_.CutImage(0);
    }
}

void CFirmwareReceiver::Restarted()
{
    started_ = false;
    incoming_ = Incoming::None;
    transferStarted_ = false;
    if (verification_ == Verification::Busy)
        verification_ = Verification::None;
}

} // namespace sim
