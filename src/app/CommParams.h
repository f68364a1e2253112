#pragma once
// What the Communication Parameters dialog does with the local connection's
// IP address and Q1 address, apart from the widgets: the values it opens with,
// and what OK accepts, refuses (with which message) and saves.

#include "controls/Ipv4Text.h"

#include <QString>

#include <cstdint>

class CManagerSettings;

inline constexpr std::uint32_t kMaxQ1Address = 4095;

class CCommParams {
public:
    // The entries the dialog starts with.
    struct Entries {
        Ipv4Fields address{192, 168, 255, 120};
        std::uint32_t q1Address = 131;
    };

    // Where the dialog puts the focus after refusing OK.
    enum class Focus { None, AddressFirstField, AddressSecondField, Q1Address };

    enum class AddressCheck { Accepted, WrongFirstField, WrongSecondField };

    explicit CCommParams(CManagerSettings& settings);

    // Loads the settings from the store and gives their address and Q1
    // address. An address that is not four numbers 0..255 leaves the default.
    [[nodiscard]] Entries Open();

    // OK: refuses a non-private address or a Q1 address out of range, telling
    // the user why; otherwise takes both into the settings and saves them.
    // Returns where the focus goes when refused (None: accepted, close).
    Focus Ok(const Ipv4Fields& address, const QString& q1Text);

    // The private address ranges: 192.168.x.x, 172.16-31.x.x, 10.x.x.x.
    [[nodiscard]] static AddressCheck CheckAddress(const Ipv4Fields& address);
    [[nodiscard]] static QString RangesMessage();

private:
    CManagerSettings& settings_;
};
