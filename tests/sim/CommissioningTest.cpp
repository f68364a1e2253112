// The unit's side of a commissioning: the bracket with its exact replies, the
// blocks and steps it refuses, the setup applied by the next reset (values,
// reported position, new address), and what the state file keeps of it.

#include "sim/CommissioningRequests.h"
#include "sim/GatewayDispatcher.h"
#include "sim/LinkContract.h"
#include "sim/LinkFrames.h"
#include "sim/SimOptions.h"
#include "sim/StateFile.h"
#include "sim/TraceWriter.h"
#include "sim/UnitModel.h"
#include "sim/WriteEffects.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

using namespace simtest;
using sim::CommissioningStep;
using sim::CUnitModel;

namespace {

constexpr std::uint8_t kBad = 2;
constexpr std::uint8_t kNotNow = 3;

struct Answer {
    bool answered = false;
    bool changed = false;
    bool reset = false;
    Bytes reply;
};

Answer Ask(CUnitModel& unit, const Bytes& request)
{
    Answer a;
    const auto outcome = unit.Handle({}, request, a.reply);
    a.answered = outcome.answered;
    a.changed = outcome.changed;
    a.reset = outcome.reset;
    return a;
}

Bytes Say(CUnitModel& unit, const Bytes& request)
{
    return Ask(unit, request).reply;
}

std::uint8_t Status(CUnitModel& unit, const Bytes& request)
{
    const Bytes reply = Say(unit, request);
    return reply.size() == 5 ? reply[4] : 0xEE;
}

Bytes ValueOf(const CUnitModel& unit, std::uint16_t id)
{
    const auto v = unit.Value(id);
    return Bytes(v.begin(), v.end());
}

CUnitModel FreshUnit(sim::CommissioningFaults faults = {})
{
    sim::UnitBehaviour behaviour;
    behaviour.commissioning = faults;
    return CUnitModel(sim::DefaultCatalog(), {"192.168.255.120", 131}, behaviour);
}

Bytes Word32(std::int32_t v)
{
    const auto u = std::uint32_t(v);
    return {std::uint8_t(u >> 24), std::uint8_t(u >> 16), std::uint8_t(u >> 8), std::uint8_t(u)};
}

} // namespace

TEST(SimCommissioning, BracketIsAnsweredAndTheResetAppliesTheSetup)
{
    CUnitModel unit = FreshUnit();
    const Bytes positionBefore = ValueOf(unit, 0xC001);
    const Bytes block = Block();

    EXPECT_EQ(Say(unit, kOpenCommissioning), CommandReply(1, 0));
    const Answer written = Ask(unit, WriteOf(0x9001, block));
    EXPECT_EQ(written.reply, WriteReply(0x9001, 0));
    EXPECT_TRUE(written.changed);
    EXPECT_EQ(Say(unit, WriteOf(0x9002, kUserBlock)), WriteReply(0x9002, 0));
    const Answer closed = Ask(unit, kCloseCommissioning);
    EXPECT_EQ(closed.reply, CommandReply(0, 0));
    EXPECT_TRUE(closed.changed) << "the pending setup is kept";

    // Both blocks read back; the user texts at once, the setup only after the reset.
    Bytes read = Say(unit, ReadOf(0x9001));
    ASSERT_EQ(read.size(), 8u + 88u);
    EXPECT_EQ(Bytes(read.begin(), read.begin() + 8), (Bytes{0x54, 0x57, 0x01, 0x00, 0x90, 0x01, 92, 0}));
    EXPECT_EQ(Bytes(read.begin() + 8, read.end()), block);
    EXPECT_EQ(ValueOf(unit, sim::kUserDateId), (Bytes{'2', '0', '0', '9', '/', '0', '3', '/', '0', '7', 0}));
    ASSERT_TRUE(unit.Commissioning().Pending().has_value());
    EXPECT_EQ(ValueOf(unit, 0xC001), positionBefore);
    EXPECT_EQ(ValueOf(unit, 0xC003), (Bytes{0, 0, 0, 0}));

    const Answer reset = Ask(unit, kResetRequest);
    EXPECT_EQ(reset.reply, (Bytes{0x54, 0x78, 0x00, 0x00, 0x00}));
    EXPECT_TRUE(reset.reset);
    EXPECT_TRUE(reset.changed);

    Bytes position = Word32(605000000);
    for (std::int32_t v : {-2500000, 12345})
        for (std::uint8_t b : Word32(v))
            position.push_back(b);
    position.push_back(1);
    EXPECT_EQ(ValueOf(unit, 0xC001), position);
    Bytes readReply{0x54, 0x57, 0x01, 0x00, 0xC0, 0x01, 17, 0};
    readReply.insert(readReply.end(), position.begin(), position.end());
    EXPECT_EQ(Say(unit, ReadOf(0xC001)), readReply);
    EXPECT_EQ(ValueOf(unit, 0xC003), (Bytes{0, 0, 0, 150}));
    EXPECT_EQ(ValueOf(unit, 0xC004), (Bytes{0x03, 0x20}));
    EXPECT_EQ(ValueOf(unit, 0xB002), (Bytes{0, 1, 0, 0}));
    EXPECT_FALSE(unit.Commissioning().Pending().has_value());
    ASSERT_TRUE(unit.Commissioning().Applied().has_value());
    EXPECT_EQ(unit.Commissioning().Applied()->ip, "10.20.30.40");
    EXPECT_EQ(unit.Commissioning().Applied()->q1Address, 200);

    // The GPS status reply reports the position as packed angles:
    // 60 degrees 30 minutes north, 15 minutes west, altitude in cm.
    const Bytes status = Say(unit, kGpsStatusQuery);
    ASSERT_GE(status.size(), 20u);
    EXPECT_EQ(Bytes(status.begin() + 8, status.begin() + 12), Word32(12345));
    EXPECT_EQ(Bytes(status.begin() + 12, status.begin() + 16), Word32(603000000));
    EXPECT_EQ(Bytes(status.begin() + 16, status.begin() + 20), Word32(-1500000));

    // A second reset has nothing left to apply.
    EXPECT_FALSE(Ask(unit, kResetRequest).changed);
}

