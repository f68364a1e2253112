// Request handling of one unit: the exact reply bytes of reads, writes and
// commands on the null route, the identity probe, and what is refused.

#include "sim/UnitModel.h"
#include "sim/TestCatalog.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

using sim::CUnitModel;
using Bytes = std::vector<std::uint8_t>;

namespace {

const Bytes kNak = {0x54, 0xF0};

struct Answer {
    bool answered = false;
    bool changed = false;
    Bytes reply;
};

Answer Ask(CUnitModel& unit, const Bytes& request, std::string_view route = {})
{
    Answer a;
    const auto outcome = unit.Handle(route, request, a.reply);
    a.answered = outcome.answered;
    a.changed = outcome.changed;
    return a;
}

// The message the tool's reply framing makes of a 0x54 reply: class and
// addressing byte from the request, then the reply from its second byte.
Bytes ToolMessage(const Bytes& reply, std::uint8_t addressing)
{
    Bytes message = {0x84, addressing};
    message.insert(message.end(), reply.begin() + 1, reply.end());
    return message;
}

std::string Field(const Bytes& bytes, std::size_t offset, std::size_t width)
{
    std::string text(bytes.begin() + std::ptrdiff_t(offset), bytes.begin() + std::ptrdiff_t(offset + width));
    return text.substr(0, text.find('\0'));
}

CUnitModel TestUnit(sim::UnitBehaviour behaviour = {})
{
    return CUnitModel(simtest::TestCatalog(), {"192.168.255.120", 131}, std::move(behaviour));
}

} // namespace

TEST(SimUnitModel, ReadsTheVersionBlockInTheToolsLayout)
{
    CUnitModel unit(sim::DefaultCatalog(), {"192.168.255.120", 131});
    const Answer a = Ask(unit, {0x53, 0x54, 0x01, 0x00, 0x90, 0x04});
    ASSERT_TRUE(a.answered);
    EXPECT_FALSE(a.changed);
    ASSERT_EQ(a.reply.size(), 8u + 164u);
    EXPECT_EQ(Bytes(a.reply.begin(), a.reply.begin() + 8), (Bytes{0x54, 0x57, 0x01, 0x00, 0x90, 0x04, 168, 0x00}));

    // What the version group sees: identifier at 5, length byte at 7, status
    // at 8, the 164 bytes from 9, total length = length byte + 5.
    const Bytes message = ToolMessage(a.reply, 9);
    EXPECT_EQ(message[5], 0x90);
    EXPECT_EQ(message[6], 0x04);
    EXPECT_EQ(message.size(), std::size_t(message[7]) + 5);
    EXPECT_EQ(message[8], 0);

    EXPECT_EQ(Field(message, 9, 16), "QORA-2 R1A");
    EXPECT_EQ(Field(message, 25, 12), "HW2 R3B");
    EXPECT_EQ(Field(message, 37, 16), "QSIM131");
    // Each bank's versions name the firmware it holds: QOR0300.bin runs,
    // QOR0290.bin waits in the inactive bank.
    EXPECT_EQ(Field(message, 53, 20), "FPGA QOR0300");
    EXPECT_EQ(Field(message, 73, 20), "FPGA QOR0290");
    EXPECT_EQ(Field(message, 93, 20), "GPS QOR0300");
    EXPECT_EQ(Field(message, 113, 20), "GPS QOR0290");
    EXPECT_EQ(Field(message, 133, 20), "QOR0300.bin");
    EXPECT_EQ(Field(message, 153, 20), "QOR0290.bin");
}

