#include "software/DownloadMessages.h"

#include <gtest/gtest.h>

namespace {

QByteArray Bytes(const std::optional<CDeviceMessage>& message)
{
    EXPECT_TRUE(message.has_value());
    if (!message)
        return {};
    return QByteArray(reinterpret_cast<const char*>(message->GetData()), message->GetLength());
}

QByteArray Image(int size)
{
    QByteArray image(size, '\0');
    for (int i = 0; i < size; ++i)
        image[i] = static_cast<char>(i * 7);
    return image;
}

// Sends the whole image as the transfer does and returns the blocks.
std::vector<QByteArray> DataBlocks(const QByteArray& image)
{
    const STransferPlan plan{image.size()};
    std::vector<QByteArray> blocks;
    for (std::int64_t n = 1; n <= plan.BlockCount(); ++n) {
        const auto block = static_cast<std::uint16_t>(n);
        const QByteArray data = image.mid(plan.BlockOffset(block), plan.BlockSize(block));
        blocks.push_back(Bytes(BuildDataBlock(0x0083, block, data)));
    }
    return blocks;
}

} // namespace

TEST(DownloadMessages, TextCommands)
{
    EXPECT_EQ(Bytes(BuildTextCommand(DownloadCommand::kStart)),
              QByteArray("\x85\x11\x95\x09M:17,2,1\r", 13) + '\0');
    EXPECT_EQ(Bytes(BuildTextCommand(DownloadCommand::kStatusQuery)),
              QByteArray("\x85\x11\x95\x08M:17,3,1", 12) + '\0');
    for (auto text : {DownloadCommand::kVersionCheck, DownloadCommand::kEnd, DownloadCommand::kFinalStatus})
        EXPECT_EQ(Bytes(BuildTextCommand(text)).size(), 14);
    EXPECT_FALSE(BuildTextCommand(std::string(256, 'x')));
}

TEST(DownloadMessages, TransferStart)
{
    const STransferStart start{0x1234, true, "QORA R12", 0x00010203};
    const QByteArray expected = QByteArray("\x85\x11\x95\x21", 4) + QByteArray("M:17,2,5\0\x31\x00\x14", 12) +
                                QByteArray("\x12\x34\x01R", 4) + QByteArray("QORA R12\0\0\0\0", 12) +
                                QByteArray("\x00\x01\x02\x03\x0D", 5);
    EXPECT_EQ(Bytes(BuildTransferStart(start)), expected);

    const QByteArray local = Bytes(BuildTransferStart({1, false, "", 0}));
    EXPECT_EQ(local.size(), 37);
    EXPECT_EQ(local[19], 'I');
    EXPECT_FALSE(BuildTransferStart({1, false, "ABCDEFGHIJKL", 0})); // no room for the terminator
}

TEST(DownloadMessages, WriteRequest)
{
    const QByteArray packet = QByteArray("\x00\x02SWDownload0\0octet\0blksize\0" "506\0", 32);
    EXPECT_EQ(Bytes(BuildWriteRequest(kDefaultMulticastAddress, kImageTransferName)),
              QByteArray("\x85\x11\x8B\x00\x83\x00\x20", 7) + packet);
    EXPECT_FALSE(BuildWriteRequest(1, ""));
}

TEST(DownloadMessages, DataBlocksAreNumberedFromOneAndTheLastIsShort)
{
    const QByteArray image = Image(1100);
    const std::vector<QByteArray> blocks = DataBlocks(image);
    ASSERT_EQ(blocks.size(), 3U);
    EXPECT_EQ(blocks[0], QByteArray("\x85\x11\x8B\x00\x83\x01\xFE\x00\x03\x00\x01", 11) + image.left(506));
    EXPECT_EQ(blocks[2], QByteArray("\x85\x11\x8B\x00\x83\x00\x5C\x00\x03\x00\x03", 11) + image.mid(1012));
    EXPECT_FALSE(STransferPlan{1100}.EndsWithEmptyBlock());
}

TEST(DownloadMessages, ALengthThatIsAMultipleOf506EndsWithAnEmptyBlock)
{
    for (int k : {1, 2, 5}) {
        const QByteArray image = Image(506 * k);
        const STransferPlan plan{image.size()};
        EXPECT_TRUE(plan.EndsWithEmptyBlock());
        const std::vector<QByteArray> blocks = DataBlocks(image);
        ASSERT_EQ(blocks.size(), static_cast<std::size_t>(k + 1));
        QByteArray sent;
        for (int n = 0; n < k; ++n) {
            EXPECT_EQ(blocks[n].size(), 7 + 4 + 506);
            sent += blocks[n].mid(11);
        }
        EXPECT_EQ(sent, image);
        const auto last = static_cast<char>(k + 1);
        EXPECT_EQ(blocks.back(), QByteArray("\x85\x11\x8B\x00\x83\x00\x04\x00\x03\x00", 10) + last);
    }
}

TEST(DownloadMessages, RefusesBlocksTheTransferCannotCarry)
{
    EXPECT_FALSE(BuildDataBlock(1, 1, QByteArray(507, 'x')));
    EXPECT_FALSE(BuildDataBlock(1, 0, QByteArray(10, 'x')));
    EXPECT_TRUE(STransferPlan{kMaxTransferBytes}.FitsBlockNumbers());
    EXPECT_EQ(STransferPlan{kMaxTransferBytes}.BlockCount(), 0xFFFF);
    EXPECT_FALSE(STransferPlan{kMaxTransferBytes + 1}.FitsBlockNumbers());
}
