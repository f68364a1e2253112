// The records that name a unit: the version block (parameter 0x9004) and the
// firmware bank names, built from their published layouts.

#include "protocol/FirmwareNames.h"
#include "protocol/ParameterReply.h"
#include "protocol/VersionBlock.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

using namespace Protocol;

namespace {

using Bytes8 = std::vector<std::uint8_t>;

void Text(Bytes8& bytes, std::size_t at, const std::string& text)
{
    std::memcpy(bytes.data() + at, text.data(), text.size());
}

// A read reply of the version block: 0x84, 9, 0x18, two bytes, the identifier
// at 5, the length byte at 7 (counting from 5), the status at 8, the data from 9.
Bytes8 VersionReply(std::uint8_t status, std::size_t dataLength = 164)
{
    Bytes8 r(9 + dataLength, 0);
    r[0] = 0x84, r[1] = 0x09, r[2] = 0x18, r[3] = 0x01, r[4] = 0x00, r[5] = 0x90, r[6] = 0x04;
    r[7] = std::uint8_t(r.size() - 5);
    r[8] = status;
    if (dataLength < 164)
        return r;
    Text(r, 9, "UNIT-V1");
    Text(r, 25, "HW-123456789"); // the whole field, no NUL
    Text(r, 37, "SN0042");
    Text(r, 53, "FPGA-A");
    Text(r, 73, "FPGA-B");
    Text(r, 93, "GPS-A");
    Text(r, 113, "GPS-B");
    Text(r, 133, "SW-ACTIVE-20-CHARSXX");
    Text(r, 153, "SW-INACTIVE");
    return r;
}

} // namespace

TEST(ProtocolRecords, VersionBlockFromItsReply)
{
    struct Case {
        const char* what;
        Bytes8 reply;
        bool decoded;
    };
    Bytes8 otherId = VersionReply(0);
    otherId[6] = 0x01;
    const Case cases[] = {
        {"whole", VersionReply(0), true},
        {"status not 0", VersionReply(1), false},
        {"block one byte short", VersionReply(0, 163), false},
        {"another parameter", otherId, false},
        {"envelope only", Bytes8{0x84, 0x09, 0x18, 0x01, 0x00, 0x90, 0x04, 0x04}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(VersionBlockReplyOf(c.reply).has_value(), c.decoded);
    }

    const SVersionBlock b = *VersionBlockReplyOf(VersionReply(0));
    EXPECT_EQ(b.unitVersion, "UNIT-V1");
    EXPECT_EQ(b.hardwareVersion, "HW-123456789"); // exactly the field, not running into the serial
    EXPECT_EQ(b.serialNumber, "SN0042");
    EXPECT_EQ(b.fpgaActive, "FPGA-A");
    EXPECT_EQ(b.fpgaInactive, "FPGA-B");
    EXPECT_EQ(b.gpsActive, "GPS-A");
    EXPECT_EQ(b.gpsInactive, "GPS-B");
    EXPECT_EQ(b.softwareActive, "SW-ACTIVE-20-CHARSXX");
    EXPECT_EQ(b.softwareInactive, "SW-INACTIVE");

    EXPECT_EQ(DisplaySerialNumber("\xFF"), "--");
    EXPECT_EQ(DisplaySerialNumber("\xFF\xFF"), "\xFF\xFF");

    const auto envelope = ReadReplyOf(VersionReply(0));
    ASSERT_TRUE(envelope);
    EXPECT_EQ(envelope->address, 9);
    EXPECT_EQ(envelope->id, 0x9004);
    EXPECT_EQ(envelope->value.size(), 164u);
    EXPECT_TRUE(envelope->lengthAgrees);
    Bytes8 longer = VersionReply(0);
    longer.push_back(0);
    EXPECT_FALSE(ReadReplyOf(longer)->lengthAgrees);
    EXPECT_EQ(VersionBlockRequest(), (Bytes8{0x84, 0x09, 0x17, 0x01, 0x00, 0x90, 0x04}));
}

TEST(ProtocolRecords, FirmwareNamesFromTheirReply)
{
    // 0x86, 0x0C, 0x39, the two name states, the active name at 5 and the
    // inactive one at 21, each in a 16-byte field.
    const auto reply = [](std::uint8_t activeState, std::uint8_t inactiveState, const std::string& active,
                          const std::string& inactive) {
        Bytes8 r(37, 0);
        r[0] = 0x86, r[1] = 0x0C, r[2] = 0x39, r[3] = activeState, r[4] = inactiveState;
        Text(r, 5, active);
        Text(r, 21, inactive);
        return r;
    };
    using Name = std::optional<std::string>;
    struct Case {
        const char* what;
        Bytes8 reply;
        bool decoded;
        Name active, inactive;
    };
    const Case cases[] = {
        {"both present", reply(0, 0, "FW_A.bin", "FW_B.bin"), true, "FW_A.bin", "FW_B.bin"},
        {"inactive bank empty", reply(0, 1, "FW_A.bin", "junk"), true, "FW_A.bin", ""},
        {"a state that says nothing", reply(7, 0, "FW_A.bin", "FW_B.bin"), true, std::nullopt, "FW_B.bin"},
        {"fifteen characters", reply(0, 0, "ABCDEFGHIJKLMNO", "x"), true, "ABCDEFGHIJKLMNO", "x"},
        {"no terminator in the field", reply(0, 0, "ABCDEFGHIJKLMNOP", "x"), false, {}, {}},
        {"cut in the inactive name", [&] { Bytes8 r = reply(0, 0, "a", "FW_B.bin"); r.resize(25); return r; }(),
         false, {}, {}},
        {"empty bank needs no name bytes", Bytes8{0x86, 0x0C, 0x39, 1, 1}, true, "", ""},
        {"the activation's answer", Bytes8{0x86, 0x0C, 0x37, 0, 0}, false, {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto names = FirmwareNamesOf(c.reply);
        ASSERT_EQ(names.has_value(), c.decoded);
        if (!names)
            continue;
        EXPECT_EQ(names->active, c.active);
        EXPECT_EQ(names->inactive, c.inactive);
    }

    EXPECT_EQ(FirmwareNamesRequest(), (Bytes8{0x86, 0x0C, 0x38, 0x00, 0x00}));
    EXPECT_EQ(ActivateRequest("AB"), (Bytes8{0x86, 0x0C, 0x36, 0x03, 'A', 'B', 0x00}));
    EXPECT_FALSE(ActivateRequest(std::string(0xFF, 'x')));
    EXPECT_EQ(ActivateResultOf(Bytes8{0x86, 0x0C, 0x37, 0x01, 0x05}), 0x0105);
    EXPECT_EQ(ActivateResultOf(Bytes8{0x86, 0x0C, 0x37, 0x01}), std::nullopt);
    EXPECT_EQ(ResetRequest(), (Bytes8{0x86, 0x0D, 0x36, 0x00, 0x00}));
}