TEST(SimUnitModel, TheVersionBlockNamesWhatTheBanksHoldAfterAnActivationOrARestore)
{
    const Bytes readVersion = {0x53, 0x54, 0x01, 0x00, 0x90, 0x04};
    const auto versions = [&](CUnitModel& unit) {
        const Bytes message = ToolMessage(Ask(unit, readVersion).reply, 9);
        EXPECT_EQ(message.size(), 9u + 164u);
        std::vector<std::string> fields;
        for (std::size_t at = 53; at + 20 <= message.size(); at += 20)
            fields.push_back(Field(message, at, 20));
        return fields; // FPGA, GPS, software; active before inactive
    };
    const auto activate = [](const std::string& name) {
        Bytes request = {0x53, 0x77, std::uint8_t(name.size() + 1)};
        request.insert(request.end(), name.begin(), name.end());
        request.push_back(0);
        return request;
    };

    // A unit started with other firmware, and none in its inactive bank.
    sim::UnitBehaviour behaviour;
    behaviour.firmware.activeName = "QOR0410.bin";
    behaviour.firmware.inactiveName = "";
    CUnitModel fresh(sim::DefaultCatalog(), {"192.168.255.120", 131}, behaviour);
    EXPECT_EQ(versions(fresh),
              (std::vector<std::string>{"FPGA QOR0410", "", "GPS QOR0410", "", "QOR0410.bin", ""}));

    // An activation makes the inactive firmware run, and the block says so at once.
    CUnitModel unit(sim::DefaultCatalog(), {"192.168.255.120", 131});
    const Answer activated = Ask(unit, activate("QOR0290.bin"));
    ASSERT_EQ(activated.reply, (Bytes{0x54, 0x78, 0x00, 0x00}));
    EXPECT_EQ(versions(unit), (std::vector<std::string>{"FPGA QOR0290", "FPGA QOR0300", "GPS QOR0290",
                                                        "GPS QOR0300", "QOR0290.bin", "QOR0300.bin"}));
    const auto kept = unit.Value(0x9004);
    EXPECT_EQ(Field(Bytes(kept.begin(), kept.end()), 124, 20), "QOR0290.bin") << "the value the unit keeps";
    // A refused activation changes nothing.
    EXPECT_EQ(Ask(unit, activate("QOR9999.bin")).reply, (Bytes{0x54, 0x78, 0x00, 0x02}));
    EXPECT_EQ(versions(unit)[4], "QOR0290.bin");
    // The banks as a state file gives them back.
    ASSERT_TRUE(unit.RestoreBanks("QOR0320.bin", "QOR0310.bin"));
    EXPECT_EQ(versions(unit), (std::vector<std::string>{"FPGA QOR0320", "FPGA QOR0310", "GPS QOR0320",
                                                        "GPS QOR0310", "QOR0320.bin", "QOR0310.bin"}));
}

TEST(SimUnitModel, ReadEchoesTheTwoBytesBeforeTheIdentifier)
{
    CUnitModel unit = TestUnit();
    const Answer a = Ask(unit, {0x53, 0x54, 0x07, 0x09, 0xC0, 0x05});
    EXPECT_EQ(a.reply, (Bytes{0x54, 0x57, 0x07, 0x09, 0xC0, 0x05, 8, 0x00, 0x00, 0x0A, 0x0D, 0xD4}));
}

TEST(SimUnitModel, EveryParameterOfTheBuiltInCatalogFitsTheReadReply)
{
    const sim::UnitCatalog& catalog = sim::DefaultCatalog();
    std::set<std::uint16_t> ids;
    for (const sim::ParameterDescriptor& p : catalog.parameters) {
        SCOPED_TRACE(p.name);
        EXPECT_TRUE(ids.insert(p.id).second) << "identifier listed twice";
        EXPECT_LE(p.minLength, p.maxLength);
        EXPECT_LE(p.maxLength, sim::kMaxValueLength);

        CUnitModel unit(catalog, {"10.0.0.1", 7});
        const Answer a = Ask(unit, {0x53, 0x54, 0x01, 0x00, std::uint8_t(p.id >> 8), std::uint8_t(p.id)});
        const Bytes message = ToolMessage(a.reply, 4);
        ASSERT_GE(message.size(), 9u);
        EXPECT_EQ(message.size(), std::size_t(message[7]) + 5);
        const std::size_t valueLength = message.size() - 9;
        EXPECT_GE(valueLength, p.minLength);
        EXPECT_LE(valueLength, p.maxLength);
    }
    std::set<std::uint16_t> commands;
    for (const sim::CommandDescriptor& c : catalog.commands)
        EXPECT_TRUE(commands.insert(c.id).second) << "command listed twice: " << c.name;
}

TEST(SimUnitModel, SerialNumberFollowsTheUnitsAddress)
{
    CUnitModel unit(sim::DefaultCatalog(), {"10.0.0.1", 7});
    const Answer a = Ask(unit, {0x53, 0x54, 0x01, 0x00, 0x90, 0x04});
    EXPECT_EQ(Field(ToolMessage(a.reply, 9), 37, 16), "QSIM7");
}