TEST(SimCommissioning, BlocksTheUnitCannotRunWithAreRefusedAndChangeNothing)
{
    const auto with = [](auto change) {
        BlockFields f;
        change(f);
        return Block(f);
    };
    Bytes unterminated = Block();
    std::fill(unterminated.begin(), unterminated.begin() + 16, '1');
    Bytes hiddenAfterNul = Block();
    hiddenAfterNul[15] = 'x';
    Bytes shortBlock = Block();
    shortBlock.pop_back();
    Bytes reserved = Block();
    reserved[66] = 1;
    const std::vector<std::pair<const char*, Bytes>> bad = {
        {"short", shortBlock},
        {"not an address", with([](BlockFields& f) { f.ip = "10.20.30"; })},
        {"octet above 255", with([](BlockFields& f) { f.gateway = "10.20.30.256"; })},
        {"unterminated", unterminated},
        {"text behind the terminator", hiddenAfterNul},
        {"mask with a hole", with([](BlockFields& f) { f.mask = "255.0.255.0"; })},
        {"network address", with([](BlockFields& f) { f.ip = "10.20.30.0"; })},
        {"broadcast address", with([](BlockFields& f) { f.ip = "10.20.30.255"; })},
        {"reserved byte", reserved},
        {"relay flag 2", with([](BlockFields& f) { f.relay = 2; })},
        {"GPS mode 3", with([](BlockFields& f) { f.mode = 3; })},
        {"latitude beyond 90", with([](BlockFields& f) { f.latitude = 900000001; })},
        {"longitude beyond 180", with([](BlockFields& f) { f.longitude = -1800000001; })},
        {"frame clock delays differ", with([](BlockFields& f) { f.frameDelayAgain = 801; })},
        {"frame clock delay beyond 4800", with([](BlockFields& f) { f.frameDelay = f.frameDelayAgain = 4801; })},
        {"speed code 2", with([](BlockFields& f) { f.speed = 2; })},
        {"speed code 13", with([](BlockFields& f) { f.speed = 13; })},
        {"Q1 address 4096", with([](BlockFields& f) { f.q1 = 4096; })},
        {"remote flag 2", with([](BlockFields& f) { f.remote = 2; })},
    };
    CUnitModel unit = FreshUnit();
    const Bytes before = ValueOf(unit, 0x9001);
    ASSERT_EQ(Status(unit, kOpenCommissioning), 0);
    for (const auto& [why, block] : bad) {
        SCOPED_TRACE(why);
        const Answer a = Ask(unit, WriteOf(0x9001, block));
        EXPECT_EQ(a.reply, WriteReply(0x9001, kBad));
        EXPECT_FALSE(a.changed);
    }
    EXPECT_EQ(ValueOf(unit, 0x9001), before);
    // The limits themselves are taken, and the bracket is still open for them.
    EXPECT_EQ(Status(unit, WriteOf(0x9001, with([](BlockFields& f) {
                  f.q1 = 4095;
                  f.speed = 12;
                  f.latitude = -900000000;
                  f.longitude = 1800000000;
                  f.frameDelay = f.frameDelayAgain = 4800;
              }))), 0);
    // A user block whose length bytes disagree with its texts is refused too.
    Bytes badUser = kUserBlock;
    badUser[1] = 10;
    EXPECT_EQ(Status(unit, WriteOf(0x9002, badUser)), kBad);
    EXPECT_EQ(Status(unit, WriteOf(0x9002, kUserBlock)), 0);
    // A write whose length byte is not the value's length is malformed.
    Bytes malformed = WriteOf(0x9001, Block());
    malformed[4] = 87;
    EXPECT_EQ(Say(unit, malformed), (Bytes{0x54, 0xF0}));
}

