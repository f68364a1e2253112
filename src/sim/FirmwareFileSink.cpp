#include "sim/FirmwareFileSink.h"

#include <QDir>
#include <QSaveFile>

#include <cstdio>

namespace sim {

CFirmwareFileSink::CFirmwareFileSink(const std::string& directory, const QString& stem)
{
    if (directory.empty())
        return;
    QDir dir(QString::fromStdString(directory));
    if (!dir.mkpath(QStringLiteral(".")))
        std::fprintf(stderr, "qora-unit-sim: cannot create %s\n", directory.c_str());
    masterPath_ = dir.filePath(stem + QStringLiteral("-master.bin"));
    imagePath_ = dir.filePath(stem + QStringLiteral("-image.bin"));
}

void CFirmwareFileSink::WriteMaster(std::span<const std::uint8_t> master)
{
    if (masterPath_.isEmpty())
        return;
    QSaveFile file(masterPath_);
    if (!file.open(QIODevice::WriteOnly)
        || file.write(reinterpret_cast<const char*>(master.data()), qint64(master.size())) != qint64(master.size())
        || !file.commit())
        Complain(file);
}

bool CFirmwareFileSink::OpenImage()
{
    if (imagePath_.isEmpty())
        return false;
    if (image_)
        return true;
    auto file = std::make_unique<QFile>(imagePath_);
    // Opened without truncating: CutImage decides what of it stays.
    if (!file->open(QIODevice::ReadWrite)) {
        Complain(*file);
        return false;
    }
    image_ = std::move(file);
    return true;
}

void CFirmwareFileSink::CutImage(std::size_t size)
{
    if (!OpenImage())
        return;
    if (!image_->resize(qint64(size)) || !image_->seek(qint64(size)))
        Complain(*image_);
}

void CFirmwareFileSink::AppendImage(std::span<const std::uint8_t> bytes)
{
    if (!OpenImage())
        return;
    // Flushed at once, so another process sees every block the unit kept.
    if (image_->write(reinterpret_cast<const char*>(bytes.data()), qint64(bytes.size())) != qint64(bytes.size())
        || !image_->flush())
        Complain(*image_);
}

void CFirmwareFileSink::Complain(const QFileDevice& file)
{
    if (complained_)
        return;
    complained_ = true;
    std::fprintf(stderr, "qora-unit-sim: cannot write %s: %s\n", qPrintable(file.fileName()),
                 qPrintable(file.errorString()));
}

} // namespace sim
