#pragma once
// The tool's half of a firmware download, as bytes on the link: the text
// commands on the null route and the TFTP packets on the download route, and
// readers for the unit's replies. The exchange itself is left to the caller,
// so the same dialogue runs against a unit model or the simulator process.

#include <algorithm>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace simtest {

using FwBytes = std::vector<std::uint8_t>;

inline constexpr std::string_view kFwRoute = "wp=opt,pr=q1ad,wp=fe,id=0,ch=9";
inline constexpr std::size_t kFwBlock = 506;

inline FwBytes FwCommand(std::string_view text)
{
    FwBytes b(text.begin(), text.end());
    b.push_back(0);
    return b;
}

inline const FwBytes kFwStart = FwCommand("M:17,2,1\r");
inline const FwBytes kFwVersionCheck = FwCommand("M:17,2,2\r");
inline const FwBytes kFwEnd = FwCommand("M:17,2,4\r");
inline const FwBytes kFwFinalStatus = FwCommand("M:17,3,0\r");
inline const FwBytes kFwStatusQuery = FwCommand("M:17,3,1");

inline FwBytes FwTransferStart(std::uint32_t offset, std::string_view software = "QORSW310")
{
    FwBytes b = FwCommand("M:17,2,5");
    b.insert(b.end(), {0x31, 0x00, 20, 0x00, 131, 0x01, 'I'});
    FwBytes name(12, 0);
    std::copy_n(software.begin(), std::min<std::size_t>(software.size(), 11), name.begin());
    b.insert(b.end(), name.begin(), name.end());
    b.insert(b.end(), {std::uint8_t(offset >> 24), std::uint8_t(offset >> 16), std::uint8_t(offset >> 8),
                       std::uint8_t(offset), 0x0D});
    return b;
}

inline FwBytes FwWriteRequest(std::string_view name)
{
    FwBytes b = {0x00, 0x02};
    for (std::string_view part : {name, std::string_view("octet"), std::string_view("blksize"), std::string_view("506")}) {
        b.insert(b.end(), part.begin(), part.end());
        b.push_back(0);
    }
    return b;
}

inline FwBytes FwData(std::uint16_t block, const FwBytes& file, std::size_t from, std::size_t count)
{
    FwBytes b = {0x00, 0x03, std::uint8_t(block >> 8), std::uint8_t(block)};
    b.insert(b.end(), file.begin() + std::ptrdiff_t(from), file.begin() + std::ptrdiff_t(from + count));
    return b;
}

inline FwBytes FwAck(std::uint16_t block) { return {0x00, 0x04, std::uint8_t(block >> 8), std::uint8_t(block)}; }

inline std::uint16_t FwWord(const FwBytes& b, std::size_t at) { return std::uint16_t(b[at] << 8 | b[at + 1]); }

// The fields of a status reply at the tool's offsets less its three bytes.
inline std::uint16_t FwStatus(const FwBytes& reply) { return reply.size() > 13 ? FwWord(reply, 12) : 0xFFFF; }
inline std::uint16_t FwVersionResult(const FwBytes& reply) { return reply.size() == 21 ? FwWord(reply, 17) : 0xFFFF; }
inline std::uint8_t FwTransferStatus(const FwBytes& reply) { return reply.size() == 14 ? reply[12] : 0xFF; }
inline std::uint32_t FwHeld(const FwBytes& reply)
{
    return reply.size() == 19 ? std::uint32_t(FwWord(reply, 14)) << 16 | FwWord(reply, 16) : 0xFFFFFFFF;
}

// One exchange: route (empty: null route) and request in, the unit's reply
// out, nullopt when it did not answer.
using FwExchange = std::function<std::optional<FwBytes>(std::string_view route, const FwBytes& request)>;

// Sends `file` from `from` as a write request and data blocks; stops after the
// block numbered `stopAfter` (0: runs to the end). True when every reply was
// the acknowledgement expected.
inline bool FwSendFile(const FwExchange& exchange, std::string_view name, const FwBytes& file, std::size_t from = 0,
                       std::uint16_t stopAfter = 0)
{
    if (exchange(kFwRoute, FwWriteRequest(name)) != FwAck(0))
        return false;
    std::uint16_t block = 0;
    for (std::size_t sent = from;;) {
        const std::size_t count = std::min(kFwBlock, file.size() - sent);
        ++block;
        if (exchange(kFwRoute, FwData(block, file, sent, count)) != FwAck(block))
            return false;
        sent += count;
        if (count < kFwBlock || block == stopAfter)
            return true;
    }
}

} // namespace simtest
