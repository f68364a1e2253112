// The simulator reading the tool's byte stream: its frame reader, fed in
// pieces of any size, must hand out exactly the frames a plain reading of the
// stream finds and refuse the stream where that reading meets a length out of
// range.
//
// Input: a byte choosing how the stream is cut into reads, then the stream.

#include "FrameCutter.h"
#include "FuzzSupport.h"

#include "sim/FrameReader.h"

#include <algorithm>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    sim::CFrameReader reader;
    fuzz::InputReader input({data, size});
    const std::uint8_t pattern = input.Byte();
    const auto stream = input.Rest();
    const fuzz::CutStream expected = fuzz::CutFrames(stream);

    std::size_t fed = 0, frames = 0, read = 0, consumed = 0;
    bool bad = false;
    for (;;) {
        std::span<const std::uint8_t> body;
        const sim::CFrameReader::Status status = reader.Next(body);
        if (status == sim::CFrameReader::Status::Frame) {
            FUZZ_CHECK(frames < expected.bodies.size());
            const auto& want = expected.bodies[frames++];
            FUZZ_CHECK(body.size() == want.size() && std::equal(body.begin(), body.end(), want.begin()));
            consumed += 4 + body.size();
            continue;
        }
        if (status == sim::CFrameReader::Status::BadLength) {
            bad = true;
            break;
        }
        if (fed == stream.size())
            break;
        const std::size_t count = std::min(fuzz::ChunkSize(pattern, read++), stream.size() - fed);
        // Alternate the two ways bytes come in: straight into the buffer, or copied.
        if (read % 2 == 0) {
            std::memcpy(reader.Prepare(count), stream.data() + fed, count);
            reader.Commit(count);
        } else {
            reader.Append(stream.data() + fed, count);
        }
        fed += count;
    }
    FUZZ_CHECK(frames == expected.bodies.size());
    FUZZ_CHECK(bad == expected.broken);
    // What is held is the unfinished frame, no more.
    if (!bad)
        FUZZ_CHECK(reader.Buffered() == fed - consumed);
    return 0;
}
