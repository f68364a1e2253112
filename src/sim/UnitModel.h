#pragma once
// One simulated unit: its parameter values and how it answers the bytes the
// communication service hands it. No sockets, no clock: a request goes in, the
// reply bytes (or silence) come out.

#include "sim/Commissioning.h"
#include "sim/FirmwareReceiver.h"
#include "sim/ParameterTable.h"

#include <bitset>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace sim {

// Routes the tool uses besides the null route.
inline constexpr std::string_view kIdentityRoute = "wp=opt,pr=q1dl";
inline constexpr std::string_view kDownloadRoute = "wp=opt,pr=q1ad";
inline constexpr std::string_view kDownloadRouteLong = "wp=opt,pr=q1ad,wp=fe,id=0,ch=9";

inline constexpr std::string_view kDefaultIdentity = "QORHW2";

// Service bytes of unit messages on the null route.
inline constexpr std::uint8_t kServiceRequest = 0x53;
inline constexpr std::uint8_t kServiceReply = 0x54;
inline constexpr std::uint8_t kNegativeAck = 0xF0;

// Service opcodes this model answers.
inline constexpr std::uint8_t kOpCommand = 0x01;
inline constexpr std::uint8_t kOpCommandReply = 0x02;
inline constexpr std::uint8_t kOpWrite = 0x53;
inline constexpr std::uint8_t kOpWriteReply = 0x56;
inline constexpr std::uint8_t kOpRead = 0x54;
inline constexpr std::uint8_t kOpReadReply = 0x57;
// Unit commands: the reset request and its answer.
inline constexpr std::uint8_t kOpReset = 0x77;
inline constexpr std::uint8_t kOpResetReply = 0x78;

inline constexpr std::uint8_t kStatusOk = 0;
inline constexpr std::uint8_t kStatusReadOnly = 1;

// How a unit takes the reset request: it answers and then restarts, or it
// goes down at once without answering: the gateway then answers the TRANSFER
// with result 2 (Unanswered), or sends nothing at all (Silent), as when the
// unit's link drops.
enum class ResetReply : std::uint8_t { Answered, Unanswered, Silent };

struct UnitBehaviour {
    std::string identity{kDefaultIdentity};
    ResetReply resetReply = ResetReply::Answered;
    // Requests with these service opcodes get a negative acknowledgement.
    std::bitset<256> nakOpcodes;
    // Replies to requests with these service opcodes are cut after two bytes.
    std::bitset<256> shortReplyOpcodes;
    FirmwareOptions firmware; // banks, received files and download faults
    CommissioningFaults commissioning; // commissioning steps refused or not answered
    std::string serial;           // empty: the one its address gives
    bool silent = false;          // answers nothing at all, as a unit that is off
    bool selfTestFailure = false; // its installation status reports a failed self-test
};

class CUnitModel {
public:
    CUnitModel(const UnitCatalog& catalog, UnitSeed seed, UnitBehaviour behaviour = {});

    struct Outcome {
        bool answered = false; // false: the unit stays silent
        bool changed = false;  // a write was applied
        bool reset = false;    // the unit was asked to restart
        bool breakConnection = false; // not answered: close the client's connection
        bool noReply = false;         // not answered: the gateway sends nothing
        bool restartLater = false;    // the restart waits for RestartNow (deferred restarts)
    };

    // Answers `request` arriving on `route` (empty = null route) by appending
    // the reply bytes to `reply`.
    Outcome Handle(std::string_view route, std::span<const std::uint8_t> request,
                   std::vector<std::uint8_t>& reply);

    [[nodiscard]] const UnitCatalog& Catalog() const { return catalog_; }
    [[nodiscard]] const UnitSeed& Seed() const { return seed_; }

    // The current value of a parameter, empty for an unknown identifier.
    [[nodiscard]] std::span<const std::uint8_t> Value(std::uint16_t id) const;

    // True once a write (or Restore) has set the value; until then the unit
    // holds its default, which need not be a value a write may set.
    [[nodiscard]] bool Written(std::uint16_t id) const;

    // Sets a stored value as a write would, without the access check; false
    // when the identifier is unknown or the value would be refused.
    bool Restore(std::uint16_t id, std::span<const std::uint8_t> value);

    // The commissioning bracket and the setups it left (Commissioning.h).
    [[nodiscard]] const CCommissioning& Commissioning() const { return commissioning_; }
    // Takes back what a state file kept: the applied setup's position (the
    // rest of it is among the written values), and a pending setup, which is
    // applied now as at any restart.
    void RestoreCommissioning(const std::optional<CommissioningSetup>& applied,
                              const std::optional<CommissioningSetup>& pending);

    // Sets both banks as a state file keeps them (CFirmwareBanks::Restore).
    bool RestoreBanks(const std::string& active, const std::string& inactive);

    // With deferred restarts a unit that answers a reset or an activation goes
    // on with its old setup and banks until RestartNow, as a real unit that
    // restarts some seconds after its acknowledgement. A reset it does not
    // answer takes it down at once all the same.
    void SetRestartsDeferred(bool deferred) { restartsDeferred_ = deferred; }
    // The restart a deferred reset or activation asked for: the banks swap and
    // a pending commissioning applies. True when that changed what the unit keeps.
    bool RestartNow();

    [[nodiscard]] CFirmwareReceiver& Firmware() { return firmware_; }
    [[nodiscard]] const CFirmwareReceiver& Firmware() const { return firmware_; }

private:
    Outcome HandleRoute(std::string_view route, std::span<const std::uint8_t> request,
                        std::vector<std::uint8_t>& reply);
    Outcome HandleUnitMessage(std::span<const std::uint8_t> request, std::vector<std::uint8_t>& reply);
    Outcome Read(std::span<const std::uint8_t> request, std::vector<std::uint8_t>& reply);
    Outcome Write(std::span<const std::uint8_t> request, std::vector<std::uint8_t>& reply);
    Outcome Command(std::span<const std::uint8_t> request, std::vector<std::uint8_t>& reply);
    Outcome Reset(std::span<const std::uint8_t> request, std::vector<std::uint8_t>& reply);
    Outcome Activate(std::span<const std::uint8_t> request, std::vector<std::uint8_t>& reply);
    Outcome Commission(CommissioningStep step, std::span<const std::uint8_t> request,
                       std::vector<std::uint8_t>& reply);
    [[nodiscard]] std::optional<CommissioningStep> CommissioningStepOf(std::span<const std::uint8_t> request) const;
    [[nodiscard]] std::uint8_t TakeCommissioningValue(CommissioningStep step, std::span<const std::uint8_t> value);
    // What the unit does when it starts again; true when that changed values.
    bool Restart();
    // The setup the unit runs with now: the applied commissioning, or the
    // addresses it was started with.
    [[nodiscard]] CommissioningSetup RunningSetup() const;
    void ApplyCommissioning(const CommissioningSetup& setup);
    // The version block names what the banks hold now.
    void RefreshVersionBlock();
    static Outcome FromFirmware(const CFirmwareReceiver::Result& result);

    [[nodiscard]] std::size_t IndexOf(const ParameterDescriptor& p) const;
    void Set(const ParameterDescriptor& p, std::span<const std::uint8_t> value);

    bool restartsDeferred_ = false;
    bool activationPending_ = false; // a deferred activation: the banks swap at the restart
    const UnitCatalog& catalog_;
    UnitSeed seed_;
    UnitBehaviour behaviour_;
    std::vector<std::vector<std::uint8_t>> values_; // in catalog order
    std::vector<bool> written_;                     // likewise
    CFirmwareReceiver firmware_;
    CCommissioning commissioning_;
};

} // namespace sim
