#pragma once
// The unit's side of a firmware download: the text commands "M:17,..." on the
// null route and the TFTP transfers of the master file and the image on the
// download routes. It keeps the master file and the image it holds, verifies
// a complete image, and on success puts the image's name into the inactive
// bank.
//
// Decisions the tool leaves to the unit:
// - A data block whose number is not the next one ends that file's transfer
//   with TFTP error 4; the block just acknowledged, sent again, is
//   acknowledged again and not stored (plain TFTP duplicate handling).
// - The held image survives an ended download so that the next one resumes
//   it, unless that download's master file names another image; an image that
//   was complete (verified or not) is dropped when the next download starts.
// - A transfer start is refused (status 1) without a good master file in this
//   download, or with a resume offset beyond the bytes held: resuming there
//   would leave a hole in the image.
// - The final status is 0 only after a good verification in this download.

#include "sim/FirmwareBanks.h"
#include "sim/FirmwareFileSink.h"
#include "sim/FirmwareFiles.h"
#include "sim/FirmwareOptions.h"

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace sim {

// A master file or image larger than this is refused with TFTP error 3.
inline constexpr std::size_t kMaxMasterFile = 1u << 20;
inline constexpr std::size_t kMaxImage = 64u << 20;

inline constexpr std::string_view kImageFileName = "SWDownload0";

class CFirmwareReceiver {
public:
    CFirmwareReceiver(const FirmwareOptions& options, std::uint16_t q1Address);

    struct Result {
        bool answered = false;
        bool banksChanged = false;
        bool breakConnection = false; // neither answer nor keep: close the connection
    };

    // A request on the null route beginning with 'M'; not answered when it is
    // none of the download commands.
    Result HandleCommand(std::span<const std::uint8_t> request, std::vector<std::uint8_t>& reply);

    // A bare TFTP packet from a download route.
    Result HandleTftp(std::span<const std::uint8_t> packet, std::vector<std::uint8_t>& reply);

    // The unit restarted: a download in progress is over; the held image stays.
    void Restarted();

    [[nodiscard]] CFirmwareBanks& Banks() { return banks_; }
    [[nodiscard]] const CFirmwareBanks& Banks() const { return banks_; }
    [[nodiscard]] const FirmwareOptions& Options() const { return options_; }

    [[nodiscard]] std::span<const std::uint8_t> Master() const { return master_; }
    [[nodiscard]] std::span<const std::uint8_t> Image() const { return image_; }

private:
    enum class Incoming { None, Master, Image };
    enum class Verification { None, Busy, Done, Refused };

    void Start(std::vector<std::uint8_t>& reply);
    void VersionCheck(std::vector<std::uint8_t>& reply);
    Result StatusQuery(std::vector<std::uint8_t>& reply);
    void TransferStart(std::span<const std::uint8_t> request, std::vector<std::uint8_t>& reply);
    void FinalStatus(std::vector<std::uint8_t>& reply);

    void WriteRequest(std::span<const std::uint8_t> packet, std::vector<std::uint8_t>& reply);
    Result Data(std::span<const std::uint8_t> packet, std::vector<std::uint8_t>& reply);
    void MasterComplete();
    void Refuse(std::vector<std::uint8_t>& reply, std::uint16_t code, std::string_view text);

    [[nodiscard]] std::uint16_t VersionResult() const;
    static bool TakeBusy(std::uint32_t& left);

    FirmwareOptions options_;
    CFirmwareBanks banks_;
    CFirmwareFileSink sink_;

    bool started_ = false; // a start command opened a download
    std::vector<std::uint8_t> master_;
    std::optional<MasterRecord> record_; // of a complete, good master file
    std::vector<std::uint8_t> image_;
    std::string imageName_; // what the held image is, from its master file
    bool imageComplete_ = false;
    bool transferStarted_ = false; // the image's write request may come
    Verification verification_ = Verification::None;
    std::uint32_t pollsLeft_ = 0;

    Incoming incoming_ = Incoming::None;
    std::uint16_t lastBlock_ = 0;
    bool breakDone_ = false;

    std::uint32_t busyVersionCheck_ = 0;
    std::uint32_t busyStatusQuery_ = 0;
    std::uint32_t busyTransferStart_ = 0;
    std::uint32_t busyFinalStatus_ = 0;
};

} // namespace sim
