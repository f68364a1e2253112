#pragma once
// The units on the simulated site's Q1 bus, found by the HOST and ADDR items
// of an OPEN's connection string.

#include "sim/UnitModel.h"

#include <QHostAddress>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace sim {

struct UnitAddress {
    QHostAddress ip;
    std::uint16_t q1Address = 0;

    // "192.168.255.120:131"
    [[nodiscard]] std::string ToString() const;
    friend bool operator==(const UnitAddress& a, const UnitAddress& b);
};

class CSimUnit {
public:
    CSimUnit(const UnitAddress& address, const UnitCatalog& catalog, const UnitBehaviour& behaviour);

    // Where the unit answers now: its home address (as it was added) until a
    // commissioning moves it.
    [[nodiscard]] const UnitAddress& Address() const { return address_; }
    [[nodiscard]] const std::string& Label() const { return label_; }
    // The address the unit was added with, which names it in the state file.
    [[nodiscard]] const UnitAddress& HomeAddress() const { return home_; }
    // Takes the address of the commissioning the unit runs with (after a
    // restart or a state file); the home address when it has none.
    void FollowCommissioning();
    [[nodiscard]] CUnitModel& Model() { return model_; }
    [[nodiscard]] const CUnitModel& Model() const { return model_; }

    // A restarting unit does not answer until the given time (milliseconds
    // on the gateway's clock).
    void RestartUntil(std::int64_t untilMs) { restartUntilMs_ = untilMs; }
    [[nodiscard]] bool Restarting(std::int64_t nowMs) const { return nowMs < restartUntilMs_; }
    // A restart the unit has acknowledged but not begun yet.
    void ScheduleRestart(std::int64_t atMs) { restartAtMs_ = atMs; }
    // The time of a scheduled restart once it has come (and the schedule is
    // cleared); nothing before.
    [[nodiscard]] std::optional<std::int64_t> TakeDueRestart(std::int64_t nowMs)
    {
        if (!restartAtMs_ || nowMs < *restartAtMs_)
            return std::nullopt;
        return std::exchange(restartAtMs_, std::nullopt);
    }

private:
    std::int64_t restartUntilMs_ = 0;
    std::optional<std::int64_t> restartAtMs_;
    UnitAddress home_;
    UnitAddress address_;
    std::string label_;
    CUnitModel model_;
};

class CUnitRegistry {
public:
    // False (and nothing added) when a unit with that address exists already.
    bool Add(const UnitAddress& address, const UnitCatalog& catalog = DefaultCatalog(),
             const UnitBehaviour& behaviour = {});

    // The unit named by the connection string: HOST and ADDR must both match;
    // without HOST (or with an empty one) the first unit with that ADDR, in
    // the order added. A HOST that no unit has but that is the gateway's own
    // address counts as no HOST: a client that connects straight to the
    // gateway names it there. Null when ADDR is missing or not a number, HOST
    // is not an IP address, or nothing matches.
    [[nodiscard]] CSimUnit* Resolve(std::string_view connection) const;

    // The gateway's own address for Resolve; none by default.
    void SetOwnAddress(const QHostAddress& address) { ownAddress_ = address; }

    [[nodiscard]] const std::vector<std::unique_ptr<CSimUnit>>& Units() const { return units_; }

private:
    std::vector<std::unique_ptr<CSimUnit>> units_;
    QHostAddress ownAddress_;
};

} // namespace sim
