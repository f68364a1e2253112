// The gateway's answer to each request body: OPEN resolution, TRANSFER
// results, malformed bodies, and the injected faults.

#include "sim/GatewayDispatcher.h"
#include "sim/LinkContract.h"
#include "sim/LinkFrames.h"
#include "sim/TestCatalog.h"

#include <gtest/gtest.h>

#include <algorithm>

using sim::CGatewayDispatcher;
using Action = sim::CGatewayDispatcher::Action;
using namespace simtest;

namespace {

class SimGatewayDispatcher : public testing::Test {
protected:
    void SetUp() override
    {
        registry.Add({QHostAddress(QStringLiteral("192.168.255.120")), 131}, TestCatalog());
        registry.Add({QHostAddress(QStringLiteral("192.168.255.121")), 7}, TestCatalog());
    }

    CGatewayDispatcher& Dispatcher()
    {
        if (!dispatcher)
            dispatcher = std::make_unique<CGatewayDispatcher>(registry, faults);
        return *dispatcher;
    }

    // Handles one body; the reply, if one was sent, lands in `reply`.
    Action Send(const Bytes& body, std::optional<Reply>& reply, sim::SessionState& s)
    {
        Bytes out;
        const Action action = Dispatcher().Handle(s, body, out);
        reply = TakeReply(out);
        EXPECT_TRUE(out.empty()) << "one reply frame at most";
        return action;
    }

    Reply Exchange(const Bytes& body)
    {
        std::optional<Reply> reply;
        Send(body, reply, session);
        EXPECT_TRUE(reply.has_value());
        return reply.value_or(Reply{});
    }

    void OpenDefaultUnit() { ASSERT_EQ(Exchange(OpenBody(1)).result, 0); }

    sim::CUnitRegistry registry;
    sim::FaultOptions faults;
    std::unique_ptr<CGatewayDispatcher> dispatcher;
    sim::SessionState session;
};

} // namespace

TEST_F(SimGatewayDispatcher, OpenRepliesCarryKindSequenceAndResult)
{
    Bytes out;
    ASSERT_EQ(Dispatcher().Handle(session, OpenBody(0x1234), out), Action::Reply);
    EXPECT_EQ(out, (Bytes{0, 0, 0, 4, 0x81, 0x12, 0x34, 0x00}));
    ASSERT_NE(session.unit, nullptr);
    EXPECT_EQ(session.unit->Label(), "192.168.255.120:131");
    EXPECT_EQ(session.connection, std::string(kConnection));

    EXPECT_EQ(Exchange(OpenBody(2, "  ADDR=7 \r\n")).result, 0);
    EXPECT_EQ(session.unit->Label(), "192.168.255.121:7");
    EXPECT_EQ(session.connection, "ADDR=7");
}

TEST_F(SimGatewayDispatcher, FailedOpenLeavesNoUnit)
{
    OpenDefaultUnit();
    const Reply r = Exchange(OpenBody(2, "HOST=192.168.255.120,ADDR=99"));
    EXPECT_EQ(r.kind, 0x81);
    EXPECT_EQ(r.result, sim::kResultNoSuchUnit);
    EXPECT_EQ(session.unit, nullptr);
    EXPECT_FALSE(session.connection.has_value());
    EXPECT_EQ(Exchange(TransferBody(3, kReadVersion)).result, sim::kResultNoSuchUnit);
    EXPECT_EQ(Exchange(OpenBody(4, "")).result, sim::kResultNoSuchUnit);
}

TEST_F(SimGatewayDispatcher, TransferBeforeOpenIsNoSuchUnit)
{
    const Reply r = Exchange(TransferBody(9, kReadVersion));
    EXPECT_EQ(r.kind, 0x82);
    EXPECT_EQ(r.seq, 9);
    EXPECT_EQ(r.result, sim::kResultNoSuchUnit);
    EXPECT_TRUE(r.bytes.empty());
}

