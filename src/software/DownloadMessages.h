#pragma once
// The requests of the firmware download as device messages: the text commands,
// the transfer start command, and the block transfer (TFTP write request and
// data blocks, 506-byte blocks). Pure builders; sending them is the caller's job.

#include "link/DeviceMessage.h"
#include "protocol/Vocabulary.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>
#include <string_view>

constexpr std::uint8_t kDownloadClass = Protocol::Class::kDownload;
constexpr std::uint8_t kDownloadAddressing = Protocol::Address::kDownload;
constexpr std::uint8_t kTextCommandType = Protocol::Op::kDownloadText;
constexpr std::uint8_t kBlockTransferType = Protocol::Op::kDownloadData;
constexpr std::uint16_t kTftpWriteRequest = 2;
constexpr std::uint16_t kTftpData = 3;
constexpr std::int32_t kTftpBlockSize = 506;
constexpr std::uint16_t kDefaultMulticastAddress = 0x0083;
constexpr const char* kImageTransferName = "SWDownload0";

// Block numbers are 16 bits and start at 1; a transfer of n bytes takes
// n / 506 + 1 blocks (the last short or empty), so this is the most one
// transfer can carry without the block number wrapping.
constexpr std::int64_t kMaxTransferBytes = std::int64_t{kTftpBlockSize} * 0xFFFF - 1;

namespace DownloadCommand {
inline constexpr std::string_view kStart = "M:17,2,1\r";
inline constexpr std::string_view kVersionCheck = "M:17,2,2\r";
inline constexpr std::string_view kEnd = "M:17,2,4\r";
inline constexpr std::string_view kFinalStatus = "M:17,3,0\r";
inline constexpr std::string_view kStatusQuery = "M:17,3,1";
} // namespace DownloadCommand

// 0x85 0x11 0x95, the text's length, the text, a zero byte. Empty for a text
// longer than 255 characters.
std::optional<CDeviceMessage> BuildTextCommand(std::string_view text);

struct STransferStart {
    std::uint16_t unitAddress = 0;
    bool remote = false;
    QString softwareName;      // at most 11 characters
    std::uint32_t resumeOffset = 0;
};
// The "M:17,2,5" command that starts or resumes the image transfer. Empty when
// the software name does not fit its 12-byte zero-terminated field.
std::optional<CDeviceMessage> BuildTransferStart(const STransferStart& start);

// A TFTP write request for fileName in octet mode with a block size of 506.
// Empty when the name is empty or the packet would not fit its 16-bit length.
std::optional<CDeviceMessage> BuildWriteRequest(std::uint16_t destination, const QString& fileName);

// A TFTP data block carrying at most 506 bytes; empty when data is longer or
// blockNumber is 0.
std::optional<CDeviceMessage> BuildDataBlock(std::uint16_t destination, std::uint16_t blockNumber,
                                             const QByteArray& data);

// Block numbering of one transfer of length bytes (from the resume offset on).
struct STransferPlan {
    std::int64_t length = 0;

    // One block more than the full ones: the last is short, or empty when the
    // length is a multiple of 506.
    [[nodiscard]] std::int64_t BlockCount() const { return length / kTftpBlockSize + 1; }
    [[nodiscard]] bool EndsWithEmptyBlock() const { return length % kTftpBlockSize == 0; }
    [[nodiscard]] bool FitsBlockNumbers() const { return length >= 0 && length <= kMaxTransferBytes; }
    // Offset and size of block n (1-based) within the transfer.
    [[nodiscard]] std::int64_t BlockOffset(std::uint16_t block) const
    {
        return (std::int64_t{block} - 1) * kTftpBlockSize;
    }
    [[nodiscard]] std::int32_t BlockSize(std::uint16_t block) const;
};
