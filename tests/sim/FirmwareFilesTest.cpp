// The firmware files: the checksum and header rules the unit verifies with,
// the master file's record, and the sample generator program, whose files are
// read back here by the layout alone.

#include "sim/FirmwareFiles.h"
#include "sim/FirmwareSample.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

void Put32(Bytes& b, std::size_t at, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + std::size_t(i)] = std::uint8_t(v >> (8 * i));
}

std::uint32_t Get32(const Bytes& b, std::size_t at)
{
    return std::uint32_t(b[at]) | std::uint32_t(b[at + 1]) << 8 | std::uint32_t(b[at + 2]) << 16
        | std::uint32_t(b[at + 3]) << 24;
}

// Bit by bit, as the polynomial says; no table.
std::uint16_t SlowCrc(const Bytes& bytes, std::size_t from)
{
    std::uint16_t crc = 0;
    for (std::size_t i = from; i < bytes.size(); ++i) {
        crc ^= std::uint16_t(bytes[i] << 8);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 0x8000) ? std::uint16_t((crc << 1) ^ 0x1021) : std::uint16_t(crc << 1);
    }
    return crc;
}

std::string Text(const Bytes& b, std::size_t at, std::size_t width)
{
    std::string t(b.begin() + std::ptrdiff_t(at), b.begin() + std::ptrdiff_t(at + width));
    return t.substr(0, t.find('\0'));
}

Bytes ReadAll(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray data = file.readAll();
    return Bytes(data.begin(), data.end());
}

struct GenRun {
    int exitCode = -1;
    QString out;
    QString err;
};

GenRun RunGenerator(const QStringList& arguments)
{
    QProcess process;
    process.start(QStringLiteral(QORA_FIRMWARE_GEN_PATH), arguments);
    GenRun run;
    if (!process.waitForFinished(10000))
        return run;
    run.exitCode = process.exitCode();
    run.out = QString::fromLocal8Bit(process.readAllStandardOutput());
    run.err = QString::fromLocal8Bit(process.readAllStandardError());
    return run;
}

} // namespace

TEST(SimFirmwareFiles, Crc16XmodemCheckValue)
{
    const std::string check = "123456789";
    EXPECT_EQ(sim::Crc16Xmodem(Bytes(check.begin(), check.end())), 0x31C3);
    EXPECT_EQ(sim::Crc16Xmodem(Bytes{}), 0);
}

TEST(SimFirmwareFiles, HeaderSizeFollowsTheFieldsAndNeedsTwoLooks)
{
    Bytes image(400, 0);
    EXPECT_EQ(sim::ImageHeaderSize(image), 48u) << "nothing set: the fixed 48";
    Put32(image, 32, 100);
    EXPECT_EQ(sim::ImageHeaderSize(image), 148u);

    // A length beyond the first 44 bytes only counts on the second look.
    image.assign(400, 0);
    Put32(image, 40, 20);  // second section's length at 60
    Put32(image, 60, 200); // -> 20 + 44 + 200 = 264
    Put32(image, 32, 30);  // first look: 78
    EXPECT_EQ(sim::ImageHeaderSize(image), 264u);
    // ...but not when the first look stops short of it.
    Put32(image, 32, 0); // first look: 64; the length at 60..63 lies within it
    EXPECT_EQ(sim::ImageHeaderSize(image), 264u);
    Put32(image, 40, 21); // the first look always reaches a section's own length
    Put32(image, 61, 200);
    EXPECT_EQ(sim::ImageHeaderSize(image), 265u);

    image.assign(400, 0);
    Put32(image, 36, 8);   // the other section, length at 44
    Put32(image, 44, 300); // 8 + 40 + 300 = 348, seen on the second look
    Put32(image, 32, 10);
    EXPECT_EQ(sim::ImageHeaderSize(image), 348u);

    // Headers longer than the image, huge values and short images: no header.
    Put32(image, 44, 0xFFFFFFFF);
    EXPECT_EQ(sim::ImageHeaderSize(image), std::nullopt);
    EXPECT_EQ(sim::ImageHeaderSize(Bytes(43, 0)), std::nullopt);
    EXPECT_EQ(sim::ImageHeaderSize(Bytes(47, 0)), std::nullopt);
    image.assign(400, 0xFF);
    EXPECT_EQ(sim::ImageHeaderSize(image), std::nullopt);
}

TEST(SimFirmwareFiles, ChecksumCoversWhatFollowsTheHeader)
{
    Bytes image(100, 0x5A);
    Put32(image, 32, 0);
    Put32(image, 36, 0);
    Put32(image, 40, 0);
    Put32(image, 0, SlowCrc(image, 48));
    EXPECT_TRUE(sim::ImageChecksumMatches(image));
    image[47] ^= 1; // inside the header: not covered
    EXPECT_TRUE(sim::ImageChecksumMatches(image));
    image[48] ^= 1;
    EXPECT_FALSE(sim::ImageChecksumMatches(image));
    image[48] ^= 1;
    image[2] = 1; // the upper half of the 32-bit value must be 0
    EXPECT_FALSE(sim::ImageChecksumMatches(image));
}

