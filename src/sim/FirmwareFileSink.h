#pragma once
// Leaves copies of what a unit receives in a folder, so that tests compare
// them byte for byte: DIR/<stem>-master.bin when the master file is
// complete, DIR/<stem>-image.bin as the image grows (so a broken transfer
// leaves what the unit holds). Without a folder it does nothing. A file that
// cannot be written is reported on standard error; the download goes on.

#include <QFile>
#include <QString>

#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace sim {

class CFirmwareFileSink {
public:
    // `stem` names the unit's files: "unit-131", "fleet-7".
    CFirmwareFileSink(const std::string& directory, const QString& stem);

    void WriteMaster(std::span<const std::uint8_t> master);
    // The held image now ends at `size` (a resume cuts it).
    void CutImage(std::size_t size);
    void AppendImage(std::span<const std::uint8_t> bytes);

    [[nodiscard]] const QString& MasterPath() const { return masterPath_; }
    [[nodiscard]] const QString& ImagePath() const { return imagePath_; }

private:
    bool OpenImage();
    void Complain(const QFileDevice& file);

    QString masterPath_;
    QString imagePath_;
    std::unique_ptr<QFile> image_; // open while an image arrives
    bool complained_ = false;
};

} // namespace sim
