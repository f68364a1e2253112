#pragma once
// Building request bodies and taking reply frames apart, as the tool's link
// does on its side.

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace simtest {

using Bytes = std::vector<std::uint8_t>;

inline const char* const kConnection = "WP=SOCKET,HOST=192.168.255.120,PORT=7000,WP=NEQ1,ADDR=131";

inline Bytes OpenBody(std::uint16_t seq, std::string_view connection = kConnection)
{
    Bytes b = {0x01, std::uint8_t(seq >> 8), std::uint8_t(seq)};
    b.insert(b.end(), connection.begin(), connection.end());
    return b;
}

inline Bytes TransferBody(std::uint16_t seq, const Bytes& request, std::string_view route = {})
{
    Bytes b = {0x02, std::uint8_t(seq >> 8), std::uint8_t(seq), std::uint8_t(route.size())};
    b.insert(b.end(), route.begin(), route.end());
    b.insert(b.end(), request.begin(), request.end());
    return b;
}

inline Bytes Framed(const Bytes& body)
{
    const auto n = std::uint32_t(body.size());
    Bytes f = {std::uint8_t(n >> 24), std::uint8_t(n >> 16), std::uint8_t(n >> 8), std::uint8_t(n)};
    f.insert(f.end(), body.begin(), body.end());
    return f;
}

struct Reply {
    std::uint8_t kind = 0;
    std::uint16_t seq = 0;
    std::uint8_t result = 0;
    Bytes bytes;
};

// One reply frame from the front of `stream`, which loses it; nullopt when
// the stream does not start with a whole, well-formed reply.
inline std::optional<Reply> TakeReply(Bytes& stream)
{
    if (stream.size() < 4)
        return std::nullopt;
    const std::uint32_t n = (std::uint32_t(stream[0]) << 24) | (std::uint32_t(stream[1]) << 16)
        | (std::uint32_t(stream[2]) << 8) | stream[3];
    if (n < 4 || stream.size() < 4 + n)
        return std::nullopt;
    Reply r;
    r.kind = stream[4];
    r.seq = std::uint16_t((stream[5] << 8) | stream[6]);
    r.result = stream[7];
    r.bytes.assign(stream.begin() + 8, stream.begin() + 4 + n);
    stream.erase(stream.begin(), stream.begin() + 4 + n);
    return r;
}

inline const Bytes kReadVersion = {0x53, 0x54, 0x01, 0x00, 0x90, 0x04};

} // namespace simtest
