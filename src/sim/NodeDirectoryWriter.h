#pragma once
// The node directory the simulator writes for the tool's network browser: one
// node per unit, each with a connection string that reaches it through this
// simulator. The format is the browser's (docs/link-contract.md).

#include "sim/UnitRegistry.h"

#include <QByteArray>
#include <QHostAddress>
#include <QString>

#include <cstdint>

namespace sim {

inline constexpr const char* kDirectoryNetworkGroup = "Simulated network";

// The address a client on this machine uses to reach a gateway listening on
// `listen`: the address itself, or a loopback address when it is "any".
[[nodiscard]] QHostAddress OwnAddress(const QHostAddress& listen);

// The directory as JSON text: group "Simulated network", inside it a group
// named `site`, inside that one node per unit in the order added. A unit's
// connection string names `own` as HOST when the registry resolves that to
// the unit, its own IP otherwise (it then needs the gateway setting).
[[nodiscard]] QByteArray NodeDirectoryJson(const CUnitRegistry& registry, const QHostAddress& own,
                                           std::uint16_t port, const QString& site);

// Replaces `path` with `text` whole, through a temporary file beside it, or
// leaves it as it was and says why in `error`.
bool WriteFileWhole(const QString& path, const QByteArray& text, QString& error);

} // namespace sim
