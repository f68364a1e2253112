// Summaries of every request the tool sends, built as the groups build them
// and framed by the driver's own framing, so the decoder reads exactly what
// goes over the link.

#include "traffic/ExchangeDecoder.h"

#include "link/DeviceMessage.h"
#include "link/ServiceFraming.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr char kDownloadRoute[] = "wp=opt,pr=q1ad";

STrafficExchange Sent(const Bytes& message, const Bytes& reply = {})
{
    CDeviceMessage request;
    request.AppendBytes(message.data(), static_cast<std::int32_t>(message.size()));
    const auto framed = ServiceFraming::FrameRequest(request, std::string(kDownloadRoute));
    EXPECT_TRUE(framed.has_value());
    STrafficExchange exchange;
    if (framed) {
        exchange.route = framed->route;
        exchange.req = framed->bytes;
    }
    if (!reply.empty())
        exchange.rep = reply;
    return exchange;
}

Bytes Text(const std::string& text, bool terminated = true)
{
    Bytes bytes(text.begin(), text.end());
    if (terminated)
        bytes.push_back(0);
    return bytes;
}

Bytes DownloadText(const std::string& command)
{
    Bytes message = {0x85, 0x11, 0x95, static_cast<std::uint8_t>(command.size())};
    const Bytes text = Text(command);
    message.insert(message.end(), text.begin(), text.end());
    return message;
}

Bytes Block(const Bytes& tftp)
{
    Bytes message = {0x85, 0x11, 0x8B, 0x00, 0x83, static_cast<std::uint8_t>(tftp.size() >> 8),
                     static_cast<std::uint8_t>(tftp.size() & 0xFF)};
    message.insert(message.end(), tftp.begin(), tftp.end());
    return message;
}

QString Summary(const STrafficExchange& exchange)
{
    return DescribeExchange(exchange);
}

TEST(ExchangeDecoder, ParameterReadsNameTheGroupsParameters)
{
    EXPECT_EQ(Summary(Sent({0x84, 0x09, 0x17, 0x01, 0x00, 0x90, 0x04})), "read 0x9004 version block");
    EXPECT_EQ(Summary(Sent({0x84, 0x04, 0x17, 0x01, 0x00, 0xC0, 0x01})), "read 0xC001 GPS parameters");
    EXPECT_EQ(Summary(Sent({0x84, 0x10, 0x17, 0x01, 0x00, 0xC0, 0x05})), "read 0xC005 clock timing");
    EXPECT_EQ(Summary(Sent({0x84, 0x08, 0x17, 0x01, 0x00, 0xE0, 0x01})), "read 0xE001 user name");
    // An identifier outside our tables still shows its number.
    EXPECT_EQ(Summary(Sent({0x84, 0x08, 0x17, 0x01, 0x00, 0x12, 0xAB})), "read 0x12AB");
}

TEST(ExchangeDecoder, WritesCountTheValueBytesAndFlagADisagreeingLengthByte)
{
    Bytes block = {0x84, 0x14, 0x05, 0x90, 0x01, 88};
    block.resize(block.size() + 88, 0x11);
    EXPECT_EQ(Summary(Sent(block)), "write 0x9001 commissioning block (88 bytes)");

    Bytes option = {0x84, 0x07, 0x05, 0xB0, 0x02, 1, 1};
    EXPECT_EQ(Summary(Sent(option)), "write 0xB002 last-device option (1 bytes)");

    Bytes lying = {0x84, 0x14, 0x05, 0x90, 0x02, 10, 1, 2};
    EXPECT_EQ(Summary(Sent(lying)), "write 0x9002 user block (2 bytes), length byte 10");
}

TEST(ExchangeDecoder, CommissioningCommandsAndUnitCommands)
{
    EXPECT_EQ(Summary(Sent({0x84, 0x14, 0x12, 0x00, 0x01})), "command 0x0001 open commissioning");
    EXPECT_EQ(Summary(Sent({0x84, 0x14, 0x12, 0x00, 0x00})), "command 0x0000 close commissioning");
    EXPECT_EQ(Summary(Sent({0x84, 0x14, 0x12, 0x00, 0x07})), "command 0x0007");
    EXPECT_EQ(Summary(Sent({0x86, 0x0D, 0x36, 0x00, 0x00})), "unit reset");
    EXPECT_EQ(Summary(Sent({0x86, 0x0C, 0x38, 0x00, 0x00})), "read firmware names");
    Bytes activate = {0x86, 0x0C, 0x36, 11};
    const Bytes name = Text("100001.bin");
    activate.insert(activate.end(), name.begin(), name.end());
    EXPECT_EQ(Summary(Sent(activate)), "activate firmware 100001.bin");
}

TEST(ExchangeDecoder, StatusQueries)
{
    EXPECT_EQ(Summary(Sent({0x83, 0x01, 0x12, 0x00, 0x00})), "GPS status");
    EXPECT_EQ(Summary(Sent({0x84, 0x03, 0x1B})), "installation status");
    EXPECT_EQ(Summary(Sent({0x83, 0x13, 0x27, 0x00, 0x00})), "constellation statistics");
    EXPECT_EQ(Summary(Sent({0x83, 0x12, 0x25, 0x00, 0x00})), "constellation log statistics");
    EXPECT_EQ(Summary(Sent({0x83, 0x04, 0x23, 0x00, 0x00})), "date and time");
}

