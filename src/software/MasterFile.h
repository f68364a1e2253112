#pragma once
// The master file (".MFI") of a software release: read whole into memory, with
// accessors for the fields the download uses. Every field is checked against
// the bytes held; a file that is short or malformed is refused, never read
// past its end.

#include "software/SoftwareFileResult.h"

#include <QByteArray>
#include <QString>

#include <cstdint>

class QIODevice;

class CMasterFile {
public:
    static constexpr const char* kMagic = "q1swdl10";
    static constexpr int kMagicField = 16;
    static constexpr int kRecordOffsetAt = 84;
    static constexpr int kSoftwareCountAt = 88;  // from the software record
    static constexpr int kImageNameAt = 89;      // from the software record
    static constexpr int kImageNameField = 16;
    static constexpr int kSoftwareNameAt = 105;  // from the software record
    static constexpr int kSoftwareNameField = 13;
    // The transfer start command carries the name zero-terminated in 12 bytes.
    static constexpr int kMaxSoftwareNameLength = 11;

    // Reads the whole file from its start and goes back to the start.
    ESoftwareFileResult Read(QIODevice& file);
    // Checks and takes the given file contents.
    ESoftwareFileResult Parse(const QByteArray& contents);

    [[nodiscard]] bool IsValid() const { return valid_; }
    [[nodiscard]] const QByteArray& GetContents() const { return contents_; }
    [[nodiscard]] std::int32_t GetLength() const { return static_cast<std::int32_t>(contents_.size()); }
    [[nodiscard]] std::uint32_t GetSoftwareRecordOffset() const { return recordOffset_; }
    [[nodiscard]] int GetSoftwareCount() const { return softwareCount_; }
    [[nodiscard]] const QString& GetImageName() const { return imageName_; }
    [[nodiscard]] const QString& GetSoftwareName() const { return softwareName_; }

private:
    QByteArray contents_;
    bool valid_ = false;
    std::uint32_t recordOffset_ = 0;
    int softwareCount_ = 0;
    QString imageName_;
    QString softwareName_;
};

// The image file beside the master file: the master path up to and including
// its last directory separator ("\" or "/"), then the image name.
QString ImagePathBeside(const QString& masterPath, const QString& imageName);
// The file name without its directory, as sent in the master file's write request.
QString FileNameWithoutDirectory(const QString& path);
