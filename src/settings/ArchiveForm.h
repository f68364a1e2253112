#pragma once
// The archive form of an array of 32-bit values, the way serialised objects are
// kept in the settings (the status views' column widths): the element count as
// a 16-bit little-endian number, then each element as a 32-bit little-endian
// number.

#include <QByteArray>

#include <cstdint>
#include <optional>
#include <vector>

// Object values larger than this are not read.
inline constexpr qsizetype kMaxObjectValueSize = 4096;

[[nodiscard]] QByteArray DwordArrayToArchive(const std::vector<std::uint32_t>& values);

// The elements, or nothing when the bytes are not a whole archive form (too
// short for the count they announce). Bytes after the last element are ignored.
[[nodiscard]] std::optional<std::vector<std::uint32_t>> DwordArrayFromArchive(const QByteArray& bytes);
