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
    [[nodiscard]] std::uint32_t U8(std::uint64_t offset) const { return data_[offset]; }
    [[nodiscard]] std::uint32_t U16(std::uint64_t offset) const { return (U8(offset) << 8) | U8(offset + 1); }
    [[nodiscard]] std::uint32_t U32(std::uint64_t offset) const
    {
        return (U16(offset) << 16) | U16(offset + 2);
    }

private:
    const std::uint8_t* data_;
    std::uint64_t size_;
};

// A name entry: length (2), hash (4), then that many UTF-16 characters. A
// name must be a real path step: not empty, not "." or "..", without '/'.
bool IsEntryName(const Reader& in, std::uint64_t at)
{
    if (!in.Holds(at, 6))
        return false;
    const std::uint64_t length = in.U16(at);
    if (length == 0 || !in.Holds(at + 6, 2 * length))
        return false;
    bool dotsOnly = length <= 2;
    for (std::uint64_t i = 0; i < length; ++i) {
        const std::uint32_t c = in.U16(at + 6 + 2 * i);
        if (c == u'/' || c == 0)
            return false;
        dotsOnly = dotsOnly && c == u'.';
    }
    return !dotsOnly;
}

// Qt sizes its buffer for a compressed entry by the length the entry claims,
// before it decompresses anything: a damaged claim could ask for gigabytes
// and end the program. A library holds texts and a few pictures.
constexpr std::uint64_t kMaxEntrySize = 64u << 20;

// zlib, as Qt stores it: the uncompressed length (4, big-endian), then the stream.
bool IsPlausibleZlibBlock(const Reader& in, std::uint64_t at, std::uint64_t length)
{
    return length >= 4 && in.U32(at) <= kMaxEntrySize;
}

// zstd: one frame whose header states the uncompressed length (little-endian,
// 1, 2, 4 or 8 bytes after the optional window and dictionary fields).
bool IsPlausibleZstdBlock(const Reader& in, std::uint64_t at, std::uint64_t length)
{
    auto byte = [&](std::uint64_t i) { return in.U8(at + i); };
    if (length < 6 || byte(0) != 0x28 || byte(1) != 0xB5 || byte(2) != 0x2F || byte(3) != 0xFD)
        return false;
    const std::uint32_t descriptor = byte(4);
    if (descriptor & 0x08) // reserved bit
        return false;
    const bool singleSegment = descriptor & 0x20;
    const std::uint32_t sizeFlag = descriptor >> 6;
    static constexpr std::uint64_t dictionaryBytes[] = {0, 1, 2, 4};
    const std::uint64_t pos = 5 + (singleSegment ? 0 : 1) + dictionaryBytes[descriptor & 0x03];
    const std::uint64_t sizeBytes = sizeFlag == 0 ? (singleSegment ? 1 : 0) : (std::uint64_t{1} << sizeFlag);
    // rcc always states the length; a frame without one is damaged.
    if (sizeBytes == 0 || pos + sizeBytes > length)
        return false;
    std::uint64_t size = 0;
    for (std::uint64_t i = 0; i < sizeBytes; ++i)
        size |= std::uint64_t{byte(pos + i)} << (8 * i);
    if (sizeBytes == 2)
        size += 256;
    return size <= kMaxEntrySize;
}

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
        if (node != 0 && !IsEntryName(in, names + in.U32(at)))
            return false;
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
            if ((flags & kCompressed) && !IsPlausibleZlibBlock(in, block + 4, length))
                return false;
            if ((flags & kCompressedZstd) && !IsPlausibleZstdBlock(in, block + 4, length))
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

void UnloadResourceLibrary()
{
    if (!ResourceLibraryLoaded())
        return;
    Unload();
    ClearStringOverrides();
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
