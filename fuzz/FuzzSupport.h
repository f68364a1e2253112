#pragma once
// What every fuzz target shares: one Qt application object for the process,
// prompts that answer at once instead of waiting for a user, and a reader that
// cuts a fuzz input into the records a target replays.

#include <QCoreApplication>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>

// A property every input must keep; a broken one is a finding like a crash.
#define FUZZ_CHECK(condition)                                                                  \
    do {                                                                                       \
        if (!(condition)) {                                                                    \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition);  \
            std::abort();                                                                      \
        }                                                                                      \
    } while (false)

namespace fuzz {

// Creates the process's QCoreApplication on first use; later calls do nothing.
void EnsureApplication();

// Message boxes answer "Cancel", file dialogs are cancelled and the shell
// opens nothing, so that no target blocks or writes where a user would.
void SilencePrompts();

// Delivers every posted event now, the way the event loop would.
void DeliverPosted();

// Reads the input front to back; reads past the end give zeros and empty
// spans, so a target never has to check lengths itself.
class InputReader {
public:
    explicit InputReader(std::span<const std::uint8_t> data) : data_(data) {}

    [[nodiscard]] bool Empty() const { return at_ >= data_.size(); }
    [[nodiscard]] std::size_t Left() const { return Empty() ? 0 : data_.size() - at_; }

    std::uint8_t Byte();
    std::uint16_t Word(); // big-endian
    // Up to `count` bytes, fewer at the end of the input.
    std::span<const std::uint8_t> Bytes(std::size_t count);
    // A record: a 16-bit big-endian length, then that many bytes (or what is left).
    std::span<const std::uint8_t> Record() { return Bytes(Word()); }
    std::span<const std::uint8_t> Rest() { return Bytes(Left()); }

private:
    std::span<const std::uint8_t> data_;
    std::size_t at_ = 0;
};

} // namespace fuzz
