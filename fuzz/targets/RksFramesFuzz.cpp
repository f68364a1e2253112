// The tool's link reading the gateway's byte stream: the frame reader cutting
// frames out of reads of any size, and each body read as a reply. The reader
// must hand out exactly the frames a plain reading of the stream finds, and
// break exactly where that reading meets a length out of range.
//
// Input: a byte choosing how the stream is cut into reads, then the stream.

#include "FrameCutter.h"
#include "FuzzSupport.h"

#include "rks/RksFrame.h"
#include "rks/RksFrameReader.h"

#include <algorithm>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static CRksFrameReader reader;
    reader.Reset();
    fuzz::InputReader input({data, size});
    const std::uint8_t pattern = input.Byte();
    const auto stream = input.Rest();
    const fuzz::CutStream expected = fuzz::CutFrames(stream);

    std::size_t fed = 0, frames = 0, read = 0;
    bool broken = false;
    while (!broken) {
        std::span<const std::uint8_t> body;
        const CRksFrameReader::Status status = reader.Next(body);
        if (status == CRksFrameReader::Status::Frame) {
            FUZZ_CHECK(frames < expected.bodies.size());
            const auto& want = expected.bodies[frames++];
            FUZZ_CHECK(body.size() == want.size() && std::equal(body.begin(), body.end(), want.begin()));
            if (const auto reply = RksParseReply(body)) {
                FUZZ_CHECK(body.size() >= 4);
                FUZZ_CHECK(reply->kind == body[0] && reply->result == body[3]);
                FUZZ_CHECK(reply->bytes.size() == body.size() - 4);
            } else {
                FUZZ_CHECK(body.size() < 4);
            }
            continue;
        }
        if (status == CRksFrameReader::Status::Broken) {
            broken = true;
            break;
        }
        if (fed == stream.size())
            break;
        const std::span<std::uint8_t> space = reader.Space();
        FUZZ_CHECK(space.size() >= kRksMaxFrame);
        const std::size_t count = std::min({fuzz::ChunkSize(pattern, read++), space.size(), stream.size() - fed});
        std::memcpy(space.data(), stream.data() + fed, count);
        reader.Commit(count);
        fed += count;
    }
    FUZZ_CHECK(frames == expected.bodies.size());
    FUZZ_CHECK(broken == expected.broken);
    return 0;
}
