#include "software/download/SlicedChecksum.h"

#include "software/Crc16.h"

#include <QIODevice>

#include <vector>

ESoftwareFileResult VerifyChecksumInSlices(QIODevice& image, const CSoftwareModule& header, std::int32_t chunkSize,
                                           const std::function<bool()>& turn)
{
    const std::int64_t start = header.GetHeaderSize();
    if (start < 4 || chunkSize <= 0 || !image.seek(start))
        return ESoftwareFileResult::ReadError;
    std::vector<char> chunk(static_cast<std::size_t>(chunkSize));
    std::uint16_t crc = 0;
    std::int64_t sinceTurn = 0;
    for (;;) {
        const qint64 got = image.read(chunk.data(), chunkSize);
        if (got < 0)
            return ESoftwareFileResult::ReadError;
        if (got == 0)
            break;
        crc = Crc16Xmodem(crc, chunk.data(), static_cast<std::size_t>(got));
        sinceTurn += got;
        if (sinceTurn >= kChecksumSliceBytes) {
            sinceTurn = 0;
            if (turn && !turn())
                return ESoftwareFileResult::ReadError;
        }
    }
    // A read that ends early on a file whose size is known is a failure, not the end.
    const bool whole = image.isSequential() || image.pos() == image.size();
    const bool rewound = image.seek(0);
    if (!whole || !rewound)
        return ESoftwareFileResult::ReadError;
    return crc == header.GetStoredChecksum() ? ESoftwareFileResult::Ok : ESoftwareFileResult::ChecksumMismatch;
}
