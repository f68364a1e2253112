#pragma once
// Translation between the tool's message layout (class, addressing byte,
// opcode, body) and the bytes the communication service carries. The class and
// addressing byte are not transmitted; the reply framing restores them from the
// request.

#include "link/DeviceMessage.h"
#include "protocol/Connection.h"
#include "protocol/Vocabulary.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace ServiceFraming {

inline constexpr char kIdentityRoute[] = "wp=opt,pr=q1dl";
inline constexpr char kShortDownloadRoute[] = "wp=opt,pr=q1ad";
inline constexpr char kLongDownloadRoute[] = "wp=opt,pr=q1ad,wp=fe,id=0,ch=9";
inline constexpr std::uint8_t kIdentityProbe = 0x03;
inline constexpr char kQoraIdentity[] = "QORHW2";

inline constexpr std::uint8_t kRequestMark = Protocol::kServiceRequestMark;
inline constexpr std::uint8_t kReplyMark = Protocol::kServiceReplyMark;
inline constexpr std::uint8_t kNegativeAck = Protocol::Op::kNegativeAck;
inline constexpr std::uint8_t kDownloadData = Protocol::Op::kDownloadData;
inline constexpr std::uint8_t kDownloadDataReply = Protocol::Op::kDownloadDataReply;
inline constexpr std::uint8_t kDownloadText = Protocol::Op::kDownloadText;
inline constexpr std::uint8_t kDownloadTextReply = Protocol::Op::kDownloadTextReply;

// Opcode translation within a message class; an opcode without a partner
// passes unchanged.
[[nodiscard]] std::uint8_t ToServiceOpcode(std::uint8_t messageClass, std::uint8_t opcode);
[[nodiscard]] std::uint8_t FromServiceOpcode(std::uint8_t messageClass, std::uint8_t serviceOpcode);

struct FramedRequest {
    std::optional<std::string> route; // nullopt: the null route
    std::vector<std::uint8_t> bytes;
};

// The route and bytes for Transfer, or nothing when the request cannot be sent
// (shorter than 3 bytes, or of a class the unit does not take).
[[nodiscard]] std::optional<FramedRequest> FrameRequest(const CDeviceMessage& request,
                                                        const std::optional<std::string>& downloadRoute);

// The message for the receive queue, or null when the reply is not one the
// tool recognises (the request then counts as failed).
[[nodiscard]] std::unique_ptr<CDeviceMessage> FrameReply(std::uint8_t messageClass, std::uint8_t address,
                                                         std::uint8_t opcode, std::span<const std::uint8_t> reply);

// The packed header (class << 16 | address << 8 | opcode) that tells listeners
// which request failed; missing bytes count as 0.
[[nodiscard]] std::int32_t PackedHeader(const CDeviceMessage& request);

// The route for download data: the short route when the connection names a
// channel (a CH item), the long one otherwise.
[[nodiscard]] std::optional<std::string> ChooseDownloadRoute(const std::string& connection);
[[nodiscard]] std::optional<std::string> DownloadRoute(const Protocol::SConnection& connection);

// The identity answer read as text up to its first zero byte.
[[nodiscard]] std::string IdentityText(std::span<const std::uint8_t> reply);

// White space removed at both ends, as the connection is (Protocol::TrimmedConnection).
[[nodiscard]] std::string Trimmed(const std::string& text);

} // namespace ServiceFraming