TEST(SimUnitModel, WriteIsAppliedKeptAndReadBack)
{
    CUnitModel unit = TestUnit();
    const Answer w = Ask(unit, {0x53, 0x53, 0xC0, 0x05, 4, 0x11, 0x22, 0x33, 0x44});
    EXPECT_EQ(w.reply, (Bytes{0x54, 0x56, 0xC0, 0x05, 0x00}));
    EXPECT_TRUE(w.changed);
    const Answer r = Ask(unit, {0x53, 0x54, 0x01, 0x00, 0xC0, 0x05});
    EXPECT_EQ(r.reply, (Bytes{0x54, 0x57, 0x01, 0x00, 0xC0, 0x05, 8, 0x00, 0x11, 0x22, 0x33, 0x44}));

    // A variable-length value takes the written length, longest one included.
    Bytes longest = {0x53, 0x53, 0x90, 0x02, 247};
    for (int i = 0; i < 247; ++i)
        longest.push_back(std::uint8_t(i));
    EXPECT_EQ(Ask(unit, longest).reply, (Bytes{0x54, 0x56, 0x90, 0x02, 0x00}));
    const Answer r2 = Ask(unit, {0x53, 0x54, 0x01, 0x00, 0x90, 0x02});
    ASSERT_EQ(r2.reply.size(), 8u + 247u);
    EXPECT_EQ(r2.reply[6], 251);
    EXPECT_EQ(Bytes(r2.reply.begin() + 8, r2.reply.end()), Bytes(longest.begin() + 5, longest.end()));

    EXPECT_EQ(Ask(unit, {0x53, 0x53, 0x90, 0x02, 4, 1, 2, 3, 4}).reply, (Bytes{0x54, 0x56, 0x90, 0x02, 0x00}));
    EXPECT_EQ(unit.Value(0x9002).size(), 4u);
}

TEST(SimUnitModel, RefusedWritesLeaveTheValueAlone)
{
    CUnitModel unit = TestUnit();
    const Bytes version(unit.Value(0x9004).begin(), unit.Value(0x9004).end());

    Bytes readOnly = {0x53, 0x53, 0x90, 0x04, 164};
    readOnly.resize(5 + 164, 'X');
    const Answer a = Ask(unit, readOnly);
    EXPECT_EQ(a.reply, (Bytes{0x54, 0x56, 0x90, 0x04, sim::kStatusReadOnly}));
    EXPECT_FALSE(a.changed);
    EXPECT_EQ(Bytes(unit.Value(0x9004).begin(), unit.Value(0x9004).end()), version);

    // The parameter's own check gives the status.
    const Answer checked = Ask(unit, {0x53, 0x53, 0xB0, 0x02, 2, 0x00, 0x05});
    EXPECT_EQ(checked.reply, (Bytes{0x54, 0x56, 0xB0, 0x02, 3}));
    EXPECT_FALSE(checked.changed);
    EXPECT_EQ(Bytes(unit.Value(0xB002).begin(), unit.Value(0xB002).end()), (Bytes{0, 0}));
    EXPECT_EQ(Ask(unit, {0x53, 0x53, 0xB0, 0x02, 2, 0x01, 0x05}).reply, (Bytes{0x54, 0x56, 0xB0, 0x02, 0}));
}

TEST(SimUnitModel, UnknownOrMalformedRequestsGetANegativeAcknowledgement)
{
    CUnitModel unit = TestUnit();
    const Bytes before(unit.Value(0xC005).begin(), unit.Value(0xC005).end());
    const std::vector<std::pair<const char*, Bytes>> cases = {
        {"empty", {}},
        {"only the service byte", {0x53}},
        {"not a unit message", {0x52, 0x54, 0x01, 0x00, 0x90, 0x04}},
        {"unknown opcode", {0x53, 0x58, 0x01, 0x00, 0x90, 0x04}},
        {"read of an unknown parameter", {0x53, 0x54, 0x01, 0x00, 0x90, 0x05}},
        {"read cut short", {0x53, 0x54, 0x01, 0x00, 0x90}},
        {"read too long", {0x53, 0x54, 0x01, 0x00, 0x90, 0x04, 0x00}},
        {"write without length", {0x53, 0x53, 0xC0, 0x05}},
        {"write shorter than its length byte", {0x53, 0x53, 0xC0, 0x05, 4, 1, 2, 3}},
        {"write longer than its length byte", {0x53, 0x53, 0xC0, 0x05, 3, 1, 2, 3, 4}},
        {"write of the wrong length", {0x53, 0x53, 0xC0, 0x05, 3, 1, 2, 3}},
        {"write below the minimum length", {0x53, 0x53, 0x90, 0x02, 3, 1, 2, 3}},
        {"write of an unknown parameter", {0x53, 0x53, 0xC0, 0x06, 4, 1, 2, 3, 4}},
        {"command cut short", {0x53, 0x01, 0x00}},
        {"command too long", {0x53, 0x01, 0x00, 0x01, 0x00}},
        {"unknown command", {0x53, 0x01, 0x00, 0x02}},
    };
    for (const auto& [what, request] : cases) {
        SCOPED_TRACE(what);
        const Answer a = Ask(unit, request);
        EXPECT_TRUE(a.answered);
        EXPECT_FALSE(a.changed);
        EXPECT_EQ(a.reply, kNak);
    }
    EXPECT_EQ(Bytes(unit.Value(0xC005).begin(), unit.Value(0xC005).end()), before);
}