TEST(SimCommissioning, StepsOutOfOrderOrOutsideABracketAreNotAllowed)
{
    CUnitModel unit = FreshUnit();
    // Outside a bracket: no block, no closing; 0x9002 is the ordinary write.
    EXPECT_EQ(Say(unit, WriteOf(0x9001, Block())), WriteReply(0x9001, kNotNow));
    EXPECT_EQ(Say(unit, kCloseCommissioning), CommandReply(0, kNotNow));
    EXPECT_FALSE(unit.Written(0x9001));
    EXPECT_EQ(Say(unit, WriteOf(0x9002, kUserBlock)), WriteReply(0x9002, 0));
    EXPECT_EQ(ValueOf(unit, sim::kUserDateId).size(), 11u);

    // Inside: each step only after the one before it.
    ASSERT_EQ(Status(unit, kOpenCommissioning), 0);
    EXPECT_EQ(Status(unit, WriteOf(0x9002, kUserBlock)), kNotNow);
    EXPECT_EQ(Status(unit, kCloseCommissioning), kNotNow);
    ASSERT_EQ(Status(unit, WriteOf(0x9001, Block())), 0);
    EXPECT_EQ(Status(unit, WriteOf(0x9001, Block())), kNotNow);
    EXPECT_EQ(Status(unit, kCloseCommissioning), kNotNow);
    ASSERT_EQ(Status(unit, WriteOf(0x9002, kUserBlock)), 0);
    EXPECT_EQ(Status(unit, WriteOf(0x9002, kUserBlock)), kNotNow);

    // Opening again starts afresh (the tool does so after an abort).
    ASSERT_EQ(Status(unit, kOpenCommissioning), 0);
    EXPECT_EQ(Status(unit, kCloseCommissioning), kNotNow);
    EXPECT_FALSE(unit.Commissioning().Pending().has_value());

    // A reset ends an unclosed bracket and applies nothing.
    ASSERT_EQ(Status(unit, WriteOf(0x9001, Block())), 0);
    EXPECT_FALSE(Ask(unit, kResetRequest).changed);
    EXPECT_FALSE(unit.Commissioning().Applied().has_value());
    EXPECT_EQ(Status(unit, WriteOf(0x9002, kUserBlock)), 0) << "ordinary write again";
    EXPECT_EQ(Status(unit, kCloseCommissioning), kNotNow);
}

TEST(SimCommissioning, FaultOptionsRefuseOrSilenceAChosenStep)
{
    const std::vector<Bytes> steps = {kOpenCommissioning, WriteOf(0x9001, Block()), WriteOf(0x9002, kUserBlock),
                                      kCloseCommissioning};
    for (std::size_t refused = 0; refused < steps.size(); ++refused) {
        SCOPED_TRACE(refused);
        CUnitModel unit = FreshUnit({CommissioningStep(refused), std::nullopt});
        for (std::size_t i = 0; i < refused; ++i)
            ASSERT_EQ(Status(unit, steps[i]), 0);
        EXPECT_EQ(Status(unit, steps[refused]), kNotNow);
        EXPECT_FALSE(unit.Commissioning().Pending().has_value());
    }

    CUnitModel silent = FreshUnit({std::nullopt, CommissioningStep::User});
    ASSERT_EQ(Status(silent, steps[0]), 0);
    ASSERT_EQ(Status(silent, steps[1]), 0);
    for (const Bytes& later : {steps[2], steps[3]}) {
        const Answer a = Ask(silent, later);
        EXPECT_FALSE(a.answered);
        EXPECT_TRUE(a.reply.empty());
    }
    EXPECT_EQ(ValueOf(silent, sim::kUserDateId).size(), 11u) << "the unheard user block changed nothing";
    EXPECT_TRUE(Ask(silent, ReadOf(0x9004)).answered) << "other requests are still answered";
    // Once the reset ends the bracket, 0x9002 is the ordinary write again and answered.
    Ask(silent, kResetRequest);
    EXPECT_EQ(Status(silent, steps[2]), 0);
}

