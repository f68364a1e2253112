#pragma once
// The image check of the download start, in slices: the same CRC over the
// bytes after the header, read chunk by chunk, but with a call between
// slices so that the caller can let its event loop turn. The largest image a
// download carries (some 33 MB) takes a few hundred milliseconds to check;
// in one piece that would freeze every window of the tool for as long.

#include "software/SoftwareFileResult.h"
#include "software/SoftwareModule.h"

#include <cstdint>
#include <functional>

class QIODevice;

// Bytes read between two calls of the turn function.
inline constexpr std::int64_t kChecksumSliceBytes = 64 * 1024;

// Like CSoftwareModule::VerifyChecksum: Ok, ChecksumMismatch or ReadError, and
// the image back at its start. `turn` runs after every slice; when it answers
// false the check stops at once, without touching `image` again (it may be
// gone), and the result is ReadError.
ESoftwareFileResult VerifyChecksumInSlices(QIODevice& image, const CSoftwareModule& header, std::int32_t chunkSize,
                                           const std::function<bool()>& turn);
