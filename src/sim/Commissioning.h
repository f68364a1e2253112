#pragma once
// The unit's side of a commissioning: the opening command (command 1), the
// commissioning block 0x9001, the user block 0x9002 and the closing command
// (command 0), taken in that order only. A closed bracket leaves the block
// pending; the unit runs with it from its next restart on.
//
// Status answers: 0 taken; 2 a block the unit does not take; 3 not allowed
// now (a step out of order or outside a bracket, or a step the fault options
// refuse). A refused step changes nothing. 0x9002 outside a bracket is the
// ordinary user information write.

#include "sim/CommissioningBlock.h"

#include <QString>

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace sim {

inline constexpr std::uint16_t kOpenCommissioningCommand = 0x0001;
inline constexpr std::uint16_t kCloseCommissioningCommand = 0x0000;
inline constexpr std::uint8_t kStatusNotAllowedNow = 3;

enum class CommissioningStep : std::uint8_t { Open, Block, User, Close };

struct CommissioningFaults {
    std::optional<CommissioningStep> refuse;     // answer this step with status 3
    std::optional<CommissioningStep> silentFrom; // no answer to this step or a later one
    // Every step answered as taken, but nothing of it kept or applied: the
    // unit restarts as it was (a unit that lost its new setup).
    bool applyNothing = false;
};

// "open", "block", "user", "close"
[[nodiscard]] std::optional<CommissioningStep> ParseCommissioningStep(const QString& text);

class CCommissioning {
public:
    explicit CCommissioning(const CommissioningFaults& faults = {}) : faults_(faults) {}

    [[nodiscard]] bool InBracket() const { return state_ != State::Idle; }
    // The steps are acknowledged only; their values are kept nowhere.
    [[nodiscard]] bool AppliesNothing() const { return faults_.applyNothing; }

    // No answer at all to `step` (the request is as good as lost).
    [[nodiscard]] bool Silent(CommissioningStep step) const;
    // The status refusing `step` now, for its order or the fault options;
    // nullopt when the step may go ahead (its value still to be checked).
    [[nodiscard]] std::optional<std::uint8_t> Refusal(CommissioningStep step) const;

    // A step that went ahead. Opening again starts the bracket afresh.
    void Opened();
    void BlockTaken(const CommissioningSetup& setup);
    void UserTaken();
    void Closed();

    // At a restart: the pending setup, which becomes the applied one. A
    // remote setup keeps the network of `running`, the setup the unit ran
    // with until now, so the unit stays reachable where it was.
    std::optional<CommissioningSetup> TakePending(const CommissioningSetup& running);

    [[nodiscard]] const std::optional<CommissioningSetup>& Applied() const { return applied_; }
    [[nodiscard]] const std::optional<CommissioningSetup>& Pending() const { return pending_; }
    // As kept over a restart of the simulator.
    void Restore(std::optional<CommissioningSetup> applied, std::optional<CommissioningSetup> pending);

private:
    enum class State : std::uint8_t { Idle, Opened, BlockTaken, UserTaken };

    CommissioningFaults faults_;
    State state_ = State::Idle;
    std::optional<CommissioningSetup> staged_;  // the block of the open bracket
    std::optional<CommissioningSetup> pending_; // closed, not yet applied
    std::optional<CommissioningSetup> applied_; // in use since the last restart
};

// The values a unit with `setup` answers: 0xC001 (position and GPS mode),
// 0xC003, 0xC004, and 0xB002 whose first two bytes the setup sets in
// `busOptions`.
struct CommissionedValue {
    std::uint16_t id = 0;
    std::vector<std::uint8_t> value;
};
[[nodiscard]] std::vector<CommissionedValue> CommissionedValues(const CommissioningSetup& setup,
                                                                std::span<const std::uint8_t> busOptions);
[[nodiscard]] std::vector<std::uint8_t> CommissionedPosition(const CommissioningSetup& setup);

// Puts the setup's position into a GPS status reply that starts at `start`
// of `reply` (altitude, latitude, longitude as packed DDDMMSSmmm angles).
void ReportCommissionedPosition(const CommissioningSetup& setup, std::vector<std::uint8_t>& reply,
                                std::size_t start);

// The --commission-* options and --apply-nothing; false with `error` set
// for a bad value.
enum class CommissioningOptionParse { NotMine, Taken, Bad };
[[nodiscard]] bool IsCommissioningFlag(const QString& name);
[[nodiscard]] CommissioningOptionParse ParseCommissioningOption(const QString& name, const QString& value,
                                                                CommissioningFaults& faults, QString& error);
[[nodiscard]] QString CommissioningHelpText();

} // namespace sim