TEST(SimCommissioning, ARemoteBlockKeepsTheUnitsAddressesAndBusAndAppliesTheRest)
{
    const auto commission = [](CUnitModel& unit, const Bytes& block) {
        ASSERT_EQ(Status(unit, kOpenCommissioning), 0);
        ASSERT_EQ(Status(unit, WriteOf(0x9001, block)), 0);
        ASSERT_EQ(Status(unit, WriteOf(0x9002, kUserBlock)), 0);
        ASSERT_EQ(Status(unit, kCloseCommissioning), 0);
        ASSERT_TRUE(Ask(unit, kResetRequest).reset);
    };
    const auto expectNetwork = [](const CUnitModel& unit, const char* ip, const char* mask, const char* gateway,
                                  std::uint16_t q1, std::uint16_t speed) {
        ASSERT_TRUE(unit.Commissioning().Applied().has_value());
        const sim::CommissioningSetup& applied = *unit.Commissioning().Applied();
        EXPECT_EQ(applied.ip, ip);
        EXPECT_EQ(applied.subnetMask, mask);
        EXPECT_EQ(applied.gateway, gateway);
        EXPECT_EQ(applied.q1Address, q1);
        EXPECT_EQ(applied.q1SpeedCode, speed);
    };

    // What a tool on a remote connection sends: no addresses, the pages'
    // Q1 address and speed, the remote flag.
    BlockFields remote;
    remote.ip = remote.mask = remote.gateway = "";
    remote.q1 = 200;
    remote.speed = 9;
    remote.remote = 1;
    CUnitModel unit = FreshUnit();
    commission(unit, Block(remote));
    expectNetwork(unit, "192.168.255.120", "255.255.255.0", "192.168.255.32", 131, 7);
    // Position, GPS mode, delays and bus options apply as after any commissioning.
    const Bytes position = ValueOf(unit, 0xC001);
    EXPECT_EQ(Bytes(position.begin(), position.begin() + 4), Word32(605000000));
    EXPECT_EQ(position[12], 1);
    EXPECT_EQ(ValueOf(unit, 0xC003), (Bytes{0, 0, 0, 150}));
    EXPECT_EQ(ValueOf(unit, 0xC004), (Bytes{0x03, 0x20}));
    EXPECT_EQ(ValueOf(unit, 0xB002), (Bytes{0, 1, 0, 0}));
    // 0x9001 reads back the block as it came.
    EXPECT_EQ(ValueOf(unit, 0x9001), Block(remote));

    // Moved by a local commissioning, then commissioned remotely with the
    // addresses a Q1 page still showed: the unit stays where the local one put it.
    commission(unit, Block());
    expectNetwork(unit, "10.20.30.40", "255.255.255.0", "10.20.30.1", 200, 9);
    BlockFields shown;
    shown.ip = "10.9.9.9";
    shown.mask = "255.0.0.0";
    shown.gateway = "10.0.0.1";
    shown.q1 = 300;
    shown.speed = 5;
    shown.latitude = -335000000;
    shown.remote = 1;
    commission(unit, Block(shown));
    expectNetwork(unit, "10.20.30.40", "255.255.255.0", "10.20.30.1", 200, 9);
    const Bytes moved = ValueOf(unit, 0xC001);
    EXPECT_EQ(Bytes(moved.begin(), moved.begin() + 4), Word32(-335000000));

    // Empty addresses move nothing only remotely: a local block needs them all,
    // and a remote one still needs addresses it gives to be addresses.
    CUnitModel other = FreshUnit();
    ASSERT_EQ(Status(other, kOpenCommissioning), 0);
    for (const auto& [ip, mask, gateway] : {std::tuple{"", "", ""}, std::tuple{"10.20.30.40", "", "10.20.30.1"},
                                            std::tuple{"10.20.30.40", "255.255.255.0", ""}}) {
        BlockFields local;
        local.ip = ip;
        local.mask = mask;
        local.gateway = gateway;
        EXPECT_EQ(Status(other, WriteOf(0x9001, Block(local))), kBad) << ip << "/" << mask << "/" << gateway;
    }
    BlockFields garbled = remote;
    garbled.gateway = "10.0.0";
    EXPECT_EQ(Status(other, WriteOf(0x9001, Block(garbled))), kBad);
    EXPECT_EQ(Status(other, WriteOf(0x9001, Block(remote))), 0);
}

