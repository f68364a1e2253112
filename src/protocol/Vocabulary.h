#pragma once
// The unit's vocabulary in one place: message classes, the addressing byte of
// each function block, the opcodes (in the tool's own numbering and as the
// service numbers them) and the parameter identifiers. Every part of the tool
// that builds or reads a message names its bytes from here; the simulated unit
// keeps a copy of its own on purpose, so that it stays an independent peer.

#include <array>
#include <cstdint>

namespace Protocol {

// Byte 0 of every message.
namespace Class {
inline constexpr std::uint8_t kStatus = 0x83;      // status queries
inline constexpr std::uint8_t kParameter = 0x84;   // parameters and commands of the data groups
inline constexpr std::uint8_t kDownload = 0x85;    // the firmware download channel
inline constexpr std::uint8_t kUnitCommand = 0x86; // firmware banks, reset
} // namespace Class

// Byte 1: the unit's function block a message concerns.
namespace Address {
inline constexpr std::uint8_t kGpsStatus = 0x01;
inline constexpr std::uint8_t kInstallStatus = 0x03;
inline constexpr std::uint8_t kGps = 0x04;
inline constexpr std::uint8_t kTimeCalculation = 0x06;
inline constexpr std::uint8_t kSystem = 0x07;
inline constexpr std::uint8_t kUserInformation = 0x08;
inline constexpr std::uint8_t kVersion = 0x09;
inline constexpr std::uint8_t kActivation = 0x0C;
inline constexpr std::uint8_t kReset = 0x0D;
inline constexpr std::uint8_t kClockTiming = 0x10;
inline constexpr std::uint8_t kDownload = 0x11;
inline constexpr std::uint8_t kConstellationLog = 0x12;
inline constexpr std::uint8_t kConstellationStatistics = 0x13;
inline constexpr std::uint8_t kCommissioning = 0x14;
} // namespace Address

// Byte 2, in the tool's numbering.
namespace Op {
// Parameter class.
inline constexpr std::uint8_t kWrite = 0x05;
inline constexpr std::uint8_t kWriteReply = 0x06;
inline constexpr std::uint8_t kCommand = 0x12;
inline constexpr std::uint8_t kCommandReply = 0x13;
inline constexpr std::uint8_t kRead = 0x17;
inline constexpr std::uint8_t kReadReply = 0x18;
inline constexpr std::uint8_t kInstallStatus = 0x1B;
inline constexpr std::uint8_t kInstallStatusReply = 0x1C;
// Status class.
inline constexpr std::uint8_t kGpsStatus = 0x12;
inline constexpr std::uint8_t kGpsStatusReply = 0x13;
inline constexpr std::uint8_t kDateTime = 0x23;
inline constexpr std::uint8_t kDateTimeReply = 0x24;
inline constexpr std::uint8_t kLogStatistics = 0x25;
inline constexpr std::uint8_t kLogStatisticsReply = 0x26;
inline constexpr std::uint8_t kConstellationStatistics = 0x27;
inline constexpr std::uint8_t kConstellationStatisticsReply = 0x28;
// Unit command class.
inline constexpr std::uint8_t kActivate = 0x36;        // also the reset request
inline constexpr std::uint8_t kActivateReply = 0x37;
inline constexpr std::uint8_t kReadFirmwareNames = 0x38;
inline constexpr std::uint8_t kFirmwareNamesReply = 0x39;
// Download class.
inline constexpr std::uint8_t kDownloadData = 0x8B;
inline constexpr std::uint8_t kDownloadDataReply = 0x8C;
inline constexpr std::uint8_t kDownloadText = 0x95;
inline constexpr std::uint8_t kDownloadTextReply = 0x97;
// Any class: the unit refused the request.
inline constexpr std::uint8_t kNegativeAck = 0xF0;
} // namespace Op

// The unit's parameters, by identifier.
namespace Param {
inline constexpr std::uint16_t kCommissioningBlock = 0x9001;
inline constexpr std::uint16_t kUserBlock = 0x9002;
inline constexpr std::uint16_t kVersionBlock = 0x9004;
inline constexpr std::uint16_t kBusOptions = 0xB002;
inline constexpr std::uint16_t kGpsParameters = 0xC001;
inline constexpr std::uint16_t kSystemOffsets = 0xC002;
inline constexpr std::uint16_t kAntennaDelay = 0xC003;
inline constexpr std::uint16_t kFrameClockDelay = 0xC004;
inline constexpr std::uint16_t kClockTiming = 0xC005;
inline constexpr std::uint16_t kUserName = 0xE001;
inline constexpr std::uint16_t kUserDate = 0xE002;
inline constexpr std::uint16_t kUserComments = 0xE003;
inline constexpr std::uint16_t kUserActions = 0xE004;
} // namespace Param

// The service's framing: requests go out after this mark, replies come back
// after the other.
inline constexpr std::uint8_t kServiceRequestMark = 0x53;
inline constexpr std::uint8_t kServiceReplyMark = 0x54;

// One opcode in the tool's numbering and its partner in the service's.
struct SOpcodePair {
    std::uint8_t internal;
    std::uint8_t service;
};

// The translation table of each message class, searched in this order.
inline constexpr std::array<SOpcodePair, 8> kParameterOpcodes{{{0x12, 0x01}, {0x13, 0x02}, {0x05, 0x53},
                                                              {0x06, 0x56}, {0x17, 0x54}, {0x18, 0x57},
                                                              {0x1B, 0x58}, {0x1C, 0x59}}};
inline constexpr std::array<SOpcodePair, 8> kStatusOpcodes{{{0x12, 0x66}, {0x13, 0x67}, {0x23, 0x65},
                                                           {0x24, 0x69}, {0x27, 0x80}, {0x28, 0x81},
                                                           {0x25, 0x82}, {0x26, 0x83}}};
inline constexpr std::array<SOpcodePair, 3> kDownloadOpcodes{{{0x95, 0x95}, {0x96, 0x96}, {0x97, 0x97}}};
inline constexpr std::array<SOpcodePair, 4> kUnitCommandOpcodes{{{0x36, 0x77}, {0x37, 0x78}, {0x38, 0x84},
                                                                {0x39, 0x85}}};

// The opcode the service sees for a request or reply of this class; an opcode
// without a partner passes unchanged.
[[nodiscard]] constexpr std::uint8_t ServiceOpcode(std::uint8_t messageClass, std::uint8_t internal);
[[nodiscard]] constexpr std::uint8_t InternalOpcode(std::uint8_t messageClass, std::uint8_t service);

namespace Detail {
template <std::size_t N>
constexpr std::uint8_t Translate(const std::array<SOpcodePair, N>& table, std::uint8_t opcode, bool toService)
{
    for (const SOpcodePair& pair : table) {
        if ((toService ? pair.internal : pair.service) == opcode)
            return toService ? pair.service : pair.internal;
    }
    return opcode;
}

constexpr std::uint8_t Translate(std::uint8_t messageClass, std::uint8_t opcode, bool toService)
{
    switch (messageClass) {
    case Class::kParameter:
        return Translate(kParameterOpcodes, opcode, toService);
    case Class::kStatus:
        return Translate(kStatusOpcodes, opcode, toService);
    case Class::kDownload:
        return Translate(kDownloadOpcodes, opcode, toService);
    case Class::kUnitCommand:
        return Translate(kUnitCommandOpcodes, opcode, toService);
    default:
        return opcode;
    }
}
} // namespace Detail

constexpr std::uint8_t ServiceOpcode(std::uint8_t messageClass, std::uint8_t internal)
{
    return Detail::Translate(messageClass, internal, true);
}

constexpr std::uint8_t InternalOpcode(std::uint8_t messageClass, std::uint8_t service)
{
    return Detail::Translate(messageClass, service, false);
}

} // namespace Protocol
