// The unit's side of a commissioning: the bracket with its exact replies, the
// blocks and steps it refuses, the setup applied by the next reset (values,
// reported position, new address), and what the state file keeps of it.

#include "sim/CommissioningRequests.h"
#include "sim/GatewayDispatcher.h"
#include "sim/LinkFrames.h"
#include "sim/SimOptions.h"
#include "sim/StateFile.h"
#include "sim/UnitModel.h"
#include "sim/WriteEffects.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

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

    std::unique_ptr<sim::CUnitRegistry> Units() const
    {
        auto registry = std::make_unique<sim::CUnitRegistry>();
        registry->Add({QHostAddress(QStringLiteral("192.168.255.120")), 131});
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

    static void CommissionThrough(sim::CGatewayDispatcher& d, sim::SessionState& s, bool reset)
    {
        std::uint16_t seq = 10;
        for (const Bytes& r : {kOpenCommissioning, WriteOf(0x9001, Block()), WriteOf(0x9002, kUserBlock),
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