TEST(SimCommissioning, ApplyNothingAcknowledgesEveryStepAndTheUnitRestartsAsItWas)
{
    sim::CommissioningFaults faults;
    faults.applyNothing = true;
    CUnitModel unit = FreshUnit(faults);
    const std::vector<std::uint16_t> ids = {0x9001, 0xC001, 0xC003, 0xC004, 0xB002, sim::kUserDateId};
    std::vector<Bytes> before;
    for (std::uint16_t id : ids)
        before.push_back(ValueOf(unit, id));

    EXPECT_EQ(Say(unit, kOpenCommissioning), CommandReply(1, 0));
    EXPECT_EQ(Say(unit, WriteOf(0x9001, Block())), WriteReply(0x9001, 0));
    EXPECT_EQ(Say(unit, WriteOf(0x9002, kUserBlock)), WriteReply(0x9002, 0));
    EXPECT_EQ(Say(unit, kCloseCommissioning), CommandReply(0, 0));
    EXPECT_FALSE(unit.Commissioning().Pending().has_value());
    const Answer reset = Ask(unit, kResetRequest);
    EXPECT_TRUE(reset.reset);
    EXPECT_FALSE(reset.changed);
    for (std::size_t i = 0; i < ids.size(); ++i)
        EXPECT_EQ(ValueOf(unit, ids[i]), before[i]) << std::hex << ids[i];
    EXPECT_FALSE(unit.Commissioning().Applied().has_value()) << "the unit stays at its address";

    // A block the unit cannot run with is still refused, and the order still holds.
    EXPECT_EQ(Status(unit, WriteOf(0x9001, Block())), kNotNow);
    ASSERT_EQ(Status(unit, kOpenCommissioning), 0);
    BlockFields bad;
    bad.mode = 3;
    EXPECT_EQ(Status(unit, WriteOf(0x9001, Block(bad))), kBad);

    sim::SimOptions o;
    QString error;
    ASSERT_TRUE(sim::ParseOptions({QStringLiteral("--listen"), QStringLiteral("127.0.0.1:0"),
                                   QStringLiteral("--apply-nothing")},
                                  o, error))
        << error.toStdString();
    EXPECT_TRUE(o.behaviour.commissioning.applyNothing);
    EXPECT_FALSE(sim::ParseOptions({QStringLiteral("--listen"), QStringLiteral("127.0.0.1:0"),
                                    QStringLiteral("--apply-nothing=1")},
                                   o, error));
    EXPECT_TRUE(sim::HelpText().contains(QStringLiteral("--apply-nothing")));
}

TEST(SimCommissioning, OptionsTakeTheStepNames)
{
    sim::SimOptions o;
    QString error;
    ASSERT_TRUE(sim::ParseOptions({QStringLiteral("--listen"), QStringLiteral("127.0.0.1:0"),
                                   QStringLiteral("--commission-refuse"), QStringLiteral("close"),
                                   QStringLiteral("--commission-silent=Block")},
                                  o, error))
        << error.toStdString();
    EXPECT_EQ(o.behaviour.commissioning.refuse, CommissioningStep::Close);
    EXPECT_EQ(o.behaviour.commissioning.silentFrom, CommissioningStep::Block);
    EXPECT_FALSE(sim::ParseOptions({QStringLiteral("--listen"), QStringLiteral("127.0.0.1:0"),
                                    QStringLiteral("--commission-refuse"), QStringLiteral("reset")},
                                   o, error));
    EXPECT_TRUE(error.contains(QStringLiteral("open, block, user, close"))) << error.toStdString();
    EXPECT_TRUE(sim::HelpText().contains(QStringLiteral("--commission-refuse STEP")));
    EXPECT_TRUE(sim::HelpText().contains(QStringLiteral("--commission-silent STEP")));
}

namespace {

class SimCommissioningSite : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        faults.rebootMs = 0;
    }

    std::unique_ptr<sim::CUnitRegistry> Units(const sim::UnitBehaviour& behaviour = {}) const
    {
        auto registry = std::make_unique<sim::CUnitRegistry>();
        registry->Add({QHostAddress(QStringLiteral("192.168.255.120")), 131}, sim::DefaultCatalog(), behaviour);
        registry->Add({QHostAddress(QStringLiteral("192.168.255.121")), 7});
        return registry;
    }

    // One request on a session; the reply's result and bytes.
    static Reply Exchange(sim::CGatewayDispatcher& d, sim::SessionState& s, const Bytes& body)
    {
        Bytes out;
        d.Handle(s, body, out);
        return TakeReply(out).value_or(Reply{0, 0, 0xEE, {}});
    }

    static void CommissionThrough(sim::CGatewayDispatcher& d, sim::SessionState& s, bool reset,
                                  const Bytes& block = Block())
    {
        std::uint16_t seq = 10;
        for (const Bytes& r : {kOpenCommissioning, WriteOf(0x9001, block), WriteOf(0x9002, kUserBlock),
                               kCloseCommissioning}) {
            const Reply reply = Exchange(d, s, TransferBody(seq++, r));
            ASSERT_EQ(reply.result, 0);
            ASSERT_EQ(reply.bytes.back(), 0);
        }
        if (reset) {
            ASSERT_EQ(Exchange(d, s, TransferBody(seq, kResetRequest)).bytes, (Bytes{0x54, 0x78, 0, 0, 0}));
        }
    }

    [[nodiscard]] QJsonObject FirstEntry() const
    {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return QJsonDocument::fromJson(file.readAll()).object().value(QLatin1String("units")).toArray()[0].toObject();
    }

    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("state.json"));
    sim::FaultOptions faults;
};

