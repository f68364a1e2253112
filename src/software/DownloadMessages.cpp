#include "software/DownloadMessages.h"

#include <algorithm>
#include <limits>

namespace {

constexpr std::string_view kTransferStartText = "M:17,2,5";
constexpr std::uint8_t kTransferStartRecord = 0x31;
constexpr std::uint16_t kTransferStartFieldsLength = 20;
constexpr int kSoftwareNameField = 12;
constexpr std::int32_t kBlockHeaderSize = 7;

CDeviceMessage BlockTransferHeader(std::uint16_t destination, std::uint16_t packetLength)
{
    CDeviceMessage message;
    message.AppendByte(kDownloadClass);
    message.AppendByte(kDownloadAddressing);
    message.AppendByte(kBlockTransferType);
    message.AppendUInt16(destination);
    message.AppendUInt16(packetLength);
    return message;
}

} // namespace

std::optional<CDeviceMessage> BuildTextCommand(std::string_view text)
{
    if (text.size() > std::numeric_limits<std::uint8_t>::max())
        return std::nullopt;
    CDeviceMessage message;
    message.AppendByte(kDownloadClass);
    message.AppendByte(kDownloadAddressing);
    message.AppendByte(kTextCommandType);
    message.AppendByte(static_cast<std::uint8_t>(text.size()));
    message.AppendString(text);
    return message;
}

std::optional<CDeviceMessage> BuildTransferStart(const STransferStart& start)
{
    const QByteArray name = start.softwareName.toLatin1();
    if (name.size() >= kSoftwareNameField || name.contains('\0'))
        return std::nullopt;

    CDeviceMessage body;
    body.AppendString(kTransferStartText);
    body.AppendByte(kTransferStartRecord);
    body.AppendUInt16(kTransferStartFieldsLength);
    body.AppendUInt16(start.unitAddress);
    body.AppendByte(0x01);
    body.AppendByte(start.remote ? 'R' : 'I');
    body.AppendBytes(name.constData(), static_cast<std::int32_t>(name.size()));
    for (auto i = name.size(); i < kSoftwareNameField; ++i)
        body.AppendByte(0);
    body.AppendUInt32(start.resumeOffset);
    body.AppendByte(0x0D);

    CDeviceMessage message;
    message.AppendByte(kDownloadClass);
    message.AppendByte(kDownloadAddressing);
    message.AppendByte(kTextCommandType);
    message.AppendByte(static_cast<std::uint8_t>(body.GetLength()));
    message.AppendMessage(body);
    return message;
}

std::optional<CDeviceMessage> BuildWriteRequest(std::uint16_t destination, const QString& fileName)
{
    const QByteArray name = fileName.toLatin1();
    if (name.isEmpty() || name.contains('\0'))
        return std::nullopt;

    CDeviceMessage packet;
    packet.AppendUInt16(kTftpWriteRequest);
    packet.AppendString(std::string_view(name.constData(), static_cast<std::size_t>(name.size())));
    packet.AppendString("octet");
    packet.AppendString("blksize");
    packet.AppendString("506");
    if (packet.GetLength() > std::numeric_limits<std::uint16_t>::max() - kBlockHeaderSize)
        return std::nullopt;

    CDeviceMessage message = BlockTransferHeader(destination, static_cast<std::uint16_t>(packet.GetLength()));
    message.AppendMessage(packet);
    return message;
}

std::optional<CDeviceMessage> BuildDataBlock(std::uint16_t destination, std::uint16_t blockNumber,
                                             const QByteArray& data)
{
    if (blockNumber == 0 || data.size() > kTftpBlockSize)
        return std::nullopt;
    const auto packetLength = static_cast<std::uint16_t>(4 + data.size());
    CDeviceMessage message = BlockTransferHeader(destination, packetLength);
    message.AppendUInt16(kTftpData);
    message.AppendUInt16(blockNumber);
    message.AppendBytes(data.constData(), static_cast<std::int32_t>(data.size()));
    return message;
}

std::int32_t STransferPlan::BlockSize(std::uint16_t block) const
{
    if (block == 0 || block > BlockCount())
        return 0;
    const std::int64_t remaining = length - BlockOffset(block);
    return static_cast<std::int32_t>(std::min<std::int64_t>(remaining, kTftpBlockSize));
}
