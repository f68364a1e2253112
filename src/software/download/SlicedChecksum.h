#pragma once
// The image check of the download start, in slices: the same CRC over the
// bytes after the header, read chunk by chunk, one slice per turn of the
// event loop. The largest image a download carries (some 33 MB) takes a few
// hundred milliseconds to check; in one piece that would freeze every window
// of the tool for as long. Images up to one slice, the usual case, are
// checked at once.

#include "software/SoftwareFileResult.h"
#include "software/SoftwareModule.h"

#include <QObject>
#include <QTimer>

#include <cstdint>
#include <optional>
#include <vector>

class QIODevice;

// Bytes the first slice reads, before Start returns.
inline constexpr std::int64_t kChecksumFirstSliceBytes = 1024 * 1024;
// A later slice ends after this many bytes or this long, whichever comes first.
inline constexpr std::int64_t kChecksumSliceBytes = 1024 * 1024;
inline constexpr int kChecksumSliceMs = 8;

class CSlicedChecksum : public QObject {
    Q_OBJECT
public:
    explicit CSlicedChecksum(QObject* parent = nullptr);

    // Like CSoftwareModule::VerifyChecksum: Ok, ChecksumMismatch or ReadError,
    // and the image back at its start. The result, when the check ended within
    // the first slice; otherwise the check goes on with the event loop and
    // Finished brings the result. `image` must stay open until then or until
    // Cancel. A check still running is cancelled first.
    std::optional<ESoftwareFileResult> Start(QIODevice& image, const CSoftwareModule& header, std::int32_t chunkSize);
    // Stops a running check without touching the image again; no Finished follows.
    void Cancel();
    [[nodiscard]] bool IsRunning() const { return image_ != nullptr; }

signals:
    void Finished(ESoftwareFileResult result);

private:
    // Reads on for at most `bytes` (and `ms` when not negative); the result once the check is over.
    std::optional<ESoftwareFileResult> Slice(std::int64_t bytes, int ms);
    std::optional<ESoftwareFileResult> Conclude();
    void OnTurn();

    QIODevice* image_ = nullptr;
    std::uint32_t stored_ = 0;
    std::uint16_t crc_ = 0;
    std::vector<char> chunk_;
    QTimer turn_;
};