constexpr const char* kOld = "WP=SOCKET,HOST=192.168.255.120,PORT=7000,WP=NEQ1,ADDR=131";
constexpr const char* kNew = "WP=SOCKET,HOST=10.20.30.40,PORT=7000,WP=NEQ1,ADDR=200";

// The block of a tool on a remote connection: no addresses, the remote flag.
Bytes RemoteBlock()
{
    BlockFields f;
    f.ip = f.mask = f.gateway = "";
    f.remote = 1;
    return Block(f);
}

std::vector<QJsonObject> TraceLines(const QString& path)
{
    std::vector<QJsonObject> lines;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return lines;
    for (const QByteArray& line : file.readAll().split('\n'))
        if (!line.isEmpty())
            lines.push_back(QJsonDocument::fromJson(line).object());
    return lines;
}

} // namespace

TEST_F(SimCommissioningSite, TheResetMovesTheUnitToItsNewAddress)
{
    auto registry = Units();
    sim::CUnitRegistry& units = *registry;
    sim::CGatewayDispatcher dispatcher(units, faults);
    sim::SessionState session;
    ASSERT_EQ(Exchange(dispatcher, session, OpenBody(1, kOld)).result, 0);
    sim::CSimUnit* unit = session.unit;
    CommissionThrough(dispatcher, session, false);
    EXPECT_EQ(units.Resolve(kOld), unit) << "not moved before the reset";
    EXPECT_EQ(units.Resolve(kNew), nullptr);

    CommissionThrough(dispatcher, session, true);
    EXPECT_EQ(units.Resolve(kOld), nullptr);
    EXPECT_EQ(units.Resolve(kNew), unit);
    EXPECT_EQ(units.Resolve("ADDR=200"), unit);
    EXPECT_EQ(unit->Label(), "10.20.30.40:200");
    EXPECT_EQ(unit->HomeAddress().ToString(), "192.168.255.120:131");
    EXPECT_EQ(units.Resolve("HOST=192.168.255.121,ADDR=7"), units.Units()[1].get()) << "the other unit stays";

    sim::SessionState reconnected;
    ASSERT_EQ(Exchange(dispatcher, reconnected, OpenBody(1, kNew)).result, 0);
    const Reply position = Exchange(dispatcher, reconnected, TransferBody(2, ReadOf(0xC001)));
    EXPECT_EQ(position.result, 0);
    EXPECT_EQ(Bytes(position.bytes.begin() + 8, position.bytes.begin() + 12), Word32(605000000));
    EXPECT_EQ(Exchange(dispatcher, reconnected, OpenBody(3, kOld)).result, 1);
}

TEST_F(SimCommissioningSite, ADelayedRestartMovesTheUnitOnlyWhenItRestarts)
{
    faults.restartDelayMs = 5000;
    faults.rebootMs = 2000;
    std::int64_t now = 0;
    auto registry = Units();
    sim::CGatewayDispatcher dispatcher(*registry, faults);
    dispatcher.SetClock([&] { return now; });
    sim::SessionState session;
    ASSERT_EQ(Exchange(dispatcher, session, OpenBody(1, kOld)).result, 0);
    CommissionThrough(dispatcher, session, true);
    now = 4999;
    const Reply before = Exchange(dispatcher, session, TransferBody(29, ReadOf(0xC001)));
    EXPECT_NE(Bytes(before.bytes.begin() + 8, before.bytes.begin() + 12), Word32(605000000)) << "still the old setup";

    // {time, OPEN of the old place, OPEN of the new place, identity probe there}
    struct Moment {
        std::int64_t ms;
        int oldOpen, newOpen, probe;
    };
    for (const Moment& m : {Moment{4999, 0, 1, -1}, Moment{5000, 1, 0, 2}, Moment{6999, 1, 0, 2},
                            Moment{7000, 1, 0, 0}}) {
        now = m.ms;
        sim::SessionState atOld, atNew;
        EXPECT_EQ(Exchange(dispatcher, atOld, OpenBody(1, kOld)).result, m.oldOpen) << m.ms << " ms";
        EXPECT_EQ(Exchange(dispatcher, atNew, OpenBody(1, kNew)).result, m.newOpen) << m.ms << " ms";
        if (m.probe >= 0) {
            EXPECT_EQ(Exchange(dispatcher, atNew, TransferBody(2, {0x03}, "wp=opt,pr=q1dl")).result, m.probe)
                << m.ms << " ms";
        }
    }
    // Before the restart the old session read the old position; now the new one.
    const Reply position = Exchange(dispatcher, session, TransferBody(30, ReadOf(0xC001)));
    EXPECT_EQ(Bytes(position.bytes.begin() + 8, position.bytes.begin() + 12), Word32(605000000));
}