TEST_F(SimGatewayDispatcher, TransferCarriesTheUnitsReplyBytes)
{
    OpenDefaultUnit();
    Bytes out;
    ASSERT_EQ(Dispatcher().Handle(session, TransferBody(0xFFFF, {0x53, 0x54, 0x01, 0x00, 0xC0, 0x05}), out),
              Action::Reply);
    EXPECT_EQ(out, (Bytes{0, 0, 0, 16, 0x82, 0xFF, 0xFF, 0x00, 0x54, 0x57, 0x01, 0x00, 0xC0, 0x05, 8, 0x00, 0x00,
                          0x0A, 0x0D, 0xD4}));

    const Reply probe = Exchange(TransferBody(2, {0x03}, "wp=opt,pr=q1dl"));
    EXPECT_EQ(probe.result, 0);
    EXPECT_EQ(probe.bytes, (Bytes{'Q', 'O', 'R', 'H', 'W', '2', 0}));

    // Writes reach the unit the session opened, and only that one.
    EXPECT_EQ(Exchange(TransferBody(3, {0x53, 0x53, 0xC0, 0x05, 4, 1, 2, 3, 4})).bytes,
              (Bytes{0x54, 0x56, 0xC0, 0x05, 0}));
    EXPECT_EQ(registry.Units()[0]->Model().Value(0xC005)[0], 1);
    EXPECT_EQ(registry.Units()[1]->Model().Value(0xC005)[0], 0);
}

TEST_F(SimGatewayDispatcher, SilentUnitIsResultTwo)
{
    OpenDefaultUnit();
    for (const char* route : {"wp=opt,pr=q1xx", "wp=nowhere"}) {
        SCOPED_TRACE(route);
        const Reply r = Exchange(TransferBody(5, {1, 2, 3}, route));
        EXPECT_EQ(r.result, sim::kResultNoAnswer);
        EXPECT_TRUE(r.bytes.empty());
    }
    // The download routes answer what is not TFTP with a TFTP error.
    for (const char* route : {"wp=opt,pr=q1ad", "wp=opt,pr=q1ad,wp=fe,id=0,ch=9"}) {
        SCOPED_TRACE(route);
        const Reply r = Exchange(TransferBody(5, {1, 2, 3}, route));
        EXPECT_EQ(r.result, sim::kResultOk);
        EXPECT_EQ(Bytes(r.bytes.begin(), r.bytes.begin() + std::min<std::size_t>(4, r.bytes.size())),
                  (Bytes{0x00, 0x05, 0x00, 0x04}));
    }
}

TEST_F(SimGatewayDispatcher, MalformedBodies)
{
    OpenDefaultUnit();
    // Route longer than what follows.
    Bytes shortRoute = {0x02, 0x00, 0x05, 10, 'w', 'p'};
    Reply r = Exchange(shortRoute);
    EXPECT_EQ(r.kind, 0x82);
    EXPECT_EQ(r.seq, 5);
    EXPECT_EQ(r.result, sim::kResultMalformed);
    // No route length at all.
    r = Exchange({0x02, 0x00, 0x06});
    EXPECT_EQ(r.result, sim::kResultMalformed);
    // Unknown kind: answered under its own kind.
    r = Exchange({0x07, 0xAB, 0xCD, 1, 2, 3});
    EXPECT_EQ(r.kind, 0x87);
    EXPECT_EQ(r.seq, 0xABCD);
    EXPECT_EQ(r.result, sim::kResultMalformed);
    // The session survives all of it.
    EXPECT_EQ(Exchange(TransferBody(8, kReadVersion)).result, 0);

    // Without a sequence number nothing can be answered.
    std::optional<Reply> none;
    EXPECT_EQ(Send({0x02, 0x00}, none, session), Action::Close);
    EXPECT_FALSE(none.has_value());
    EXPECT_EQ(Send({0x09}, none, session), Action::Close);
}

TEST_F(SimGatewayDispatcher, CloseGetsNoReply)
{
    OpenDefaultUnit();
    std::optional<Reply> reply;
    EXPECT_EQ(Send({0x03, 0x00, 0x02}, reply, session), Action::Close);
    EXPECT_FALSE(reply.has_value());
}