TEST(ExchangeDecoder, DownloadTextCommands)
{
    EXPECT_EQ(Summary(Sent(DownloadText("M:17,2,1\r"))), "M:17,2,1 download start");
    EXPECT_EQ(Summary(Sent(DownloadText("M:17,2,2\r"))), "M:17,2,2 version check");
    EXPECT_EQ(Summary(Sent(DownloadText("M:17,2,4\r"))), "M:17,2,4 download end");
    EXPECT_EQ(Summary(Sent(DownloadText("M:17,3,0\r"))), "M:17,3,0 final status");
    EXPECT_EQ(Summary(Sent(DownloadText("M:17,3,1"))), "M:17,3,1 status query");

    // Transfer start: the text, its zero, then binary fields.
    Bytes start = Text("M:17,2,5");
    const Bytes fields = {0x31, 0x00, 20, 0x00, 0x83, 0x01, 0x52, 'Q', 'O', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                          0, 0, 0, 0, 0x0D};
    start.insert(start.end(), fields.begin(), fields.end());
    Bytes message = {0x85, 0x11, 0x95, static_cast<std::uint8_t>(start.size())};
    message.insert(message.end(), start.begin(), start.end());
    EXPECT_EQ(Summary(Sent(message, {'O', 'K'})), "M:17,2,5 transfer start");

    EXPECT_EQ(Summary(Sent(DownloadText("M:99"))), "M:99 unknown command text");
}

TEST(ExchangeDecoder, TftpPacketsOnTheDownloadRoute)
{
    Bytes wrq = {0x00, 0x02};
    for (const char* part : {"SWDownload0", "octet", "blksize", "506"}) {
        const Bytes text = Text(part);
        wrq.insert(wrq.end(), text.begin(), text.end());
    }
    EXPECT_EQ(Summary(Sent(Block(wrq), {0x00, 0x04, 0x00, 0x00})), "TFTP WRQ SWDownload0: TFTP ACK block 0");

    Bytes data = {0x00, 0x03, 0x00, 17};
    data.resize(4 + 506, 0xA5);
    const auto exchange = Sent(Block(data), {0x00, 0x04, 0x00, 17});
    EXPECT_EQ(exchange.route, std::optional<std::string>(kDownloadRoute));
    EXPECT_EQ(Summary(exchange), "TFTP DATA block 17 (506 bytes): TFTP ACK block 17");

    Bytes last = {0x00, 0x03, 0x01, 0x00, 1, 2, 3};
    EXPECT_EQ(Summary(Sent(Block(last))), "TFTP DATA block 256 (3 bytes)");

    Bytes error = {0x00, 0x05, 0x00, 0x03};
    const Bytes message = Text("disk full");
    error.insert(error.end(), message.begin(), message.end());
    EXPECT_EQ(Summary(Sent(Block(data), error)), "TFTP DATA block 17 (506 bytes): TFTP ERROR 3 disk full");
    EXPECT_EQ(Summary(Sent(Block({0x00, 0x09, 1}))), "TFTP unknown opcode 0x0009");
}

TEST(ExchangeDecoder, RepliesNameRefusalsAndUnknownOpcodes)
{
    const Bytes read = {0x84, 0x09, 0x17, 0x01, 0x00, 0x90, 0x04};
    EXPECT_EQ(Summary(Sent(read, {0x54, 0xF0})), "read 0x9004 version block: negative acknowledgement");
    EXPECT_EQ(Summary(Sent(read, {0x54, 0x57, 0x01, 0x00, 0x90, 0x04, 0x05, 0x00, 'x'})),
              "read 0x9004 version block");
    EXPECT_EQ(Summary(Sent(read, {0x54, 0x57, 0x01, 0x00, 0x90, 0x04, 0x04, 0x02})),
              "read 0x9004 version block: status 2");
    EXPECT_EQ(Summary(Sent({0x84, 0x14, 0x12, 0x00, 0x01}, {0x54, 0x02, 0x00, 0x01, 0x03})),
              "command 0x0001 open commissioning: status 3");
    EXPECT_EQ(Summary(Sent(read, {0x54, 0x42})), "read 0x9004 version block: unknown reply opcode 0x42");
    EXPECT_EQ(Summary(Sent(read, {0x17})), "read 0x9004 version block: unrecognised reply");

    STrafficExchange unknown;
    unknown.req = {0x53, 0x42, 0x00};
    EXPECT_EQ(Summary(unknown), "unknown opcode 0x42");
}

TEST(ExchangeDecoder, OpenCloseAndTruncatedBytesNeverReadPastTheEnd)
{
    STrafficExchange open;
    open.kind = ETrafficKind::Open;
    open.conn = "127.0.0.1:4001";
    EXPECT_EQ(Summary(open), "open 127.0.0.1:4001");
    STrafficExchange close;
    close.kind = ETrafficKind::Close;
    EXPECT_EQ(Summary(close), "close");
    STrafficExchange probe;
    probe.route = ServiceFraming::kIdentityRoute;
    probe.req = {ServiceFraming::kIdentityProbe};
    probe.rep = Bytes{'Q', 'O', 'R', 'H', 'W', '2', 0};
    EXPECT_EQ(Summary(probe), "identity query");

    STrafficExchange cut;
    for (const Bytes& req : {Bytes{}, Bytes{0x53}, Bytes{0x53, 0x54, 0x01}, Bytes{0x53, 0x53, 0x90},
                             Bytes{0x53, 0x01, 0x00}, Bytes{0x53, 0x77, 0x05}, Bytes{0x01, 0x02}}) {
        cut.req = req;
        cut.rep = Bytes{0x54};
        EXPECT_FALSE(Summary(cut).isEmpty());
    }
    cut.route = kDownloadRoute;
    for (const Bytes& req : {Bytes{}, Bytes{0x00}, Bytes{0x00, 0x03, 0x01}, Bytes{0x00, 0x04}, Bytes{0x00, 0x05}}) {
        cut.req = req;
        cut.rep = req;
        EXPECT_FALSE(Summary(cut).isEmpty());
    }
}

} // namespace