TEST_F(SimCommissioningSite, StateFileKeepsTheAppliedSetupAndTheNewAddress)
{
    {
        auto registry = Units();
        sim::CStateFile state(path);
        sim::CGatewayDispatcher dispatcher(*registry, faults, nullptr, &state);
        sim::SessionState session;
        ASSERT_EQ(Exchange(dispatcher, session, OpenBody(1, kOld)).result, 0);
        CommissionThrough(dispatcher, session, true);
        // A later write of a commissioned value is what the unit keeps.
        ASSERT_EQ(Exchange(dispatcher, session, TransferBody(30, WriteOf(0xC003, {0, 0, 1, 0}))).result, 0);
        EXPECT_TRUE(dispatcher.SaveIfDirty());
    }
    const QJsonObject entry = FirstEntry();
    EXPECT_EQ(entry.value(QLatin1String("unit")).toString(), QStringLiteral("192.168.255.120:131"));
    const QJsonObject commissioning = entry.value(QLatin1String("commissioning")).toObject();
    EXPECT_EQ(commissioning.value(QLatin1String("address")).toString(), QStringLiteral("10.20.30.40:200"));
    EXPECT_EQ(commissioning.value(QLatin1String("applied")).toString().toStdString(),
              QByteArray(reinterpret_cast<const char*>(Block().data()), 88).toHex().toStdString());
    EXPECT_FALSE(commissioning.contains(QLatin1String("pending")));

    auto restarted = Units();
    sim::CStateFile state(path);
    QString error;
    ASSERT_EQ(state.Load(*restarted, error), sim::CStateFile::LoadResult::Loaded) << error.toStdString();
    sim::CSimUnit* unit = restarted->Resolve(kNew);
    ASSERT_NE(unit, nullptr);
    EXPECT_EQ(restarted->Resolve(kOld), nullptr);
    EXPECT_EQ(ValueOf(unit->Model(), 0xC001)[12], 1) << "GPS mode";
    EXPECT_EQ(ValueOf(unit->Model(), 0xC003), (Bytes{0, 0, 1, 0}));
    EXPECT_EQ(ValueOf(unit->Model(), 0xB002), (Bytes{0, 1, 0, 0}));
}

TEST_F(SimCommissioningSite, APendingSetupAppliesWhenTheSimulatorRestarts)
{
    {
        auto registry = Units();
        sim::CStateFile state(path);
        sim::CGatewayDispatcher dispatcher(*registry, faults, nullptr, &state);
        sim::SessionState session;
        ASSERT_EQ(Exchange(dispatcher, session, OpenBody(1, kOld)).result, 0);
        CommissionThrough(dispatcher, session, false);
    }
    EXPECT_TRUE(FirstEntry().value(QLatin1String("commissioning")).toObject().contains(QLatin1String("pending")));
    auto restarted = Units();
    sim::CStateFile state(path);
    QString error;
    ASSERT_EQ(state.Load(*restarted, error), sim::CStateFile::LoadResult::Loaded) << error.toStdString();
    sim::CSimUnit* unit = restarted->Resolve(kNew);
    ASSERT_NE(unit, nullptr);
    EXPECT_EQ(ValueOf(unit->Model(), 0xC004), (Bytes{0x03, 0x20}));
    EXPECT_FALSE(unit->Model().Commissioning().Pending().has_value());

    // A block the unit would not take makes the file unusable, and nothing moves.
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QByteArray text = file.readAll();
    file.close();
    const QByteArray goodIp = QByteArray("10.20.30.40").toHex();
    ASSERT_TRUE(text.contains(goodIp));
    text.replace(goodIp, QByteArray("10.20.30.0\0", 11).toHex());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text);
    file.close();
    auto again = Units();
    sim::CStateFile damaged(path);
    EXPECT_EQ(damaged.Load(*again, error), sim::CStateFile::LoadResult::Bad);
    EXPECT_NE(again->Resolve(kOld), nullptr);
}

