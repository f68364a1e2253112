#pragma once
// The progress bar's slow climb while the unit verifies a download: one step
// per tick at first, then ever slower (the step divisor doubles every 40
// ticks), never past 99. The values are shared by every download dialog of the
// process, as the dialog's start resets them.

#include <cstdint>
#include <optional>

class CWaitingAnimation {
public:
    static constexpr int kStartPosition = 10;
    static constexpr int kTicksPerSlowdown = 40;
    static constexpr int kHighestPosition = 99;

    // The process-wide values.
    static CWaitingAnimation& Shared();

    void Reset();
    // One tick; the new bar position when it moved.
    std::optional<int> Tick();

    [[nodiscard]] int Position() const { return position_; }
    [[nodiscard]] std::uint32_t Divisor() const { return divisor_; }

private:
    int position_ = kStartPosition;
    int ticks_ = 0;
    std::uint32_t divisor_ = 1;
};
