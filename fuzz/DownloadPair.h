#pragma once
// The firmware the download target and its seeds use: two master file and
// image pairs of the sample layout, one whose image ends in a short block and
// one whose image fills whole blocks, so that both ways a transfer ends occur.

#include "sim/FirmwareSample.h"

#include <QDir>
#include <QFile>
#include <QString>

#include <cstdint>
#include <string>
#include <vector>

namespace fuzz {

constexpr std::size_t kTftpBlockBytes = 506;

struct DownloadPair {
    QString masterPath;
    std::vector<std::uint8_t> master;
    std::vector<std::uint8_t> image;
};

// Writes pair `which` (0 or 1) into `folder`; false when a file cannot be written.
inline bool WriteDownloadPair(const QDir& folder, int which, DownloadPair& pair)
{
    const std::size_t sizes[2] = {3 * kTftpBlockBytes + 77, 3 * kTftpBlockBytes};
    const std::string software = "QORA_R2_" + std::to_string(which);
    const std::string image = "QORA" + std::to_string(which) + ".IMG";
    pair.master = sim::MakeSampleMaster(image, software);
    pair.image = sim::MakeSampleImage(sizes[which], 17 + static_cast<std::uint64_t>(which), software);
    pair.masterPath = folder.filePath(QStringLiteral("RELEASE%1.MFI").arg(which));
    for (const auto& [path, bytes] : {std::pair{pair.masterPath, &pair.master},
                                      std::pair{folder.filePath(QString::fromStdString(image)), &pair.image}}) {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return false;
        if (file.write(reinterpret_cast<const char*>(bytes->data()), static_cast<qint64>(bytes->size())) !=
            static_cast<qint64>(bytes->size()))
            return false;
    }
    return true;
}

} // namespace fuzz