TEST_F(SimGatewayDispatcher, RefuseOpenAnswersNoSuchUnit)
{
    faults.refuseOpen = true;
    EXPECT_EQ(Exchange(OpenBody(1)).result, sim::kResultNoSuchUnit);
    EXPECT_EQ(Exchange(TransferBody(2, kReadVersion)).result, sim::kResultNoSuchUnit);
}

TEST_F(SimGatewayDispatcher, DropEveryLosesEveryNthTransferUnseen)
{
    faults.dropEvery = 3;
    OpenDefaultUnit();
    std::vector<int> answered;
    for (std::uint16_t seq = 1; seq <= 7; ++seq) {
        std::optional<Reply> reply;
        const Bytes write = {0x53, 0x53, 0xC0, 0x05, 4, std::uint8_t(seq), 0, 0, 0};
        const Action action = Send(TransferBody(seq, write), reply, session);
        if (action == Action::Silent) {
            EXPECT_FALSE(reply.has_value());
            // The unit never saw it: the value is still the previous write's.
            EXPECT_EQ(registry.Units()[0]->Model().Value(0xC005)[0], seq - 1);
        } else {
            ASSERT_TRUE(reply.has_value());
            EXPECT_EQ(reply->seq, seq);
            answered.push_back(seq);
        }
    }
    EXPECT_EQ(answered, (std::vector<int>{1, 2, 4, 5, 7}));
    // OPENs are never lost and do not count.
    EXPECT_EQ(Exchange(OpenBody(8)).result, 0);
}

TEST_F(SimGatewayDispatcher, DropCountIsSharedByAllConnections)
{
    faults.dropEvery = 2;
    sim::SessionState other;
    std::optional<Reply> reply;
    OpenDefaultUnit();
    ASSERT_EQ(Send(OpenBody(1), reply, other), Action::Reply);
    EXPECT_EQ(Send(TransferBody(2, kReadVersion), reply, session), Action::Reply);
    EXPECT_EQ(Send(TransferBody(2, kReadVersion), reply, other), Action::Silent);
    EXPECT_EQ(Send(TransferBody(3, kReadVersion), reply, session), Action::Reply);
}

TEST_F(SimGatewayDispatcher, SeededDropsAreReproducible)
{
    const auto pattern = [](double p, std::uint64_t seed) {
        sim::CUnitRegistry units;
        units.Add({QHostAddress(QStringLiteral("192.168.255.120")), 131});
        sim::FaultOptions f;
        f.dropProbability = p;
        f.seed = seed;
        CGatewayDispatcher d(units, f);
        sim::SessionState s;
        Bytes out;
        d.Handle(s, OpenBody(1), out);
        std::string dropped;
        for (int i = 0; i < 200; ++i)
            dropped += d.Handle(s, TransferBody(2, kReadVersion), out) == Action::Silent ? 'x' : '.';
        return dropped;
    };
    const std::string a = pattern(0.3, 7);
    EXPECT_EQ(a, pattern(0.3, 7));
    EXPECT_NE(a, pattern(0.3, 8));
    const auto drops = std::count(a.begin(), a.end(), 'x');
    EXPECT_GT(drops, 30);
    EXPECT_LT(drops, 90);
    EXPECT_EQ(pattern(0.0, 7), std::string(200, '.'));
    EXPECT_EQ(pattern(1.0, 7), std::string(200, 'x'));
}

TEST_F(SimGatewayDispatcher, BreakAfterCountsTheReplies)
{
    faults.breakAfter = 2;
    OpenDefaultUnit();
    std::optional<Reply> reply;
    EXPECT_EQ(Send(TransferBody(2, kReadVersion), reply, session), Action::Reply);
    EXPECT_EQ(Send(TransferBody(3, kReadVersion), reply, session), Action::ReplyThenClose);
    ASSERT_TRUE(reply.has_value());
    EXPECT_EQ(reply->result, 0);

    // A new connection starts counting afresh.
    sim::SessionState next;
    EXPECT_EQ(Send(OpenBody(1), reply, next), Action::Reply);
    EXPECT_EQ(Send(TransferBody(2, kReadVersion), reply, next), Action::Reply);
}

