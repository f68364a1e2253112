#include "sim/FloodFaults.h"

#include "sim/LinkContract.h"

namespace sim {
namespace {

bool ParseCount(const QString& text, std::uint32_t min, std::uint32_t max, std::uint32_t& value)
{
    bool ok = false;
    const uint parsed = text.toUInt(&ok, 10);
    if (!ok || text.startsWith(u'+') || parsed < min || parsed > max)
        return false;
    value = parsed;
    return true;
}

// A stray frame is as large as a frame may be, so that a tool which kept
// them would show it in its memory at once.
void AppendStray(std::vector<std::uint8_t>& out, std::uint16_t seq)
{
    const std::uint32_t length = kMaxBodySize;
    out.push_back(std::uint8_t(length >> 24));
    out.push_back(std::uint8_t(length >> 16));
    out.push_back(std::uint8_t(length >> 8));
    out.push_back(std::uint8_t(length));
    out.push_back(std::uint8_t(kKindTransfer | kReplyKindFlag));
    out.push_back(std::uint8_t(seq >> 8));
    out.push_back(std::uint8_t(seq));
    out.push_back(kResultOk);
    // Reply bytes that look like a status reply, so that a tool passing them
    // on would have listeners decode them.
    out.resize(out.size() + length - kBodyHeaderSize - 1, 0x54);
}

} // namespace

FloodOptionParse ParseFloodOption(const QString& name, const QString& value, FaultOptions& faults, QString& error)
{
    if (name == u"--repeat-replies") {
        if (!ParseCount(value, 1, kMaxRepeatReplies, faults.repeatReplies)) {
            error = QStringLiteral("%1: '%2' is not a whole number from 1 to %3").arg(name, value).arg(kMaxRepeatReplies);
            return FloodOptionParse::Bad;
        }
        return FloodOptionParse::Taken;
    }
    if (name == u"--stray-frames") {
        if (!ParseCount(value, 0, kMaxStrayFrames, faults.strayFrames)) {
            error = QStringLiteral("%1: '%2' is not a whole number from 0 to %3").arg(name, value).arg(kMaxStrayFrames);
            return FloodOptionParse::Bad;
        }
        return FloodOptionParse::Taken;
    }
    return FloodOptionParse::NotMine;
}

QString FloodHelpText()
{
    return QStringLiteral(
        "Flooding (a unit that sends more than it is asked for):\n"
        "  --repeat-replies N      send every TRANSFER reply N times in all (1..1000,\n"
        "                          default 1); the repeats carry the same sequence number\n"
        "  --stray-frames N        after every TRANSFER reply send N unsolicited reply\n"
        "                          frames of the largest size (65536-byte body), result 0,\n"
        "                          with the sequence numbers of earlier requests (0..64)\n");
}

void AppendFlood(const FaultOptions& faults, std::uint16_t seq, std::vector<std::uint8_t>& out, std::size_t replyAt)
{
    if (replyAt >= out.size())
        return;
    if (faults.repeatReplies > 1) {
        const std::vector<std::uint8_t> reply(out.begin() + std::ptrdiff_t(replyAt), out.end());
        for (std::uint32_t i = 1; i < faults.repeatReplies; ++i)
            out.insert(out.end(), reply.begin(), reply.end());
    }
    // Earlier sequence numbers, never the next one: that one the tool will
    // await, and a frame carrying it would pass for the next reply.
    for (std::uint32_t i = 0; i < faults.strayFrames; ++i)
        AppendStray(out, std::uint16_t(seq - 1 - i % 16));
}

} // namespace sim
