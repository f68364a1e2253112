#include "settings/ArchiveForm.h"

namespace {
void AppendLittleEndian(QByteArray& out, std::uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.append(static_cast<char>((value >> (8 * i)) & 0xFF));
}

std::uint32_t LittleEndianAt(const QByteArray& bytes, qsizetype at, int count)
{
    std::uint32_t value = 0;
    for (int i = 0; i < count; ++i)
        value |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + i])) << (8 * i);
    return value;
}
} // namespace

QByteArray DwordArrayToArchive(const std::vector<std::uint32_t>& values)
{
    QByteArray out;
    out.reserve(static_cast<qsizetype>(6 + 4 * values.size()));
    // Counts of 0xFFFF and more take the long form: 0xFFFF, then a 32-bit count.
    if (values.size() < 0xFFFF) {
        AppendLittleEndian(out, static_cast<std::uint32_t>(values.size()), 2);
    } else {
        AppendLittleEndian(out, 0xFFFF, 2);
        AppendLittleEndian(out, static_cast<std::uint32_t>(values.size()), 4);
    }
    for (const std::uint32_t value : values)
        AppendLittleEndian(out, value, 4);
    return out;
}

std::optional<std::vector<std::uint32_t>> DwordArrayFromArchive(const QByteArray& bytes)
{
    if (bytes.size() < 2)
        return std::nullopt;
    qsizetype at = 2;
    std::uint64_t count = LittleEndianAt(bytes, 0, 2);
    if (count == 0xFFFF) {
        if (bytes.size() < 6)
            return std::nullopt;
        count = LittleEndianAt(bytes, 2, 4);
        at = 6;
    }
    if (count > static_cast<std::uint64_t>(bytes.size() - at) / 4)
        return std::nullopt;
    std::vector<std::uint32_t> values;
    values.reserve(static_cast<std::size_t>(count));
    for (std::uint64_t i = 0; i < count; ++i, at += 4)
        values.push_back(LittleEndianAt(bytes, at, 4));
    return values;
}