TEST(SimFirmwareFiles, MasterRecordIsBoundsChecked)
{
    const Bytes master = sim::MakeSampleMaster("QOR0310.bin", "QORSW310");
    const auto record = sim::ParseMasterFile(master);
    ASSERT_TRUE(record.has_value());
    EXPECT_EQ(record->imageName, "QOR0310.bin");
    EXPECT_EQ(record->softwareName, "QORSW310");

    // Cut anywhere inside the image name: refused; after it: the name alone.
    const std::size_t nameEnd = sim::kSampleRecordOffset + 105;
    for (std::size_t size = 0; size < nameEnd; ++size)
        EXPECT_FALSE(sim::ParseMasterFile(Bytes(master.begin(), master.begin() + std::ptrdiff_t(size)))) << size;
    const auto cut = sim::ParseMasterFile(Bytes(master.begin(), master.begin() + std::ptrdiff_t(nameEnd + 3)));
    ASSERT_TRUE(cut.has_value());
    EXPECT_EQ(cut->softwareName, "QOR");

    Bytes far = master;
    Put32(far, 84, 0xFFFFFFF0); // would wrap a 32-bit sum
    EXPECT_FALSE(sim::ParseMasterFile(far));
    Bytes longMagic = master;
    longMagic[8] = '!';
    EXPECT_FALSE(sim::ParseMasterFile(longMagic));
}

TEST(SimFirmwareFiles, GeneratorWritesAMatchingPair)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    for (const qulonglong size : {48ull, 159ull, 160ull, 1012ull, 100000ull}) {
        SCOPED_TRACE(size);
        const GenRun run = RunGenerator({QStringLiteral("--out"), dir.path(), QStringLiteral("--image"),
                                         QStringLiteral("QOR0310.bin"), QStringLiteral("--software"),
                                         QStringLiteral("QORSW310"), QStringLiteral("--size"), QString::number(size),
                                         QStringLiteral("--seed"), QStringLiteral("9")});
        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
        const QString masterPath = dir.filePath(QStringLiteral("QOR0310.MFI"));
        const QString imagePath = dir.filePath(QStringLiteral("QOR0310.bin"));
        EXPECT_EQ(run.out, masterPath + u'\n' + imagePath + u'\n');

        // The master file by its layout.
        const Bytes master = ReadAll(masterPath);
        ASSERT_GE(master.size(), 88u);
        EXPECT_EQ(Text(master, 0, 16), "q1swdl10");
        const std::size_t x = Get32(master, 84);
        ASSERT_GE(master.size(), x + 118);
        EXPECT_GE(master[x + 88], 1);
        EXPECT_EQ(Text(master, x + 89, 16), "QOR0310.bin");
        EXPECT_EQ(Text(master, x + 105, 13), "QORSW310");

        // The image: its size, and the checksum of what follows the header.
        const Bytes image = ReadAll(imagePath);
        ASSERT_EQ(image.size(), size);
        const std::size_t header = size >= 160 ? 160 : 48;
        EXPECT_EQ(sim::ImageHeaderSize(image), header);
        EXPECT_EQ(Get32(image, 0), SlowCrc(image, header));

        // The same seed gives the same image; another seed another one.
        EXPECT_EQ(image, sim::MakeSampleImage(size, 9, "QORSW310"));
        EXPECT_NE(image, sim::MakeSampleImage(size, 10, "QORSW310"));
    }

    const GenRun named = RunGenerator({QStringLiteral("--out"), dir.path(), QStringLiteral("--image"),
                                       QStringLiteral("A.bin"), QStringLiteral("--software"), QStringLiteral("S"),
                                       QStringLiteral("--size"), QStringLiteral("600"), QStringLiteral("--master"),
                                       QStringLiteral("Other.MFI")});
    EXPECT_EQ(named.exitCode, 0);
    EXPECT_TRUE(QFile::exists(dir.filePath(QStringLiteral("Other.MFI"))));
}

TEST(SimFirmwareFiles, GeneratorRefusesBadArguments)
{
    QTemporaryDir dir;
    const QString out = dir.path();
    const std::vector<QStringList> bad = {
        {},
        {"--out", out, "--image", "A.bin", "--software", "S"},
        {"--out", out, "--image", "A.bin", "--software", "S", "--size", "47"},
        {"--out", out, "--image", "A.bin", "--software", "S", "--size", "x"},
        {"--out", out, "--image", "SIXTEEN_CHARS.bi", "--software", "S", "--size", "100"},
        {"--out", out, "--image", "../A.bin", "--software", "S", "--size", "100"},
        {"--out", out, "--image", "A.bin", "--software", "TWELVE_CHARS", "--size", "100"},
        {"--out", dir.filePath(QStringLiteral("missing")), "--image", "A.bin", "--software", "S", "--size", "100"},
        {"--out", out, "--image", "A.bin", "--software", "S", "--size", "100", "--seed", "-1"},
        {"--out", out, "--image", "A.bin", "--software", "S", "--size", "100", "--bogus", "1"},
    };
    for (const QStringList& args : bad) {
        SCOPED_TRACE(args.join(u' ').toStdString());
        const GenRun run = RunGenerator(args);
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_EQ(run.err.count(u'\n'), 1);
    }
    EXPECT_TRUE(QDir(out).entryList(QDir::Files).isEmpty());
}
