#pragma once
// Turns one request body of the link into the reply frame: OPEN picks the
// client's unit, TRANSFER hands the request bytes to it, with the configured
// faults in between. Knows nothing of sockets or time, so it is tested without
// either.

#include "sim/FaultInjector.h"
#include "sim/SimOptions.h"
#include "sim/UnitRegistry.h"

#include <QElapsedTimer>

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string_view>
#include <string>
#include <vector>

namespace sim {

class CReplayRecording;
class CStateFile;
class CTraceWriter;

// What one client connection has established so far.
struct SessionState {
    CSimUnit* unit = nullptr;          // null until an OPEN succeeds
    std::optional<std::string> connection; // the trimmed text of that OPEN
    std::uint32_t transferReplies = 0;
};

class CGatewayDispatcher {
public:
    CGatewayDispatcher(CUnitRegistry& registry, const FaultOptions& faults, CTraceWriter* trace = nullptr,
                       CStateFile* state = nullptr);

    enum class Action {
        Reply,          // send what was appended
        ReplyThenClose, // send it, then close the connection
        Silent,         // send nothing, keep the connection
        Close,          // send nothing, close the connection
    };

    // Appends the whole reply frame, length prefix included, to `out` when
    // the action is Reply or ReplyThenClose.
    Action Handle(SessionState& session, std::span<const std::uint8_t> body, std::vector<std::uint8_t>& out);

    // From now on the units answer from `recording` instead of the registry.
    void AnswerFrom(CReplayRecording* recording) { replay_ = recording; }

    // Saves the state file when an earlier save failed; false if it fails again.
    bool SaveIfDirty();

    // Milliseconds on the clock that restarts are timed by; tests set their own.
    void SetClock(std::function<std::int64_t()> clock) { now_ = std::move(clock); }

private:
    Action Open(SessionState& session, std::uint16_t seq, std::span<const std::uint8_t> text,
                std::vector<std::uint8_t>& out);
    Action Transfer(SessionState& session, std::uint16_t seq, std::span<const std::uint8_t> rest,
                    std::vector<std::uint8_t>& out);
    Action ReplayOpen(SessionState& session, std::uint16_t seq, std::string_view connection,
                      std::span<const std::uint8_t> text, std::vector<std::uint8_t>& out);
    Action ReplayTransfer(SessionState& session, std::uint16_t seq, std::string_view route,
                          std::span<const std::uint8_t> request, std::vector<std::uint8_t>& out);
    Action Answered(SessionState& session);
    // Units whose delayed restart has come restart now (--restart-delay-ms).
    void RestartDueUnits(std::int64_t now);
    // The request is one the options make fail (--fail-request).
    [[nodiscard]] bool FailsOnPurpose(std::span<const std::uint8_t> request) const;
    void Save();

    CUnitRegistry& registry_;
    FaultOptions faults_;
    CFaultInjector injector_;
    CTraceWriter* trace_;
    CStateFile* state_;
    CReplayRecording* replay_ = nullptr;
    bool dirty_ = false;
    QElapsedTimer clock_; // for units that restart
    std::function<std::int64_t()> now_;
};

} // namespace sim
