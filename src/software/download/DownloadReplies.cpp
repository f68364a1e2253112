#include "software/download/DownloadReplies.h"

#include "protocol/Vocabulary.h"
#include "software/DownloadMessages.h"

namespace DownloadReply {
namespace {

constexpr std::uint8_t kTftpReplyType = Protocol::Op::kDownloadDataReply;
constexpr std::uint8_t kTextReplyType = Protocol::Op::kDownloadTextReply;
constexpr std::uint8_t kBroadcastAddressing = 0x00;
constexpr std::int32_t kTextAt = 3;
constexpr std::string_view kTransferStartText = "M:17,2,5";

// TFTP reply: packet length at 3, then a byte not examined, the packet at 6.
constexpr std::int32_t kTftpLengthAt = 3;
constexpr std::int32_t kTftpPacketAt = 6;
constexpr std::int32_t kTftpMinPacket = 4;

// Status blocks of the text replies.
constexpr std::int32_t kRecordAt = 11;
constexpr std::int32_t kRecordMark = 0x0031;
constexpr std::int32_t kBlockLengthAt = 13;
constexpr std::int32_t kStatusAt = 15;
constexpr std::int32_t kVersionResultAt = 20;
constexpr std::int32_t kBytesHeldAt = 17;

constexpr std::int32_t kEchoLength = 12;
constexpr std::int32_t kVersionLength = 24;
constexpr std::int32_t kFinalStatusLength = 18;
constexpr std::int32_t kStatusQueryLength = 22;
constexpr std::int32_t kTransferStartLength = 17;

// Parameter read reply watched for the multicast address.
constexpr std::uint8_t kParameterClass = Protocol::Class::kParameter;
constexpr std::uint8_t kReadReply = Protocol::Op::kReadReply;
constexpr std::int32_t kMulticastParameter = 0xD002;

bool Holds(const CDeviceMessage& reply, std::int32_t offset, std::int32_t size)
{
    return offset >= 0 && size >= 0 && std::int64_t{offset} + size <= reply.GetLength();
}

// The bytes at offset equal text (and, with zero, a terminating zero byte).
bool HoldsText(const CDeviceMessage& reply, std::int32_t offset, std::string_view text, bool zero = false)
{
    const auto size = static_cast<std::int32_t>(text.size());
    if (!Holds(reply, offset, size + (zero ? 1 : 0)))
        return false;
    for (std::int32_t i = 0; i < size; ++i)
        if (reply.GetData()[offset + i] != static_cast<std::uint8_t>(text[static_cast<std::size_t>(i)]))
            return false;
    return !zero || reply.GetData()[offset + size] == 0;
}

// A status reply: the eight characters of the command, the 0x0031 mark and
// the length of the block that follows.
bool HasStatusBlock(const CDeviceMessage& reply, std::int32_t length, std::string_view command,
                    std::int32_t blockLength)
{
    std::int32_t mark = 0, block = 0;
    return reply.GetLength() == length && HoldsText(reply, kTextAt, command) &&
           reply.GetUInt16(kRecordAt, mark) && mark == kRecordMark && reply.GetUInt16(kBlockLengthAt, block) &&
           block == blockLength;
}

std::string_view WithoutReturn(std::string_view command)
{
    if (!command.empty() && command.back() == '\r')
        command.remove_suffix(1);
    return command;
}

} // namespace

EKind KindOf(const CDeviceMessage& reply)
{
    std::int32_t messageClass = 0, addressing = 0, type = 0;
    if (!reply.GetByte(0, messageClass) || !reply.GetByte(1, addressing) || messageClass != kDownloadClass ||
        (addressing != kDownloadAddressing && addressing != kBroadcastAddressing))
        return EKind::NotDownload;
    if (!reply.GetByte(2, type))
        return EKind::Unknown;
    if (type == kTftpReplyType)
        return EKind::Tftp;
    if (type == kTextReplyType)
        return EKind::Text;
    return EKind::Unknown;
}

std::optional<STftp> ReadTftp(const CDeviceMessage& reply)
{
    std::int32_t length = 0;
    if (!reply.GetUInt16(kTftpLengthAt, length) || length < kTftpMinPacket ||
        !Holds(reply, kTftpPacketAt, length))
        return std::nullopt;
    STftp packet;
    reply.GetUInt16(kTftpPacketAt, packet.opcode);
    reply.GetUInt16(kTftpPacketAt + 2, packet.block);
    return packet;
}

bool IsEchoOf(const CDeviceMessage& reply, std::string_view command)
{
    return reply.GetLength() == kEchoLength && HoldsText(reply, kTextAt, command);
}

std::optional<int> ReadVersionResult(const CDeviceMessage& reply)
{
    std::int32_t status = 0, result = 0;
    if (!HasStatusBlock(reply, kVersionLength, WithoutReturn(DownloadCommand::kVersionCheck), 8) ||
        !HoldsText(reply, kTextAt, WithoutReturn(DownloadCommand::kVersionCheck), true) ||
        !reply.GetUInt16(kStatusAt, status) || status != 0 || !reply.GetUInt16(kVersionResultAt, result))
        return std::nullopt;
    return result;
}

std::optional<int> ReadFinalStatus(const CDeviceMessage& reply)
{
    std::int32_t status = 0;
    if (!HasStatusBlock(reply, kFinalStatusLength, WithoutReturn(DownloadCommand::kFinalStatus), 2) ||
        !reply.GetUInt16(kStatusAt, status))
        return std::nullopt;
    return status;
}

std::optional<SHeld> ReadStatusQuery(const CDeviceMessage& reply)
{
    SHeld held;
    if (!HasStatusBlock(reply, kStatusQueryLength, DownloadCommand::kStatusQuery, 6) ||
        !reply.GetUInt16(kStatusAt, held.status) || !reply.GetUInt32(kBytesHeldAt, held.bytesHeld))
        return std::nullopt;
    return held;
}

std::optional<int> ReadTransferStart(const CDeviceMessage& reply)
{
    std::int32_t status = 0;
    if (reply.GetLength() != kTransferStartLength || !HoldsText(reply, kTextAt, kTransferStartText) ||
        !reply.GetByte(kStatusAt, status))
        return std::nullopt;
    return status;
}

std::optional<std::uint16_t> ReadMulticastAddress(const CDeviceMessage& reply)
{
    std::int32_t messageClass = 0, addressing = 0, opcode = 0, id = 0, length = 0, status = 0, value = 0;
    if (!reply.GetByte(0, messageClass) || messageClass != kParameterClass || !reply.GetByte(1, addressing) ||
        addressing != kDownloadAddressing || !reply.GetByte(2, opcode) || opcode != kReadReply)
        return std::nullopt;
    if (!reply.GetUInt16(5, id) || id != kMulticastParameter || !reply.GetByte(7, length) ||
        length != reply.GetLength() - 5 || !reply.GetByte(8, status) || status != 0 || !reply.GetUInt16(9, value))
        return std::nullopt;
    return static_cast<std::uint16_t>(value);
}

} // namespace DownloadReply
