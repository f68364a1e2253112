#include "app/shell/ResourceLibrary.h"

#include "platform/StringTable.h"

#include <QDir>
#include <QFile>
#include <QResource>

#include <cstdint>
#include <vector>

namespace {

const QString kMapRoot = QStringLiteral("/qora-library");

// The loaded library's bytes: Qt reads them in place for as long as they are
// registered.
QByteArray& LibraryBytes()
{
    static QByteArray bytes;
    return bytes;
}

const uchar* LibraryData()
{
    return reinterpret_cast<const uchar*>(LibraryBytes().constData());
}

void Unload()
{
    if (LibraryBytes().isEmpty())
        return;
    QResource::unregisterResource(LibraryData(), kMapRoot);
    LibraryBytes().clear();
}

// Reads big-endian numbers at offsets already checked against the size.
class Reader {
public:
    explicit Reader(const QByteArray& bytes)
        : data_(reinterpret_cast<const std::uint8_t*>(bytes.constData())), size_(static_cast<std::uint64_t>(bytes.size()))
    {
    }
    [[nodiscard]] std::uint64_t Size() const { return size_; }
    [[nodiscard]] bool Holds(std::uint64_t offset, std::uint64_t length) const
    {
        return offset <= size_ && length <= size_ - offset;
    }
    [[nodiscard]] std::uint32_t U16(std::uint64_t offset) const
    {
        return (std::uint32_t{data_[offset]} << 8) | data_[offset + 1];
    }
    [[nodiscard]] std::uint32_t U32(std::uint64_t offset) const
    {
        return (U16(offset) << 16) | U16(offset + 2);
    }

private:
    const std::uint8_t* data_;
    std::uint64_t size_;
};

// Node flags of the resource tree.
constexpr std::uint32_t kCompressed = 0x01;
constexpr std::uint32_t kDirectory = 0x02;
constexpr std::uint32_t kCompressedZstd = 0x04;

} // namespace

bool IsWellFormedResourceFile(const QByteArray& bytes)
{
    const Reader in(bytes);
    if (!in.Holds(0, 20) || !bytes.startsWith("qres"))
        return false;
    const std::uint32_t version = in.U32(4);
    if (version < 1 || version > 3)
        return false;
    const std::uint64_t headerSize = version >= 3 ? 24 : 20;
    if (!in.Holds(0, headerSize))
        return false;
    const std::uint64_t tree = in.U32(8);
    const std::uint64_t data = in.U32(12);
    const std::uint64_t names = in.U32(16);
    for (std::uint64_t start : {tree, data, names})
        if (start < headerSize || start >= in.Size())
            return false;

    // Node layout: name offset (4), flags (2), then either child count (4) and
    // first child (4), or territory (2), language (2) and data offset (4);
    // from version 2 on a modification time (8) follows.
    const std::uint64_t nodeSize = version >= 2 ? 22 : 14;
    const std::uint64_t nodeCount = (in.Size() - tree) / nodeSize;
    if (nodeCount == 0)
        return false;

    std::vector<bool> seen(nodeCount, false);
    std::vector<std::uint64_t> pending{0};
    seen[0] = true;
    while (!pending.empty()) {
        const std::uint64_t node = pending.back();
        pending.pop_back();
        const std::uint64_t at = tree + node * nodeSize;
        const std::uint32_t flags = in.U16(at + 4);
        if (flags & ~(kCompressed | kDirectory | kCompressedZstd))
            return false;
        if (node == 0 && !(flags & kDirectory))
            return false;
        if (node != 0) {
            const std::uint64_t name = names + in.U32(at);
            if (!in.Holds(name, 6) || !in.Holds(name + 6, 2 * std::uint64_t{in.U16(name)}))
                return false;
        }
        if (flags & kDirectory) {
            const std::uint64_t count = in.U32(at + 6);
            const std::uint64_t first = in.U32(at + 10);
            if (count == 0)
                continue;
            // Children come after their parent, each node reached once: the
            // walk ends and never loops.
            if (first <= node || first > nodeCount || count > nodeCount - first)
                return false;
            for (std::uint64_t child = first; child < first + count; ++child) {
                if (seen[child])
                    return false;
                seen[child] = true;
                pending.push_back(child);
            }
        } else {
            const std::uint64_t block = data + in.U32(at + 10);
            if (!in.Holds(block, 4))
                return false;
            const std::uint64_t length = in.U32(block);
            if (!in.Holds(block + 4, length))
                return false;
            // A zlib block starts with the uncompressed length.
            if ((flags & kCompressed) && length < 4)
                return false;
        }
    }
    return true;
}

bool LoadResourceLibrary(const QString& programDir)
{
    Unload();
    QFile file(QDir(programDir).filePath(QString::fromLatin1(kResourceLibraryName)));
    if (!file.open(QIODevice::ReadOnly))
        return false;
    QByteArray bytes = file.readAll();
    if (!IsWellFormedResourceFile(bytes))
        return false;
    LibraryBytes() = std::move(bytes);
    if (!QResource::registerResource(LibraryData(), kMapRoot)) {
        LibraryBytes().clear();
        return false;
    }
    // A string table that does not parse makes the whole library unusable:
    // half a translation is worse than none.
    const QString strings = ResourceLibraryEntry(QStringLiteral("strings.tsv"));
    if (!strings.isEmpty() && !LoadStringOverrides(strings)) {
        Unload();
        return false;
    }
    return true;
}

bool ResourceLibraryLoaded()
{
    return !LibraryBytes().isEmpty();
}

QString ResourceLibraryEntry(const QString& name)
{
    if (!ResourceLibraryLoaded())
        return {};
    const QString path = QStringLiteral(":") + kMapRoot + u'/' + name;
    return QFile::exists(path) ? path : QString();
}
