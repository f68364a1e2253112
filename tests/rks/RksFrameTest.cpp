#include "FakeRksServer.h"
#include "rks/RksFrame.h"
#include "rks/RksFrameReader.h"

#include <gtest/gtest.h>

#include <algorithm>

TEST(RksFrame, SequenceNumbersAreBigEndian)
{
    Bytes frame;
    ASSERT_TRUE(RksBuildOpen(frame, 0x0102, "A=1"));
    EXPECT_EQ(frame, (Bytes{0, 0, 0, 6, 0x01, 0x01, 0x02, 'A', '=', '1'}));
    ASSERT_TRUE(RksBuildTransfer(frame, 0xFFFE, {}, Bytes{0x53}));
    EXPECT_EQ(frame, (Bytes{0, 0, 0, 5, 0x02, 0xFF, 0xFE, 0, 0x53}));
    RksBuildClose(frame, 0x8000);
    EXPECT_EQ(frame, (Bytes{0, 0, 0, 3, 0x03, 0x80, 0x00}));
}

TEST(RksFrame, OversizedRequestsAreRefused)
{
    Bytes frame;
    const std::string route(255, 'r');
    const Bytes fits(65536 - 4 - 255, 0xAA);
    ASSERT_TRUE(RksBuildTransfer(frame, 1, route, fits));
    EXPECT_EQ(frame.size(), 4u + 65536u);
    EXPECT_EQ((Bytes(frame.begin(), frame.begin() + 4)), (Bytes{0, 1, 0, 0}));

    EXPECT_FALSE(RksBuildTransfer(frame, 1, route + "r", {}));
    EXPECT_TRUE(frame.empty());
    EXPECT_FALSE(RksBuildTransfer(frame, 1, route, Bytes(fits.size() + 1)));
    EXPECT_TRUE(RksBuildOpen(frame, 1, std::string(65533, 'x')));
    EXPECT_FALSE(RksBuildOpen(frame, 1, std::string(65534, 'x')));
}

namespace {
// Feeds `stream` to the reader in pieces of `piece` bytes; returns the bodies.
std::vector<Bytes> ReadAll(CRksFrameReader& reader, const Bytes& stream, std::size_t piece, bool& broken)
{
    std::vector<Bytes> bodies;
    broken = false;
    for (std::size_t at = 0; at < stream.size() && !broken;) {
        const auto space = reader.Space();
        const std::size_t count = std::min({piece, space.size(), stream.size() - at});
        std::copy_n(stream.begin() + static_cast<std::ptrdiff_t>(at), count, space.begin());
        reader.Commit(count);
        at += count;
        std::span<const std::uint8_t> body;
        CRksFrameReader::Status status;
        while ((status = reader.Next(body)) == CRksFrameReader::Status::Frame)
            bodies.emplace_back(body.begin(), body.end());
        broken = status == CRksFrameReader::Status::Broken;
    }
    return bodies;
}

void AppendFrame(Bytes& stream, const Bytes& body)
{
    const std::size_t n = body.size();
    stream.insert(stream.end(), {static_cast<std::uint8_t>(n >> 24), static_cast<std::uint8_t>(n >> 16),
                                 static_cast<std::uint8_t>(n >> 8), static_cast<std::uint8_t>(n)});
    stream.insert(stream.end(), body.begin(), body.end());
}
} // namespace

TEST(RksFrameReader, FramesSurviveAnySplitAndTheBufferWrapping)
{
    // Sizes up to the largest body, in pieces that cut lengths and bodies
    // anywhere; enough bytes to make the buffer move its rest to the front.
    std::vector<Bytes> sent;
    Bytes stream;
    for (std::size_t i = 0; i < 40; ++i) {
        const std::size_t size = i % 5 == 4 ? 65536 - i : 1 + i * 997 % 9000;
        sent.emplace_back(size, static_cast<std::uint8_t>(i));
        sent.back().front() = static_cast<std::uint8_t>(0xF0 + i % 16);
        AppendFrame(stream, sent.back());
    }
    for (std::size_t piece : {std::size_t{1}, std::size_t{3}, std::size_t{4093}, stream.size()}) {
        CRksFrameReader reader;
        bool broken = true;
        const auto bodies = ReadAll(reader, stream, piece, broken);
        EXPECT_FALSE(broken);
        EXPECT_TRUE(bodies == sent) << "piece " << piece;
    }
}

TEST(RksFrameReader, LengthOutOfRangeBreaksTheStreamUntilReset)
{
    for (const Bytes& bad : {Bytes{0, 0, 0, 0, 0x82}, Bytes{0, 1, 0, 1, 0x82}, Bytes{0xFF, 0, 0, 1}}) {
        Bytes stream;
        AppendFrame(stream, {0x81, 0, 1, 0});
        stream.insert(stream.end(), bad.begin(), bad.end());
        AppendFrame(stream, {0x82, 0, 2, 0});
        CRksFrameReader reader;
        bool broken = false;
        EXPECT_EQ(ReadAll(reader, stream, stream.size(), broken).size(), 1u);
        EXPECT_TRUE(broken);
        std::span<const std::uint8_t> body;
        EXPECT_EQ(reader.Next(body), CRksFrameReader::Status::Broken);

        reader.Reset();
        Bytes good;
        AppendFrame(good, {0x82, 0, 3, 0});
        EXPECT_EQ(ReadAll(reader, good, 1, broken).size(), 1u);
        EXPECT_FALSE(broken);
    }
}
