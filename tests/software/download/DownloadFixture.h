#pragma once
// The download engine (or its dialog) against a played unit: sample master
// files and images written byte by byte in a temporary folder, the requests
// the engine sends and the replies the unit gives.

#include "platform/TimerScale.h"
#include "support/PlayedUnit.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <utility>
#include <string>
#include <vector>

namespace dltest {

using Bytes = std::vector<std::uint8_t>;

constexpr std::uint16_t kUnitAddress = 0x0102; // a remote connection names it as ADDR=258
constexpr std::uint16_t kMulticast = 0x0083;
constexpr int kHeaderSize = 48; // an image header with all stored lengths 0

inline void PutLe32(QByteArray& bytes, int offset, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[offset + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

inline void PutText(QByteArray& bytes, int offset, const std::string& text)
{
    for (std::size_t i = 0; i < text.size(); ++i)
        bytes[offset + static_cast<int>(i)] = text[i];
}

// CRC-16/XMODEM bit by bit, independent of the program's table.
inline std::uint16_t SlowCrc(const QByteArray& data, int from)
{
    std::uint16_t crc = 0;
    for (int i = from; i < data.size(); ++i) {
        crc ^= static_cast<std::uint16_t>(static_cast<std::uint8_t>(data[i]) << 8);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 0x8000) ? static_cast<std::uint16_t>((crc << 1) ^ 0x1021) : static_cast<std::uint16_t>(crc << 1);
    }
    return crc;
}

struct MasterLayout {
    std::string magic = "q1swdl10";
    std::uint32_t record = 100;
    std::uint8_t count = 1;
    std::string imageName = "QORA.IMG";
    std::string softwareName = "QORA_R2_1";
    int length = 0; // 0: just past the software name's field
};

inline QByteArray MasterBytes(const MasterLayout& layout)
{
    const int length = layout.length ? layout.length : static_cast<int>(layout.record) + 118;
    QByteArray bytes(length, '\0');
    PutText(bytes, 0, layout.magic);
    PutLe32(bytes, 84, layout.record);
    if (static_cast<int>(layout.record) + 88 < length)
        bytes[layout.record + 88] = static_cast<char>(layout.count);
    if (static_cast<int>(layout.record) + 105 + 13 <= length) {
        PutText(bytes, static_cast<int>(layout.record) + 89, layout.imageName);
        PutText(bytes, static_cast<int>(layout.record) + 105, layout.softwareName);
    }
    return bytes;
}

// An image of the given total length: a 48-byte header whose first value is
// the checksum of the rest, then a counting pattern.
inline QByteArray ImageBytes(int length, bool goodChecksum = true)
{
    // The checksum bit by bit is slow for the megabytes of the larger images.
    static std::map<std::pair<int, bool>, QByteArray> made;
    if (const auto found = made.find({length, goodChecksum}); found != made.end())
        return found->second;
    QByteArray bytes(length, '\0');
    for (int i = kHeaderSize; i < length; ++i)
        bytes[i] = static_cast<char>((i * 7 + 3) & 0xFF);
    PutLe32(bytes, 0, SlowCrc(bytes, kHeaderSize) ^ (goodChecksum ? 0 : 0x5A5A));
    made.emplace(std::pair{length, goodChecksum}, bytes);
    return bytes;
}

// Requests.
inline Bytes Text(const std::string& command)
{
    Bytes bytes{0x85, 0x11, 0x95, static_cast<std::uint8_t>(command.size())};
    bytes.insert(bytes.end(), command.begin(), command.end());
    bytes.push_back(0);
    return bytes;
}

inline Bytes WriteRequest(std::uint16_t destination, const std::string& name)
{
    Bytes packet{0x00, 0x02};
    for (const std::string& part : {name, std::string("octet"), std::string("blksize"), std::string("506")}) {
        packet.insert(packet.end(), part.begin(), part.end());
        packet.push_back(0);
    }
    Bytes bytes{0x85, 0x11, 0x8B, std::uint8_t(destination >> 8), std::uint8_t(destination),
                std::uint8_t(packet.size() >> 8), std::uint8_t(packet.size())};
    bytes.insert(bytes.end(), packet.begin(), packet.end());
    return bytes;
}

inline Bytes DataBlock(std::uint16_t destination, std::uint16_t block, const QByteArray& data)
{
    const std::size_t packet = 4 + static_cast<std::size_t>(data.size());
    Bytes bytes{0x85, 0x11, 0x8B, std::uint8_t(destination >> 8), std::uint8_t(destination),
                std::uint8_t(packet >> 8), std::uint8_t(packet), 0x00, 0x03, std::uint8_t(block >> 8),
                std::uint8_t(block)};
    bytes.insert(bytes.end(), data.begin(), data.end());
    return bytes;
}

inline Bytes TransferStart(std::uint16_t unit, bool remote, const std::string& name, std::uint32_t resume)
{
    Bytes body{'M', ':', '1', '7', ',', '2', ',', '5', 0x00, 0x31, 0x00, 20, std::uint8_t(unit >> 8),
               std::uint8_t(unit), 0x01, std::uint8_t(remote ? 'R' : 'I')};
    Bytes field(12, 0);
    std::copy(name.begin(), name.end(), field.begin());
    body.insert(body.end(), field.begin(), field.end());
    for (int shift = 24; shift >= 0; shift -= 8)
        body.push_back(std::uint8_t(resume >> shift));
    body.push_back(0x0D);
    Bytes bytes{0x85, 0x11, 0x95, std::uint8_t(body.size())};
    bytes.insert(bytes.end(), body.begin(), body.end());
    return bytes;
}

// Replies.
inline Bytes Echo(const std::string& command)
{
    Bytes bytes{0x85, 0x11, 0x97};
    bytes.insert(bytes.end(), command.begin(), command.end());
    return bytes;
}

inline Bytes Ack(std::uint16_t block, std::uint16_t opcode = 4)
{
    return {0x85, 0x11, 0x8C, 0x00, 0x04, 0x8B, std::uint8_t(opcode >> 8), std::uint8_t(opcode),
            std::uint8_t(block >> 8), std::uint8_t(block)};
}

// The eight characters of a command, the 0x0031 mark, the block length, then the block.
inline Bytes StatusReply(const std::string& command8, std::uint16_t blockLength, const Bytes& block)
{
    Bytes bytes{0x85, 0x11, 0x97};
    bytes.insert(bytes.end(), command8.begin(), command8.end());
    bytes.insert(bytes.end(), {0x00, 0x31, std::uint8_t(blockLength >> 8), std::uint8_t(blockLength)});
    bytes.insert(bytes.end(), block.begin(), block.end());
    return bytes;
}

inline Bytes VersionReply(std::uint16_t result, std::uint16_t status = 0)
{
    return StatusReply("M:17,2,2", 8,
                       {std::uint8_t(status >> 8), std::uint8_t(status), 0, 0, 0, std::uint8_t(result >> 8),
                        std::uint8_t(result), 0, 0});
}

inline Bytes StatusQueryReply(std::uint16_t status, std::uint32_t held)
{
    return StatusReply("M:17,3,1", 6,
                       {std::uint8_t(status >> 8), std::uint8_t(status), std::uint8_t(held >> 24),
                        std::uint8_t(held >> 16), std::uint8_t(held >> 8), std::uint8_t(held), 0});
}

inline Bytes FinalStatusReply(std::uint16_t status)
{
    return StatusReply("M:17,3,0", 2, {std::uint8_t(status >> 8), std::uint8_t(status), 0});
}

inline Bytes TransferStartReply(std::uint8_t status)
{
    return {0x85, 0x11, 0x97, 'M', ':', '1', '7', ',', '2', ',', '5', 0, 0, 0, 0, status, 0};
}

class DownloadFixture : public PlayedUnitTest {
protected:
    void SetUp() override
    {
        PlayedUnitTest::SetUp();
        SetTimerScale(0.01);
        ASSERT_TRUE(dir.isValid());
        WriteFile("QORA.IMG", ImageBytes(2000));
        WriteFile("RELEASE.MFI", MasterBytes({}));
    }
    void TearDown() override
    {
        SetTimerScale(1.0);
        PlayedUnitTest::TearDown();
    }

    QString WriteFile(const QString& name, const QByteArray& bytes)
    {
        const QString path = dir.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
        return path;
    }
    QString MasterPath() const { return dir.filePath(QStringLiteral("RELEASE.MFI")); }
    QByteArray Master() const { return MasterBytes({}); }

    // Connects again, remotely, with this connection string.
    void GoRemote(const std::string& connection)
    {
        Reconnect(ConnectionRoute::Browsed, connection, connection);
        ASSERT_EQ(handler->GetConnectionType(), ConnectionType::ConnectedBrowsed);
    }

    // The requests sent once at least one is there (after a wait of the engine).
    std::vector<Bytes> Awaited()
    {
        PumpUntil([this] { return handler->SendQueueLength() > 0; }, 3000);
        return Sent();
    }

    // A request the transport could not deliver, as the handler reports it.
    void Lose(MsgLParam header = 0x85118B) { PlayedUnit::Lose(header); }

    QTemporaryDir dir;
};

} // namespace dltest
