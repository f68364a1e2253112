#include "software/SoftwareModule.h"

#include "software/Crc16.h"

#include <QBuffer>

#include <gtest/gtest.h>

namespace {

void PutLe32(QByteArray& bytes, int offset, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[offset + i] = static_cast<char>(value >> (8 * i));
}

QByteArray Body(int size)
{
    QByteArray body(size, '\0');
    for (int i = 0; i < size; ++i)
        body[i] = static_cast<char>((i * 37 + 11) & 0xFF);
    return body;
}

// A 120-byte header whose size takes all three reads: the first 44 bytes call
// for 104 (offset 60 + 44), and the length stored at 100 then adds 16.
QByteArray SampleImage(int bodySize)
{
    QByteArray header(120, '\x11');
    PutLe32(header, 32, 0);
    PutLe32(header, 36, 0);
    PutLe32(header, 40, 60);
    PutLe32(header, 100, 16);
    const QByteArray body = Body(bodySize);
    PutLe32(header, 0, Crc16Xmodem(0, body.constData(), static_cast<std::size_t>(body.size())));
    return header + body;
}

struct SOpenImage {
    explicit SOpenImage(QByteArray content) : bytes(std::move(content)), buffer(&bytes)
    {
        buffer.open(QIODevice::ReadOnly);
    }
    QByteArray bytes;
    QBuffer buffer;
};

ESoftwareFileResult HeaderResult(const QByteArray& bytes)
{
    SOpenImage image(bytes);
    CSoftwareModule module;
    return module.ReadHeader(image.buffer);
}

} // namespace

TEST(Crc16, CheckValueAndChunkingMatchOneShot)
{
    EXPECT_EQ(Crc16Xmodem(0, "123456789", 9), 0x31C3);
    EXPECT_EQ(Crc16Xmodem(0, "", 0), 0);

    const QByteArray data = Body(1000);
    const std::uint16_t whole = Crc16Xmodem(0, data.constData(), 1000);
    for (int split : {1, 128, 228, 999}) {
        const std::uint16_t first = Crc16Xmodem(0, data.constData(), static_cast<std::size_t>(split));
        EXPECT_EQ(Crc16Xmodem(first, data.constData() + split, static_cast<std::size_t>(1000 - split)), whole);
    }
    for (int chunk : {1, 128, 228, 256, 4096}) {
        SOpenImage device(data);
        EXPECT_EQ(Crc16XmodemOfDevice(device.buffer, 0, chunk), whole) << chunk;
        EXPECT_EQ(Crc16XmodemOfDevice(device.buffer, 10, chunk),
                  Crc16Xmodem(0, data.constData() + 10, 990)) << chunk;
    }
    SOpenImage device(data);
    EXPECT_FALSE(Crc16XmodemOfDevice(device.buffer, 0, 0));
    EXPECT_FALSE(Crc16XmodemOfDevice(device.buffer, -1, 128));
}

TEST(SoftwareModule, HeaderSizeIsTheLargestOfTheThreeLengths)
{
    EXPECT_EQ(CSoftwareModule::HeaderSizeOf(QByteArray(10, '\0')), 44U);
    QByteArray held(44, '\0');
    EXPECT_EQ(CSoftwareModule::HeaderSizeOf(held), 48U);
    PutLe32(held, 32, 100);
    EXPECT_EQ(CSoftwareModule::HeaderSizeOf(held), 148U);
    // Offsets whose stored length is not held yet count that length as 0.
    PutLe32(held, 36, 200);
    EXPECT_EQ(CSoftwareModule::HeaderSizeOf(held), 240U);
    PutLe32(held, 40, 300);
    EXPECT_EQ(CSoftwareModule::HeaderSizeOf(held), 344U);
    held.append(QByteArray(344 - held.size(), '\0')); // zero-filled, unlike resize
    PutLe32(held, 236, 1000); // at (value at 36) + 36
    EXPECT_EQ(CSoftwareModule::HeaderSizeOf(held), 1240U);
    PutLe32(held, 340, 2000); // at (value at 40) + 40
    EXPECT_EQ(CSoftwareModule::HeaderSizeOf(held), 2344U);
    // Stored lengths near 4 GiB must not wrap to a small size.
    PutLe32(held, 32, 0xFFFFFFFFU);
    EXPECT_EQ(CSoftwareModule::HeaderSizeOf(held), 0xFFFFFFFFULL + 48);
}

TEST(SoftwareModule, ReadsAHeaderInThreeStepsAndVerifiesTheRest)
{
    SOpenImage image(SampleImage(1500));
    CSoftwareModule module;
    ASSERT_EQ(module.ReadHeader(image.buffer), ESoftwareFileResult::Ok);
    EXPECT_EQ(module.GetHeaderSize(), 120);
    EXPECT_EQ(image.buffer.pos(), 120);
    EXPECT_EQ(module.GetHeader(), image.bytes.left(120));
    const QByteArray body = image.bytes.mid(120);
    EXPECT_EQ(module.GetStoredChecksum(), Crc16Xmodem(0, body.constData(), 1500));

    for (int chunk : {128, 228, 256}) {
        EXPECT_EQ(module.VerifyChecksum(image.buffer, chunk), ESoftwareFileResult::Ok);
        EXPECT_EQ(image.buffer.pos(), 0);
    }
}

TEST(SoftwareModule, DetectsACorruptImage)
{
    QByteArray bytes = SampleImage(600);
    bytes[700] = static_cast<char>(bytes[700] ^ 0x01);
    SOpenImage image(bytes);
    CSoftwareModule module;
    ASSERT_EQ(module.ReadHeader(image.buffer), ESoftwareFileResult::Ok);
    EXPECT_EQ(module.VerifyChecksum(image.buffer, kDefaultChecksumChunkSize), ESoftwareFileResult::ChecksumMismatch);
    // Upper checksum bits set can never match a 16-bit checksum.
    QByteArray high = SampleImage(600);
    high[3] = '\x01';
    SOpenImage other(high);
    ASSERT_EQ(module.ReadHeader(other.buffer), ESoftwareFileResult::Ok);
    EXPECT_EQ(module.VerifyChecksum(other.buffer, kDefaultChecksumChunkSize), ESoftwareFileResult::ChecksumMismatch);
}

TEST(SoftwareModule, RefusesImagesShorterThanTheirHeader)
{
    EXPECT_EQ(HeaderResult({}), ESoftwareFileResult::ZeroLength);
    EXPECT_EQ(HeaderResult(QByteArray(30, '\0')), ESoftwareFileResult::Truncated);
    const QByteArray sample = SampleImage(0);
    EXPECT_EQ(HeaderResult(sample), ESoftwareFileResult::Ok); // header only, empty rest
    EXPECT_EQ(HeaderResult(sample.left(100)), ESoftwareFileResult::Truncated); // short in the 2nd read
    EXPECT_EQ(HeaderResult(sample.left(119)), ESoftwareFileResult::Truncated); // short in the 3rd read
    // A corrupt length is refused from the file size, not by trying to read gigabytes.
    QByteArray huge = sample;
    PutLe32(huge, 32, 0xFFFFFF00U);
    EXPECT_EQ(HeaderResult(huge), ESoftwareFileResult::Truncated);
}