TEST_F(SimCommissioningSite, ARemoteCommissioningLeavesTheUnitReachableWhereItWasAlsoAfterARestart)
{
    {
        auto registry = Units();
        sim::CStateFile state(path);
        sim::CGatewayDispatcher dispatcher(*registry, faults, nullptr, &state);
        sim::SessionState session;
        ASSERT_EQ(Exchange(dispatcher, session, OpenBody(1, kOld)).result, 0);
        sim::CSimUnit* unit = session.unit;
        CommissionThrough(dispatcher, session, true, RemoteBlock());
        EXPECT_EQ(registry->Resolve(kOld), unit);
        EXPECT_EQ(registry->Resolve("ADDR=200"), nullptr);
        EXPECT_EQ(unit->Label(), "192.168.255.120:131");
        // The same connection goes on once the unit is back.
        EXPECT_EQ(Exchange(dispatcher, session, TransferBody(40, ReadOf(0xC001))).result, 0);
        // A second remote commissioning, closed but not yet applied.
        CommissionThrough(dispatcher, session, false, RemoteBlock());
        EXPECT_TRUE(dispatcher.SaveIfDirty());
    }
    const QJsonObject commissioning = FirstEntry().value(QLatin1String("commissioning")).toObject();
    EXPECT_EQ(commissioning.value(QLatin1String("address")).toString(), QStringLiteral("192.168.255.120:131"));
    EXPECT_TRUE(commissioning.contains(QLatin1String("pending")));

    // A restarted simulator takes the file, remote blocks and all, and the
    // pending one applied at start leaves the unit where it was.
    auto restarted = Units();
    sim::CStateFile state(path);
    QString error;
    ASSERT_EQ(state.Load(*restarted, error), sim::CStateFile::LoadResult::Loaded) << error.toStdString();
    sim::CSimUnit* unit = restarted->Resolve(kOld);
    ASSERT_NE(unit, nullptr);
    EXPECT_FALSE(unit->Model().Commissioning().Pending().has_value());
    EXPECT_EQ(unit->Model().Commissioning().Applied()->q1Address, 131);
    EXPECT_EQ(ValueOf(unit->Model(), 0xC001)[12], 1) << "GPS mode";
    EXPECT_EQ(ValueOf(unit->Model(), 0x9001), RemoteBlock());
}

TEST_F(SimCommissioningSite, AResetTheUnitDoesNotAnswerStillRestartsItAndAppliesTheSetup)
{
    faults.rebootMs = 60000; // restarting for the rest of the test
    for (const sim::ResetReply reply : {sim::ResetReply::Unanswered, sim::ResetReply::Silent}) {
        SCOPED_TRACE(int(reply));
        const QString tracePath = dir.filePath(QStringLiteral("trace-%1.jsonl").arg(int(reply)));
        sim::CTraceWriter trace;
        QString error;
        ASSERT_TRUE(trace.Open(tracePath, error));
        sim::UnitBehaviour behaviour;
        behaviour.resetReply = reply;
        auto registry = Units(behaviour);
        sim::CGatewayDispatcher dispatcher(*registry, faults, &trace);
        sim::SessionState session;
        ASSERT_EQ(Exchange(dispatcher, session, OpenBody(1, kOld)).result, 0);
        sim::CSimUnit* unit = session.unit;
        CommissionThrough(dispatcher, session, false);

        Bytes out;
        const auto action = dispatcher.Handle(session, TransferBody(20, kResetRequest), out);
        if (reply == sim::ResetReply::Unanswered) {
            EXPECT_EQ(action, sim::CGatewayDispatcher::Action::Reply);
            const std::optional<Reply> answer = TakeReply(out);
            ASSERT_TRUE(answer);
            EXPECT_EQ(answer->seq, 20);
            EXPECT_EQ(answer->result, sim::kResultNoAnswer);
            EXPECT_TRUE(answer->bytes.empty());
        } else {
            EXPECT_EQ(action, sim::CGatewayDispatcher::Action::Silent);
        }
        EXPECT_TRUE(out.empty());

        // The unit went down all the same: it restarts, and the setup it
        // was given moves it.
        EXPECT_EQ(registry->Resolve(kNew), unit);
        EXPECT_EQ(Exchange(dispatcher, session, TransferBody(21, ReadOf(0xC001))).result, sim::kResultNoAnswer);
        EXPECT_EQ(unit->Model().Commissioning().Applied()->q1Address, 200);

        // The trace has the reset only when something was answered.
        const std::vector<QJsonObject> lines = TraceLines(tracePath);
        const auto traced = std::find_if(lines.begin(), lines.end(), [](const QJsonObject& line) {
            return line.value(QLatin1String("req")).toString() == QStringLiteral("53770000");
        });
        if (reply == sim::ResetReply::Unanswered) {
            ASSERT_NE(traced, lines.end());
            EXPECT_EQ(traced->value(QLatin1String("result")).toInt(), 2);
            EXPECT_TRUE(traced->value(QLatin1String("rep")).isNull());
        } else {
            EXPECT_EQ(traced, lines.end());
        }
    }
}