TEST(SimUnitModel, CommandsAnswerWithTheirIdentifierAndStatus)
{
    CUnitModel unit = TestUnit();
    simtest::g_resets = 0;
    EXPECT_EQ(Ask(unit, {0x53, 0x01, 0x00, 0x01}).reply, (Bytes{0x54, 0x02, 0x00, 0x01, 0x00}));
    EXPECT_EQ(simtest::g_resets, 0);
    EXPECT_EQ(Ask(unit, {0x53, 0x01, 0x01, 0x02}).reply, (Bytes{0x54, 0x02, 0x01, 0x02, 0x00}));
    EXPECT_EQ(simtest::g_resets, 1);
}

TEST(SimUnitModel, NakOpcodeRefusesOnlyThatOpcode)
{
    sim::UnitBehaviour behaviour;
    behaviour.nakOpcodes.set(0x54);
    CUnitModel unit = TestUnit(behaviour);
    EXPECT_EQ(Ask(unit, {0x53, 0x54, 0x01, 0x00, 0x90, 0x04}).reply, kNak);
    EXPECT_EQ(Ask(unit, {0x53, 0x53, 0xC0, 0x05, 4, 1, 2, 3, 4}).reply, (Bytes{0x54, 0x56, 0xC0, 0x05, 0}));
    EXPECT_EQ(Ask(unit, {0x53, 0x01, 0x00, 0x01}).reply, (Bytes{0x54, 0x02, 0x00, 0x01, 0}));

    // A write refused this way is not applied.
    behaviour.nakOpcodes.reset();
    behaviour.nakOpcodes.set(0x53);
    CUnitModel other = TestUnit(behaviour);
    EXPECT_EQ(Ask(other, {0x53, 0x53, 0xC0, 0x05, 4, 1, 2, 3, 4}).reply, kNak);
    EXPECT_EQ(Bytes(other.Value(0xC005).begin(), other.Value(0xC005).end()), (Bytes{0x00, 0x0A, 0x0D, 0xD4}));
}

TEST(SimUnitModel, IdentityProbeAndOtherRoutes)
{
    CUnitModel unit = TestUnit();
    const Answer probe = Ask(unit, {0x03}, sim::kIdentityRoute);
    EXPECT_TRUE(probe.answered);
    EXPECT_EQ(probe.reply, (Bytes{'Q', 'O', 'R', 'H', 'W', '2', 0}));
    EXPECT_EQ(Ask(unit, {0x03}, "WP=OPT,PR=Q1DL").reply, probe.reply);

    EXPECT_FALSE(Ask(unit, {0x04}, sim::kIdentityRoute).answered);
    EXPECT_FALSE(Ask(unit, {0x03, 0x00}, sim::kIdentityRoute).answered);
    EXPECT_FALSE(Ask(unit, {}, sim::kIdentityRoute).answered);
    // The download routes take TFTP: anything else gets a TFTP error.
    EXPECT_EQ(Ask(unit, {1, 2, 3}, sim::kDownloadRoute).reply[1], 0x05);
    EXPECT_EQ(Ask(unit, {1, 2, 3}, sim::kDownloadRouteLong).reply[1], 0x05);
    EXPECT_FALSE(Ask(unit, {0x03}, "wp=other").answered);

    sim::UnitBehaviour behaviour;
    behaviour.identity = "QORHW1";
    CUnitModel impostor = TestUnit(behaviour);
    EXPECT_EQ(Ask(impostor, {0x03}, sim::kIdentityRoute).reply, (Bytes{'Q', 'O', 'R', 'H', 'W', '1', 0}));
}

TEST(SimUnitModel, RestoreChecksLikeAWriteButNotAccess)
{
    CUnitModel unit = TestUnit();
    const Bytes value = {9, 8, 7, 6};
    EXPECT_TRUE(unit.Restore(0xC005, value));
    EXPECT_EQ(Bytes(unit.Value(0xC005).begin(), unit.Value(0xC005).end()), value);
    EXPECT_FALSE(unit.Restore(0xC005, Bytes{1, 2, 3}));
    EXPECT_FALSE(unit.Restore(0xB002, Bytes{0, 1}));
    EXPECT_FALSE(unit.Restore(0x1234, value));
    EXPECT_TRUE(unit.Value(0x1234).empty());
}
