// qora-firmware-gen: writes a sample master file and the image it names.

#include "sim/FirmwareBanks.h"
#include "sim/FirmwareReceiver.h"
#include "sim/FirmwareSample.h"
#include "version/ProgramVersion.h"

#include <QDir>
#include <QSaveFile>
#include <QString>
#include <QStringList>

#include <cstdio>

namespace {

constexpr const char* kUsage =
    "Usage: qora-firmware-gen --out DIR --image NAME.bin --software SWNAME --size BYTES\n"
    "                         [--seed N] [--master NAME.MFI]\n"
    "\n"
    "Writes a master file (\"q1swdl10\", software record at offset 128 naming the\n"
    "image) and an image of BYTES bytes with a correct header and CRC-16/XMODEM\n"
    "checksum and pseudo-random contents (the same for the same seed, default 1)\n"
    "into DIR, then prints the master file's path and the image's path, one a line.\n"
    "  --image NAME       1 to 15 printable characters, no folder\n"
    "  --software SWNAME  1 to 11 printable characters\n"
    "  --size BYTES       48 bytes or more, up to 64 MiB\n"
    "  --master NAME      default: the image name without its extension, then .MFI\n"
    "  --help             show this text\n"
    "  --version          print the release number\n";

int Fail(const QString& why)
{
    std::fprintf(stderr, "qora-firmware-gen: %s\n", qPrintable(why));
    return 2;
}

bool PlainName(const QString& name, std::size_t maxLength)
{
    const std::string text = name.toStdString();
    return sim::IsValidBankName(text) && text.size() <= maxLength && !name.contains(u'/') && !name.contains(u'\\');
}

bool WriteWhole(const QString& path, const std::vector<std::uint8_t>& bytes)
{
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly)
        && file.write(reinterpret_cast<const char*>(bytes.data()), qint64(bytes.size())) == qint64(bytes.size())
        && file.commit())
        return true;
    std::fprintf(stderr, "qora-firmware-gen: cannot write %s: %s\n", qPrintable(path),
                 qPrintable(file.errorString()));
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    QString out, image, software, master, sizeText, seedText = QStringLiteral("1");
    for (int i = 1; i < argc; ++i) {
        const QString name = QString::fromLocal8Bit(argv[i]);
        if (name == u"--help" || name == u"-h") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (name == u"--version") {
            std::fputs(VersionText("qora-firmware-gen").c_str(), stdout);
            return 0;
        }
        QString* target = name == u"--out" ? &out
            : name == u"--image"          ? &image
            : name == u"--software"       ? &software
            : name == u"--size"           ? &sizeText
            : name == u"--seed"           ? &seedText
            : name == u"--master"         ? &master
                                          : nullptr;
        if (!target)
            return Fail(QStringLiteral("unknown argument '%1' (see --help)").arg(name));
        if (i + 1 >= argc)
            return Fail(name + QStringLiteral(" needs a value"));
        *target = QString::fromLocal8Bit(argv[++i]);
    }
    if (out.isEmpty() || image.isEmpty() || software.isEmpty() || sizeText.isEmpty())
        return Fail(QStringLiteral("--out, --image, --software and --size are required (see --help)"));
    if (!PlainName(image, sim::kMaxBankName))
        return Fail(QStringLiteral("--image: '%1' is not a name of 1 to 15 printable characters").arg(image));
    if (!PlainName(software, sim::kMaxSoftwareName))
        return Fail(QStringLiteral("--software: '%1' is not a name of 1 to 11 printable characters").arg(software));
    if (master.isEmpty())
        master = (image.contains(u'.') ? image.left(image.lastIndexOf(u'.')) : image) + QStringLiteral(".MFI");
    if (master.contains(u'/') || master.contains(u'\\') || master == image)
        return Fail(QStringLiteral("--master: '%1' is not a file name beside the image").arg(master));
    bool ok = false;
    const qulonglong size = sizeText.toULongLong(&ok, 10);
    if (!ok || sizeText.startsWith(u'+') || size < sim::kMinSampleImage || size > sim::kMaxImage)
        return Fail(QStringLiteral("--size: '%1' is not a size from 48 to %2 bytes").arg(sizeText).arg(sim::kMaxImage));
    const qulonglong seed = seedText.toULongLong(&ok, 10);
    if (!ok || seedText.startsWith(u'+'))
        return Fail(QStringLiteral("--seed: '%1' is not a whole number").arg(seedText));

    const QDir dir(out);
    if (!dir.exists())
        return Fail(QStringLiteral("--out: folder '%1' does not exist").arg(out));
    const QString masterPath = dir.filePath(master);
    const QString imagePath = dir.filePath(image);
    const std::string softwareName = software.toStdString();
    if (!WriteWhole(masterPath, sim::MakeSampleMaster(image.toStdString(), softwareName))
        || !WriteWhole(imagePath, sim::MakeSampleImage(std::size_t(size), seed, softwareName)))
        return 1;
    std::printf("%s\n%s\n", qPrintable(masterPath), qPrintable(imagePath));
    return 0;
}
