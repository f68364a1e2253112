// The settings' object values in archive form (the status views' column
// widths): whatever the registry holds is read back into an array, and the
// array written again reads back the same.
//
// Input: the value's bytes.

#include "FuzzSupport.h"

#include "settings/ArchiveForm.h"

namespace {

std::uint64_t LittleEndian(const std::uint8_t* p, int count)
{
    std::uint64_t value = 0;
    for (int i = count - 1; i >= 0; --i)
        value = value << 8 | p[i];
    return value;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size > static_cast<std::size_t>(kMaxObjectValueSize))
        return 0; // the registry never hands over more
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const auto values = DwordArrayFromArchive(bytes);

    // The count, short or long form, and where the elements start.
    bool whole = false;
    std::uint64_t count = 0;
    std::size_t at = 2;
    if (size >= 2) {
        count = LittleEndian(data, 2);
        if (count == 0xFFFF) {
            at = 6;
            count = size >= 6 ? LittleEndian(data + 2, 4) : 0;
        }
        whole = size >= at && count <= (size - at) / 4;
    }
    FUZZ_CHECK(values.has_value() == whole);
    if (!values)
        return 0;
    FUZZ_CHECK(values->size() == count);
    for (std::size_t i = 0; i < values->size(); ++i)
        FUZZ_CHECK((*values)[i] == LittleEndian(data + at + 4 * i, 4));

    const QByteArray again = DwordArrayToArchive(*values);
    const auto reread = DwordArrayFromArchive(again);
    FUZZ_CHECK(reread && *reread == *values);
    return 0;
}
