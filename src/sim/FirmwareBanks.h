#pragma once
// The unit's two firmware banks: the active firmware, which runs, and the
// inactive one, which a download fills and an activation makes active.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace sim {

// A bank name fits the 16-byte field of the read reply with its terminating
// zero: 1 to 15 printable ASCII characters.
inline constexpr std::size_t kMaxBankName = 15;
[[nodiscard]] bool IsValidBankName(std::string_view name);

// Activation results besides 0 (activated).
inline constexpr std::uint16_t kActivationEmptyBank = 0x0001;
inline constexpr std::uint16_t kActivationWrongName = 0x0002;

class CFirmwareBanks {
public:
    CFirmwareBanks(std::string active, std::string inactive);

    [[nodiscard]] const std::string& Active() const { return active_; }
    [[nodiscard]] const std::string& Inactive() const { return inactive_; }

    // True once a download, an activation or Restore has changed the banks;
    // until then they hold the unit's defaults, which the state file leaves out.
    [[nodiscard]] bool Changed() const { return changed_; }

    // The read reply's body: name states (0 present, 1 empty) and both names
    // in zero-padded 16-byte fields.
    void AppendNames(std::vector<std::uint8_t>& out) const;

    // A good download puts its image into the inactive bank.
    void StoreDownloaded(const std::string& name);

    // 0 and the banks swapped when `name` is the inactive firmware, otherwise
    // an error code and nothing changed.
    std::uint16_t Activate(std::string_view name);
    // What Activate would answer, without changing anything.
    [[nodiscard]] std::uint16_t ActivationResult(std::string_view name) const;

    // Sets both banks as a state file keeps them; false (nothing changed) for
    // names a bank cannot hold. The active bank is never empty.
    bool Restore(const std::string& active, const std::string& inactive);

private:
    std::string active_;
    std::string inactive_;
    bool changed_ = false;
};

} // namespace sim
