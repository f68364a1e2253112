#pragma once
// The commissioning block (parameter 0x9001) as the unit takes it apart: 88
// bytes, numbers most significant byte first. The unit refuses a block that
// does not have this layout or whose values it could not run with.
//
//   0  IP address, 16 subnet mask, 32 gateway: dotted text, NUL, NULs to 16
//  48  Q1 relay flag (0/1)     49  1PPS flag (0/1)       50  2 zero bytes
//  52  latitude, 56 longitude (signed, 1e-7 degree), 60 altitude (cm)
//  64  GPS mode: 1 stored position, 0 self survey, 2 neither; 65 3 zero bytes
//  68  GPS antenna delay (ns, 32 bits)
//  72  frame clock delay (ns), 74 the same again   76  Q1 speed code (3..12)
//  78  2 zero bytes            80  Q1 address (0..4095)  82  2 zero bytes
//  84  remote flag, 32 bits (0/1)
//
// A remote block (flag 1) comes from a tool that reaches the unit through the
// operator's network: it leaves the unit's addresses and Q1 bus as they are,
// so its three address fields may be empty (all zero bytes).

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace sim {

inline constexpr std::uint16_t kCommissioningBlockId = 0x9001;
inline constexpr std::size_t kCommissioningBlockSize = 88;
// The longest frame clock delay the unit compensates (also the limit of 0xC004).
inline constexpr std::uint16_t kMaxFrameClockDelayNs = 4800;
// Status of a refused block: the value is not one the unit takes.
inline constexpr std::uint8_t kStatusBadBlock = 2;

struct CommissioningSetup {
    std::string ip = "192.168.255.120";
    std::string subnetMask = "255.255.255.0";
    std::string gateway = "192.168.255.32";
    std::uint8_t q1Relay = 1;
    std::uint8_t onePps = 0;
    std::int32_t latitude = 0;  // 1e-7 degree
    std::int32_t longitude = 0; // 1e-7 degree
    std::int32_t altitudeCm = 0;
    std::uint8_t gpsMode = 2;
    std::int32_t antennaDelayNs = 0;
    std::uint16_t frameClockDelayNs = 0;
    std::uint16_t q1SpeedCode = 7;
    std::uint16_t q1Address = 131;
    std::uint32_t remote = 0; // 1: keep the addresses and the Q1 bus the unit has
};

// Gives `setup` the IP address, subnet mask, gateway, Q1 address and Q1 speed
// of `from`: what a remote commissioning leaves as it was.
void KeepNetwork(CommissioningSetup& setup, const CommissioningSetup& from);

// The setup a block holds; nullopt when the block is refused.
[[nodiscard]] std::optional<CommissioningSetup> ParseCommissioningBlock(std::span<const std::uint8_t> block);
// The block of a setup (dotted texts longer than 15 characters are cut).
[[nodiscard]] std::vector<std::uint8_t> MakeCommissioningBlock(const CommissioningSetup& setup);

// Status of a write of `block`: 0 when ParseCommissioningBlock takes it.
[[nodiscard]] std::uint8_t CheckCommissioningBlock(std::span<const std::uint8_t> block);

// The IPv4 address of strict dotted text (four decimal numbers 0..255).
[[nodiscard]] std::optional<std::array<std::uint8_t, 4>> ParseDottedIpv4(std::string_view text);

} // namespace sim
