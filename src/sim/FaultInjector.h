#pragma once
// Decides which TRANSFERs are lost on the way to the unit. The draws come from
// a seeded Mersenne Twister, whose sequence the standard fixes, so a run with
// the same seed and the same requests loses the same ones on every machine.

#include "sim/SimOptions.h"

#include <cstdint>
#include <random>

namespace sim {

class CFaultInjector {
public:
    explicit CFaultInjector(const FaultOptions& faults);

    // Called once per TRANSFER that reaches a unit; true: lose it.
    [[nodiscard]] bool DropNext();

private:
    std::uint32_t dropEvery_;
    std::uint64_t threshold_; // drop when a 53-bit draw falls below it
    bool drawing_;
    std::uint64_t count_ = 0;
    std::mt19937_64 random_;
};

} // namespace sim
