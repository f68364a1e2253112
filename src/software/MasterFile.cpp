#include "software/MasterFile.h"

#include "software/DownloadMessages.h"

#include <QIODevice>

#include <algorithm>
#include <optional>

namespace {

// A text of at most field characters at offset, ending at its first zero byte
// or at the field's end. Empty optional when the text runs past the end of
// the bytes held.
std::optional<QByteArray> FixedText(const QByteArray& bytes, std::int64_t offset, int field)
{
    const std::int64_t size = bytes.size();
    for (std::int64_t i = 0; i < field; ++i) {
        if (offset + i >= size)
            return std::nullopt;
        if (bytes.at(static_cast<qsizetype>(offset + i)) == '\0')
            return bytes.mid(static_cast<qsizetype>(offset), static_cast<qsizetype>(i));
    }
    return bytes.mid(static_cast<qsizetype>(offset), field);
}

std::uint32_t LittleEndian32(const QByteArray& bytes, std::int64_t offset)
{
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = (value << 8) | static_cast<std::uint8_t>(bytes.at(static_cast<qsizetype>(offset + i)));
    return value;
}

bool IsPlainFileName(const QByteArray& name)
{
    if (name.isEmpty() || name == "." || name == "..")
        return false;
    return !name.contains('/') && !name.contains('\\') && !name.contains(':');
}

} // namespace

ESoftwareFileResult CMasterFile::Read(QIODevice& file)
{
    *this = CMasterFile();
    const qint64 size = file.size();
    if (size <= 0)
        return ESoftwareFileResult::ZeroLength;
    if (size > kMaxTransferBytes)
        return ESoftwareFileResult::TooLarge;
    if (!file.seek(0))
        return ESoftwareFileResult::ReadError;
    const QByteArray contents = file.read(size);
    const bool rewound = file.seek(0);
    if (contents.size() != size || !rewound)
        return ESoftwareFileResult::ReadError;
    return Parse(contents);
}

ESoftwareFileResult CMasterFile::Parse(const QByteArray& contents)
{
    *this = CMasterFile();
    if (contents.isEmpty())
        return ESoftwareFileResult::ZeroLength;
    if (contents.size() > kMaxTransferBytes)
        return ESoftwareFileResult::TooLarge;

    // The mark may also be cut short by the end of a tiny file.
    const QByteArray magic = contents.left(kMagicField);
    const qsizetype zero = magic.indexOf('\0');
    if ((zero < 0 ? magic : magic.left(zero)) != kMagic)
        return ESoftwareFileResult::BadMagic;

    if (contents.size() < kRecordOffsetAt + 4)
        return ESoftwareFileResult::Truncated;
    const std::uint32_t record = LittleEndian32(contents, kRecordOffsetAt);
    // 64-bit so that a record offset near 4 GiB cannot wrap back into the file.
    const std::int64_t countAt = std::int64_t{record} + kSoftwareCountAt;
    if (countAt >= contents.size())
        return ESoftwareFileResult::Truncated;
    const int count = static_cast<std::uint8_t>(contents.at(static_cast<qsizetype>(countAt)));
    if (count == 0)
        return ESoftwareFileResult::NoSoftware;

    const auto imageName = FixedText(contents, std::int64_t{record} + kImageNameAt, kImageNameField);
    const auto softwareName = FixedText(contents, std::int64_t{record} + kSoftwareNameAt, kSoftwareNameField);
    if (!imageName || !softwareName)
        return ESoftwareFileResult::Truncated;
    if (!IsPlainFileName(*imageName))
        return ESoftwareFileResult::BadImageName;
    if (softwareName->size() > kMaxSoftwareNameLength)
        return ESoftwareFileResult::BadSoftwareName;

    contents_ = contents;
    recordOffset_ = record;
    softwareCount_ = count;
    imageName_ = QString::fromLatin1(*imageName);
    softwareName_ = QString::fromLatin1(*softwareName);
    valid_ = true;
    return ESoftwareFileResult::Ok;
}

QString ImagePathBeside(const QString& masterPath, const QString& imageName)
{
    const qsizetype cut = std::max(masterPath.lastIndexOf(u'\\'), masterPath.lastIndexOf(u'/'));
    return masterPath.left(cut + 1) + imageName;
}

QString FileNameWithoutDirectory(const QString& path)
{
    const qsizetype cut = std::max(path.lastIndexOf(u'\\'), path.lastIndexOf(u'/'));
    return path.mid(cut + 1);
}
