#pragma once
// What a unit knows: its parameters (identifier, value length, access, default)
// and its command identifiers. A new parameter or command is one more row in
// the tables of ParameterTable.cpp; the request handling needs no change.

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace sim {

class CUnitModel;

// Who the unit is, for defaults that differ between units (a serial number).
struct UnitSeed {
    std::string ip;
    std::uint16_t q1Address = 0;
};

enum class Access : std::uint8_t { ReadOnly, ReadWrite };

// A read reply's length byte counts identifier (2), itself (1), status (1) and
// the value, so a value can be at most 251 bytes long.
inline constexpr std::size_t kMaxValueLength = 255 - 4;

struct ParameterDescriptor {
    std::uint16_t id = 0;
    std::string_view name;
    // Value lengths a write may carry; equal for fixed-size values.
    std::uint8_t minLength = 0;
    std::uint8_t maxLength = 0;
    Access access = Access::ReadOnly;
    // The value a fresh unit holds; its length lies within min..max.
    std::vector<std::uint8_t> (*makeDefault)(const UnitSeed& seed) = nullptr;
    // Status of a write with a value of acceptable length; 0 applies it.
    // Null accepts every value.
    std::uint8_t (*checkWrite)(std::span<const std::uint8_t> value) = nullptr;
};

struct CommandDescriptor {
    std::uint16_t id = 0;
    std::string_view name;
    // Runs the command and gives its reply status; null just answers 0.
    std::uint8_t (*run)(CUnitModel& unit) = nullptr;
};

struct UnitCatalog {
    std::span<const ParameterDescriptor> parameters;
    std::span<const CommandDescriptor> commands;

    [[nodiscard]] const ParameterDescriptor* FindParameter(std::uint16_t id) const;
    [[nodiscard]] const CommandDescriptor* FindCommand(std::uint16_t id) const;
};

// The catalog of the simulated QORA unit.
[[nodiscard]] const UnitCatalog& DefaultCatalog();

// Fixed-width NUL-padded text fields laid end to end; text longer than its
// field is cut.
[[nodiscard]] std::vector<std::uint8_t>
TextFields(std::initializer_list<std::pair<std::size_t, std::string_view>> fields);

} // namespace sim
