#pragma once
// Names an exchange in words from our own message tables, for the traffic
// window and logs: "read 0x9004 version block", "M:17,2,1 download start",
// "TFTP DATA block 17 (506 bytes)". Works on the bytes as they travel to the
// service, so a recording made anywhere decodes the same.

#include "traffic/TrafficExchange.h"

#include <QString>

#include <cstdint>
#include <optional>
#include <span>
#include <string>

[[nodiscard]] QString DescribeRequest(std::span<const std::uint8_t> req,
                                      const std::optional<std::string>& route);
// Empty when the reply says nothing beyond the request's own summary.
[[nodiscard]] QString DescribeReply(std::span<const std::uint8_t> req,
                                    std::span<const std::uint8_t> rep,
                                    const std::optional<std::string>& route);
[[nodiscard]] QString DescribeExchange(const STrafficExchange& exchange);
