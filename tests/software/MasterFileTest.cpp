#include "software/MasterFile.h"

#include "software/DownloadMessages.h"

#include <QBuffer>

#include <gtest/gtest.h>

namespace {

constexpr std::uint32_t kRecord = 100;

void PutLe32(QByteArray& bytes, int offset, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[offset + i] = static_cast<char>(value >> (8 * i));
}

void PutText(QByteArray& bytes, int offset, const QByteArray& text)
{
    bytes.replace(offset, text.size(), text);
}

// A master file as a release carries it: the mark, the record offset, one
// software entry naming the image and the software; the rest is unused here.
QByteArray SampleMasterFile()
{
    QByteArray bytes(kRecord + 140, '\x5A');
    bytes.replace(0, 16, QByteArray(16, '\0'));
    PutText(bytes, 0, "q1swdl10");
    PutLe32(bytes, CMasterFile::kRecordOffsetAt, kRecord);
    bytes[kRecord + 88] = 1;
    PutText(bytes, kRecord + 89, QByteArray("QORA_R12.IMG") + '\0');
    PutText(bytes, kRecord + 105, QByteArray("QORA R12") + '\0');
    return bytes;
}

ESoftwareFileResult ParseResult(const QByteArray& bytes)
{
    CMasterFile file;
    const ESoftwareFileResult result = file.Parse(bytes);
    EXPECT_EQ(file.IsValid(), result == ESoftwareFileResult::Ok);
    return result;
}

} // namespace

TEST(MasterFile, ReadsTheFieldsAndGoesBackToTheStart)
{
    QByteArray bytes = SampleMasterFile();
    QBuffer buffer(&bytes);
    ASSERT_TRUE(buffer.open(QIODevice::ReadOnly));
    ASSERT_TRUE(buffer.seek(17));

    CMasterFile file;
    ASSERT_EQ(file.Read(buffer), ESoftwareFileResult::Ok);
    EXPECT_EQ(buffer.pos(), 0);
    EXPECT_EQ(file.GetLength(), bytes.size());
    EXPECT_EQ(file.GetContents(), bytes);
    EXPECT_EQ(file.GetSoftwareRecordOffset(), kRecord);
    EXPECT_EQ(file.GetSoftwareCount(), 1);
    EXPECT_EQ(file.GetImageName(), "QORA_R12.IMG");
    EXPECT_EQ(file.GetSoftwareName(), "QORA R12");
}

TEST(MasterFile, TextsThatFillTheirFieldNeedNoTerminator)
{
    QByteArray bytes = SampleMasterFile();
    PutText(bytes, kRecord + 89, "ABCDEFGHIJKL.IMG"); // 16 characters, then the software name
    CMasterFile file;
    ASSERT_EQ(file.Parse(bytes), ESoftwareFileResult::Ok);
    EXPECT_EQ(file.GetImageName(), "ABCDEFGHIJKL.IMG");
}

TEST(MasterFile, RefusesMalformedFilesWithoutReadingPastTheEnd)
{
    const QByteArray good = SampleMasterFile();
    EXPECT_EQ(ParseResult({}), ESoftwareFileResult::ZeroLength);
    EXPECT_EQ(ParseResult("q1sw"), ESoftwareFileResult::BadMagic);
    EXPECT_EQ(ParseResult(QByteArray(good).replace(0, 8, "q1swdl11")), ESoftwareFileResult::BadMagic);
    EXPECT_EQ(ParseResult(QByteArray(good).replace(8, 1, "x")), ESoftwareFileResult::BadMagic);
    // The mark alone, or a record offset beyond the file (also one that would wrap).
    EXPECT_EQ(ParseResult(good.left(60)), ESoftwareFileResult::Truncated);
    QByteArray far = good;
    PutLe32(far, CMasterFile::kRecordOffsetAt, 0xFFFFFFF0U);
    EXPECT_EQ(ParseResult(far), ESoftwareFileResult::Truncated);
    // Cut inside the software name, which has no terminator before the cut.
    EXPECT_EQ(ParseResult(good.left(kRecord + 108)), ESoftwareFileResult::Truncated);
    QByteArray none = good;
    none[kRecord + 88] = 0;
    EXPECT_EQ(ParseResult(none), ESoftwareFileResult::NoSoftware);
}

