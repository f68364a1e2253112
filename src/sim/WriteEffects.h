#pragma once
// Writes that the unit does not simply keep as written: a short write that
// sets only the first bytes of a longer value (the Q1 bus options), and the
// user block whose four texts the unit then answers one by one.

#include <cstdint>
#include <span>
#include <vector>

namespace sim {

inline constexpr std::uint16_t kBusOptionsId = 0xB002;
inline constexpr std::uint16_t kUserBlockId = 0x9002;
inline constexpr std::uint16_t kUserNameId = 0xE001;
inline constexpr std::uint16_t kUserDateId = 0xE002;
inline constexpr std::uint16_t kUserCommentsId = 0xE003;
inline constexpr std::uint16_t kUserActionsId = 0xE004;
inline constexpr std::uint16_t kAntennaDelayId = 0xC003;
inline constexpr std::uint16_t kFrameClockDelayId = 0xC004;

struct LinkedValue {
    std::uint16_t id = 0;
    std::vector<std::uint8_t> value;
};

// Applies an accepted write of `id`: `stored` holds the parameter's value and
// becomes the value to keep; `linked` receives the new values of other
// parameters the write sets.
void ApplyWrite(std::uint16_t id, std::span<const std::uint8_t> written, std::vector<std::uint8_t>& stored,
                std::vector<LinkedValue>& linked);

// The user block's four texts (name, date, comments, actions), each without
// its NUL; false when the block is not four length bytes followed by texts of
// those lengths, each ending in its only NUL.
bool SplitUserBlock(std::span<const std::uint8_t> block, std::vector<std::uint8_t> (&texts)[4]);
// The block of four texts, as the tool lays it out.
[[nodiscard]] std::vector<std::uint8_t> MakeUserBlock(const std::vector<std::uint8_t> (&texts)[4]);

} // namespace sim
