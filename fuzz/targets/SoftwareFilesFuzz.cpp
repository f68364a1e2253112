// The firmware download's file readers: the master file (".MFI") and the
// header of the software image it names, each read from a device the way the
// download reads the files, and the checksum check over the image.
//
// Input: a selector byte (even: master file, odd: software image) and a chunk
// size byte for the checksum, then the file's bytes.

#include "FuzzSupport.h"

#include "software/MasterFile.h"
#include "software/SoftwareModule.h"

#include <QBuffer>

namespace {

void MasterFile(const QByteArray& contents)
{
    CMasterFile parsed;
    const ESoftwareFileResult result = parsed.Parse(contents);

    QByteArray copy = contents;
    QBuffer file(&copy);
    file.open(QIODevice::ReadOnly);
    CMasterFile read;
    const ESoftwareFileResult readResult = read.Read(file);
    // Both ways of taking the file in come to the same verdict.
    FUZZ_CHECK(result == readResult);
    FUZZ_CHECK(file.pos() == 0 || readResult != ESoftwareFileResult::Ok);
    (void)SoftwareFileResultText(result);
    if (result != ESoftwareFileResult::Ok) {
        FUZZ_CHECK(!parsed.IsValid());
        return;
    }
    FUZZ_CHECK(parsed.IsValid());
    FUZZ_CHECK(!parsed.GetImageName().isEmpty());
    FUZZ_CHECK(!parsed.GetImageName().contains(u'/') && !parsed.GetImageName().contains(u'\\'));
    FUZZ_CHECK(parsed.GetSoftwareName().size() <= CMasterFile::kMaxSoftwareNameLength);
    FUZZ_CHECK(parsed.GetSoftwareCount() > 0);
    // The image lies beside the master file, never elsewhere.
    const QString image = ImagePathBeside(QStringLiteral("/releases/unit/R1.MFI"), parsed.GetImageName());
    FUZZ_CHECK(image.startsWith(QStringLiteral("/releases/unit/")));
    FUZZ_CHECK(FileNameWithoutDirectory(image) == parsed.GetImageName());
}

void SoftwareImage(const QByteArray& contents, std::int32_t chunkSize)
{
    QByteArray copy = contents;
    QBuffer image(&copy);
    image.open(QIODevice::ReadOnly);
    CSoftwareModule module;
    const ESoftwareFileResult result = module.ReadHeader(image);
    (void)CSoftwareModule::HeaderSizeOf(contents);
    (void)SoftwareFileResultText(result);
    if (result != ESoftwareFileResult::Ok)
        return;
    FUZZ_CHECK(module.GetHeaderSize() >= CSoftwareModule::kFirstRead);
    FUZZ_CHECK(module.GetHeaderSize() <= contents.size());
    FUZZ_CHECK(image.pos() == module.GetHeaderSize());
    FUZZ_CHECK(module.GetHeader() == contents.left(module.GetHeaderSize()));
    const ESoftwareFileResult checked = module.VerifyChecksum(image, chunkSize);
    FUZZ_CHECK(checked == ESoftwareFileResult::Ok || checked == ESoftwareFileResult::ChecksumMismatch);
    FUZZ_CHECK(image.pos() == 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::InputReader input({data, size});
    const std::uint8_t choice = input.Byte();
    const std::int32_t chunkSize = 1 + input.Byte() * 16;
    const auto bytes = input.Rest();
    const QByteArray contents(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
    if (choice % 2 == 0)
        MasterFile(contents);
    else
        SoftwareImage(contents, chunkSize);
    return 0;
}