TEST_F(SimGatewayDispatcher, AResetUnitAnswersThenStaysSilentWhileItRestarts)
{
    faults.rebootMs = 100000; // longer than the test
    OpenDefaultUnit();
    const Reply reset = Exchange(TransferBody(2, {0x53, 0x77, 0x00, 0x00}));
    EXPECT_EQ(reset.result, 0);
    EXPECT_EQ(reset.bytes, (Bytes{0x54, 0x78, 0x00, 0x00, 0x00}));
    EXPECT_EQ(Exchange(TransferBody(3, {0x53, 0x54, 0x01, 0x00, 0x90, 0x04})).result, sim::kResultNoAnswer);
    EXPECT_EQ(Exchange(TransferBody(4, {0x03}, "wp=opt,pr=q1dl")).result, sim::kResultNoAnswer);

    // The other unit on the bus carries on.
    sim::SessionState other;
    std::optional<Reply> reply;
    Send(OpenBody(5, "HOST=192.168.255.121,ADDR=7"), reply, other);
    ASSERT_TRUE(reply);
    Send(TransferBody(6, {0x03}, "wp=opt,pr=q1dl"), reply, other);
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->result, 0);
}

TEST_F(SimGatewayDispatcher, AResetUnitIsBackAfterItsRestartTime)
{
    faults.rebootMs = 0;
    OpenDefaultUnit();
    EXPECT_EQ(Exchange(TransferBody(2, {0x53, 0x77, 0x00, 0x00})).result, 0);
    EXPECT_EQ(Exchange(TransferBody(3, {0x03}, "wp=opt,pr=q1dl")).result, 0);
    EXPECT_EQ(Exchange(TransferBody(4, {0x53, 0x77, 0x00})).bytes, (Bytes{0x54, 0xF0})); // malformed reset
}

// --restart-delay-ms: a unit that acknowledged its reset or activation goes
// on answering with its old setup, then goes silent for its reboot, then
// answers with the new one. Timed by the test's own clock.
TEST_F(SimGatewayDispatcher, ADelayedRestartAnswersWithTheOldSetupThenRebootsAndApplies)
{
    faults.restartDelayMs = 1000;
    faults.rebootMs = 500;
    std::int64_t now = 0;
    Dispatcher().SetClock([&] { return now; });
    const Bytes readBanks{0x53, 0x84, 0x00, 0x00};
    const auto activeName = [&](std::uint16_t seq) {
        const Reply reply = Exchange(TransferBody(seq, readBanks));
        return reply.result == 0 && reply.bytes.size() > 4
                   ? std::string(reinterpret_cast<const char*>(reply.bytes.data()) + 4)
                   : "result " + std::to_string(reply.result);
    };
    OpenDefaultUnit();
    ASSERT_EQ(activeName(2), sim::kDefaultActiveFirmware);
    Bytes activate{0x53, 0x77, 12};
    for (const char c : std::string_view(sim::kDefaultInactiveFirmware))
        activate.push_back(std::uint8_t(c));
    activate.push_back(0);
    EXPECT_EQ(Exchange(TransferBody(3, activate)).bytes, (Bytes{0x54, 0x78, 0x00, 0x00}));

    struct Moment {
        std::int64_t ms;
        std::string active;
    };
    for (const Moment& m : {Moment{0, sim::kDefaultActiveFirmware}, Moment{999, sim::kDefaultActiveFirmware},
                            Moment{1000, "result 2"}, Moment{1499, "result 2"},
                            Moment{1500, sim::kDefaultInactiveFirmware}}) {
        now = m.ms;
        EXPECT_EQ(activeName(4), m.active) << "at " << m.ms << " ms";
    }

    // A reset nobody asks about while it is due still restarts at its time.
    now = 5000;
    EXPECT_EQ(Exchange(TransferBody(5, {0x53, 0x77, 0x00, 0x00})).result, 0);
    now = 7000; // due at 6000, silent until 6500
    EXPECT_EQ(Exchange(TransferBody(6, {0x03}, "wp=opt,pr=q1dl")).result, 0);
}
