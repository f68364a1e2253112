// Cutting the byte stream into frames, however the bytes arrive.

#include "sim/FrameReader.h"

#include <gtest/gtest.h>

#include <vector>

using sim::CFrameReader;
using Bytes = std::vector<std::uint8_t>;

namespace {

Bytes Frame(const Bytes& body)
{
    const auto n = std::uint32_t(body.size());
    Bytes f = {std::uint8_t(n >> 24), std::uint8_t(n >> 16), std::uint8_t(n >> 8), std::uint8_t(n)};
    f.insert(f.end(), body.begin(), body.end());
    return f;
}

std::vector<Bytes> Drain(CFrameReader& reader, CFrameReader::Status& last)
{
    std::vector<Bytes> bodies;
    std::span<const std::uint8_t> body;
    while ((last = reader.Next(body)) == CFrameReader::Status::Frame)
        bodies.emplace_back(body.begin(), body.end());
    return bodies;
}

} // namespace

TEST(SimFrameReader, FrameSplitAcrossReadsComesOutWhole)
{
    const Bytes stream = Frame({0x02, 0x00, 0x07, 0x00, 0x53, 0x54});
    CFrameReader reader;
    CFrameReader::Status last;
    for (std::size_t i = 0; i + 1 < stream.size(); ++i) {
        reader.Append(&stream[i], 1);
        EXPECT_TRUE(Drain(reader, last).empty()) << "after byte " << i;
        EXPECT_EQ(last, CFrameReader::Status::NeedMore);
    }
    reader.Append(&stream.back(), 1);
    const auto bodies = Drain(reader, last);
    ASSERT_EQ(bodies.size(), 1u);
    EXPECT_EQ(bodies[0], (Bytes{0x02, 0x00, 0x07, 0x00, 0x53, 0x54}));
    EXPECT_EQ(reader.Buffered(), 0u);
}

TEST(SimFrameReader, SeveralFramesInOneReadAndAPartialTail)
{
    Bytes stream = Frame({0x01, 0x00, 0x01, 'A'});
    const Bytes second = Frame({0x03, 0x00, 0x02});
    const Bytes third = Frame({0x02, 0x00, 0x03, 0x00, 0x53});
    stream.insert(stream.end(), second.begin(), second.end());
    stream.insert(stream.end(), third.begin(), third.begin() + 5);

    CFrameReader reader;
    reader.Append(stream.data(), stream.size());
    CFrameReader::Status last;
    auto bodies = Drain(reader, last);
    ASSERT_EQ(bodies.size(), 2u);
    EXPECT_EQ(bodies[0], (Bytes{0x01, 0x00, 0x01, 'A'}));
    EXPECT_EQ(bodies[1], (Bytes{0x03, 0x00, 0x02}));
    EXPECT_EQ(last, CFrameReader::Status::NeedMore);

    // The tail survives the buffer being compacted by the next write.
    std::uint8_t* into = reader.Prepare(third.size() - 5);
    std::copy(third.begin() + 5, third.end(), into);
    reader.Commit(third.size() - 5);
    bodies = Drain(reader, last);
    ASSERT_EQ(bodies.size(), 1u);
    EXPECT_EQ(bodies[0], (Bytes{0x02, 0x00, 0x03, 0x00, 0x53}));
}

TEST(SimFrameReader, LengthLimitsAreOneAnd65536)
{
    const auto statusFor = [](std::uint32_t length) {
        CFrameReader reader;
        const Bytes head = {std::uint8_t(length >> 24), std::uint8_t(length >> 16), std::uint8_t(length >> 8),
                            std::uint8_t(length)};
        reader.Append(head.data(), head.size());
        std::span<const std::uint8_t> body;
        return reader.Next(body);
    };
    EXPECT_EQ(statusFor(0), CFrameReader::Status::BadLength);
    EXPECT_EQ(statusFor(65537), CFrameReader::Status::BadLength);
    EXPECT_EQ(statusFor(0xFFFFFFFFu), CFrameReader::Status::BadLength);
    // Legal lengths wait for their body rather than fail.
    EXPECT_EQ(statusFor(1), CFrameReader::Status::NeedMore);
    EXPECT_EQ(statusFor(65536), CFrameReader::Status::NeedMore);

    Bytes largest(65536, 0xAB);
    const Bytes stream = Frame(largest);
    CFrameReader reader;
    reader.Append(stream.data(), stream.size());
    CFrameReader::Status last;
    const auto bodies = Drain(reader, last);
    ASSERT_EQ(bodies.size(), 1u);
    EXPECT_EQ(bodies[0], largest);
}

TEST(SimFrameReader, BadLengthPoisonsTheStream)
{
    Bytes stream = Frame({0x03, 0x00, 0x01});
    const Bytes bad = {0, 0, 0, 0};
    stream.insert(stream.end(), bad.begin(), bad.end());
    const Bytes good = Frame({0x03, 0x00, 0x02});
    stream.insert(stream.end(), good.begin(), good.end());

    CFrameReader reader;
    reader.Append(stream.data(), stream.size());
    CFrameReader::Status last;
    EXPECT_EQ(Drain(reader, last).size(), 1u);
    EXPECT_EQ(last, CFrameReader::Status::BadLength);
    std::span<const std::uint8_t> body;
    EXPECT_EQ(reader.Next(body), CFrameReader::Status::BadLength);
}