TEST(MasterFile, RefusesNamesThatWouldEscapeTheDirectoryOrOverflowTheCommand)
{
    for (const QByteArray& name : {QByteArray(""), QByteArray("..\\SYS.IMG"), QByteArray("../x"),
                                  QByteArray("C:X.IMG"), QByteArray("..")}) {
        QByteArray bytes = SampleMasterFile();
        PutText(bytes, kRecord + 89, QByteArray(name) + '\0');
        EXPECT_EQ(ParseResult(bytes), ESoftwareFileResult::BadImageName) << name.constData();
    }
    QByteArray bytes = SampleMasterFile();
    PutText(bytes, kRecord + 105, QByteArray("ABCDEFGHIJKL") + '\0');
    EXPECT_EQ(ParseResult(bytes), ESoftwareFileResult::BadSoftwareName);
    PutText(bytes, kRecord + 105, QByteArray("ABCDEFGHIJK") + '\0');
    EXPECT_EQ(ParseResult(bytes), ESoftwareFileResult::Ok);
}

TEST(MasterFile, RefusesAFileTooLargeForTheBlockNumbers)
{
    QByteArray bytes = SampleMasterFile();
    bytes.resize(kMaxTransferBytes + 1);
    QBuffer buffer(&bytes);
    ASSERT_TRUE(buffer.open(QIODevice::ReadOnly));
    CMasterFile file;
    EXPECT_EQ(file.Read(buffer), ESoftwareFileResult::TooLarge);
    EXPECT_FALSE(file.IsValid());
}

TEST(MasterFile, ResultTexts)
{
    EXPECT_TRUE(SoftwareFileResultText(ESoftwareFileResult::Ok).isEmpty());
    const QString open = "Error while opening the source file.\n\nCheck that the source file exists and is "
                         "not used by another\nprocess, then try again.";
    for (auto result : {ESoftwareFileResult::OpenFailed, ESoftwareFileResult::BadMagic,
                        ESoftwareFileResult::Truncated, ESoftwareFileResult::NoSoftware,
                        ESoftwareFileResult::BadImageName, ESoftwareFileResult::BadSoftwareName})
        EXPECT_EQ(SoftwareFileResultText(result), open);
    EXPECT_EQ(SoftwareFileResultText(ESoftwareFileResult::ZeroLength),
              "Source file length is zero.\n\nCheck that the source file is a valid QORA software image "
              "file\nand try again.");
    EXPECT_EQ(SoftwareFileResultText(ESoftwareFileResult::ChecksumMismatch),
              "Error encountered when reading data from the source file.");
    EXPECT_EQ(SoftwareFileResultText(ESoftwareFileResult::ReadError),
              SoftwareFileResultText(ESoftwareFileResult::ChecksumMismatch));
}

TEST(MasterFile, ImageLiesBesideTheMasterFile)
{
    EXPECT_EQ(ImagePathBeside("C:\\Rel\\R12.MFI", "R12.IMG"), "C:\\Rel\\R12.IMG");
    EXPECT_EQ(ImagePathBeside("/home/fe/rel/R12.MFI", "R12.IMG"), "/home/fe/rel/R12.IMG");
    EXPECT_EQ(ImagePathBeside("R12.MFI", "R12.IMG"), "R12.IMG");
    EXPECT_EQ(FileNameWithoutDirectory("C:\\Rel\\R12.MFI"), "R12.MFI");
    EXPECT_EQ(FileNameWithoutDirectory("/rel/R12.MFI"), "R12.MFI");
    EXPECT_EQ(FileNameWithoutDirectory("R12.MFI"), "R12.MFI");
}
