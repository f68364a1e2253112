#pragma once
// The frames of the link contract (docs/link-contract.md): a 4-byte big-endian
// body length, then the body. Requests are built whole into a buffer the caller
// keeps, so a steady exchange allocates nothing.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

inline constexpr std::size_t kRksLengthSize = 4;
inline constexpr std::size_t kRksMaxBody = 65536;
inline constexpr std::size_t kRksMaxFrame = kRksLengthSize + kRksMaxBody;
inline constexpr std::size_t kRksMaxRoute = 255;

inline constexpr std::uint8_t kRksOpen = 0x01;
inline constexpr std::uint8_t kRksTransfer = 0x02;
inline constexpr std::uint8_t kRksClose = 0x03;
inline constexpr std::uint8_t kRksReplyFlag = 0x80;
inline constexpr std::uint8_t kRksResultOk = 0;
inline constexpr std::uint8_t kRksResultNoUnit = 1;
inline constexpr std::uint8_t kRksResultNoAnswer = 2;
inline constexpr std::uint8_t kRksResultMalformed = 3;

// "ok", "no such unit", "unit did not answer", "malformed request", or
// "unknown result" for any other code.
[[nodiscard]] const char* RksResultMeaning(int result);

// Each builder replaces the content of `frame`, keeping its capacity. The
// request builders fail, leaving `frame` empty, when the body would not fit.
[[nodiscard]] bool RksBuildOpen(std::vector<std::uint8_t>& frame, std::uint16_t seq,
                                std::string_view connection);
// An empty route is the null route.
[[nodiscard]] bool RksBuildTransfer(std::vector<std::uint8_t>& frame, std::uint16_t seq,
                                    std::string_view route, std::span<const std::uint8_t> request);
void RksBuildClose(std::vector<std::uint8_t>& frame, std::uint16_t seq);

struct RksReply {
    std::uint8_t kind = 0; // the request's kind | kRksReplyFlag
    std::uint16_t seq = 0;
    std::uint8_t result = 0;
    std::span<const std::uint8_t> bytes; // points into the body it was read from
};

// nullopt when the body is too short to be a reply.
[[nodiscard]] std::optional<RksReply> RksParseReply(std::span<const std::uint8_t> body);
