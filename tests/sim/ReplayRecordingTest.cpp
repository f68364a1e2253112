// A recorded session read back: what is accepted, what is refused with its
// line, and the gateway answering from it.

#include "sim/GatewayDispatcher.h"
#include "sim/LinkContract.h"
#include "sim/LinkFrames.h"
#include "sim/ReplayRecording.h"
#include "sim/TraceWriter.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using sim::CReplayRecording;
using namespace simtest;

namespace {

const QByteArray kConn = "WP=SOCKET,HOST=192.168.255.120,PORT=7000,WP=NEQ1,ADDR=131";

QByteArray OpenLine(const QByteArray& conn, int result)
{
    return "{\"kind\":\"open\",\"seq\":1,\"conn\":\"" + conn + "\",\"unit\":null,\"route\":null,\"req\":\"\",\"result\":"
        + QByteArray::number(result) + ",\"rep\":null}\n";
}

QByteArray TransferLine(const QByteArray& route, const QByteArray& req, int result, const QByteArray& rep)
{
    return "{\"kind\":\"transfer\",\"seq\":2,\"conn\":\"" + kConn + "\",\"route\":"
        + (route.isNull() ? QByteArray("null") : '"' + route + '"') + ",\"req\":\"" + req
        + "\",\"result\":" + QByteArray::number(result) + ",\"rep\":"
        + (rep.isNull() ? QByteArray("null") : '"' + rep + '"') + "}\n";
}

TEST(SimReplayRecording, AnswersRepeatInRecordedOrderThenTheLastOneStays)
{
    CReplayRecording recording;
    QString error;
    const QByteArray text = OpenLine(kConn, 0) + OpenLine("ADDR=9", 1)
        + TransferLine({}, "535401009004", 0, "aa01") + TransferLine({}, "535401009004", 0, "AA02")
        + TransferLine("wp=opt", "535401009004", 2, {})
        // The tool's lines carry a time and a round trip, and it records closes.
        + "{\"kind\":\"transfer\",\"time\":\"2026-12-08T08:00:00.000Z\",\"rtt_ms\":3,\"conn\":\"x\",\"route\":\"\","
          "\"req\":\"01\",\"result\":0,\"rep\":\"\"}\n"
        + "\n{\"kind\":\"close\",\"conn\":null,\"route\":null,\"req\":\"\",\"result\":0,\"rep\":null}\n"
        // A connection not named: its text is the request.
        + "{\"kind\":\"open\",\"conn\":null,\"route\":null,\"req\":\"20414444523d3720\",\"result\":0,"
          "\"rep\":null}\n";
    ASSERT_TRUE(recording.Parse(text, error)) << error.toStdString();
    EXPECT_EQ(recording.OpenCount(), 3u);

    EXPECT_EQ(recording.NextOpen(kConn.toStdString())->result, 0);
    EXPECT_EQ(recording.NextOpen("ADDR=9")->result, 1);
    EXPECT_FALSE(recording.NextOpen("ADDR=10"));
    EXPECT_EQ(recording.NextOpen("ADDR=7")->result, 0);

    const Bytes version = {0x53, 0x54, 0x01, 0x00, 0x90, 0x04};
    EXPECT_EQ(recording.NextTransfer("", version)->reply, (Bytes{0xAA, 0x01}));
    EXPECT_EQ(recording.NextTransfer("", version)->reply, (Bytes{0xAA, 0x02}));
    EXPECT_EQ(recording.NextTransfer("", version)->reply, (Bytes{0xAA, 0x02}));
    // The route is part of the key; a failure is played back as recorded.
    const auto failed = recording.NextTransfer("wp=opt", version);
    ASSERT_TRUE(failed);
    EXPECT_EQ(failed->result, 2);
    EXPECT_TRUE(failed->reply.empty());
    EXPECT_FALSE(recording.NextTransfer("", Bytes{0x53}));
    // An empty route written as text is the same route as null.
    EXPECT_TRUE(recording.NextTransfer("", Bytes{0x01}));
}

TEST(SimReplayRecording, DamagedRecordingsAreRefusedWithLineAndReason)
{
    const QByteArray good = OpenLine(kConn, 0);
    const struct {
        QByteArray text;
        const char* reason;
    } cases[] = {
        {good + "not json\n", "line 2: not JSON"},
        {good + "[1,2]\n", "line 2: not a JSON object"},
        {good + "{\"conn\":\"x\"}\n", "line 2: missing key kind"},
        {good + "{\"kind\":\"open\",\"route\":null,\"req\":\"\",\"result\":0,\"rep\":null}\n",
         "line 2: missing key conn"},
        {good + "{\"kind\":\"open\",\"conn\":\"x\",\"route\":null,\"req\":\"\",\"rep\":null}\n",
         "line 2: missing key result"},
        {good + "{\"kind\":\"open\",\"conn\":\"x\",\"route\":null,\"req\":\"\",\"result\":256,\"rep\":null}\n",
         "line 2: result is not"},
        {good + "{\"kind\":\"open\",\"conn\":\"x\",\"route\":null,\"req\":\"\",\"result\":\"0\",\"rep\":null}\n",
         "line 2: result is not"},
        {good + "{\"kind\":\"reset\",\"conn\":\"x\",\"route\":null,\"req\":\"\",\"result\":0,\"rep\":null}\n",
         "line 2: unknown kind"},
        {good + TransferLine({}, "5g", 0, "00"), "line 2: req is not hex"},
        {good + TransferLine({}, "535", 0, "00"), "line 2: req has an odd number of hex digits"},
        {good + TransferLine({}, "53", 0, "0z"), "line 2: rep is not hex"},
        // A successful exchange without its reply cannot be played back.
        {good + TransferLine({}, "53", 0, {}), "line 2: rep is null"},
        {good + "{\"kind\":\"transfer\",\"conn\":null,\"req\":\"53\",\"result\":2,\"rep\":null}\n",
         "line 2: missing key route"},
        {good + "{\"kind\":\"transfer\",\"conn\":null,\"route\":5,\"req\":\"53\",\"result\":2,\"rep\":null}\n",
         "line 2: route is neither"},
        {good + "{\"kind\":\"transfer\",\"conn\":null,\"route\":null,\"result\":2,\"rep\":null}\n",
         "line 2: missing key req"},
        // A line cut short by a crash while it was written.
        {good + good.left(20), "line 2: not JSON"},
        {good + good.left(20) + "\n", "line 2: not JSON"},
        {good + "{\"kind\":\"open\",\"conn\":\"" + QByteArray(CReplayRecording::kMaxLineLength, 'a') + "\"}\n",
         "line 2: longer than"},
    };
    for (const auto& c : cases) {
        CReplayRecording recording;
        QString error;
        ASSERT_TRUE(recording.Parse(good, error)); // something loaded before
        EXPECT_FALSE(recording.Parse(c.text, error)) << c.reason;
        EXPECT_TRUE(error.startsWith(QLatin1String(c.reason))) << error.left(200).toStdString();
        // A refused recording leaves the loaded one as it was.
        EXPECT_EQ(recording.OpenCount(), 1u) << c.reason;
    }
}

TEST(SimReplayRecording, LoadNamesTheFileAndSurvivesBinaryJunk)
{
    QTemporaryDir dir;
    CReplayRecording recording;
    QString error;
    EXPECT_FALSE(recording.Load(dir.filePath(QStringLiteral("missing.jsonl")), error));
    EXPECT_TRUE(error.contains(QLatin1String("missing.jsonl")));

    const QString path = dir.filePath(QStringLiteral("junk.jsonl"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    QByteArray junk;
    for (int i = 0; i < 4096; ++i)
        junk.append(char((i * 7919) & 0xFF));
    file.write(OpenLine(kConn, 0) + junk);
    file.close();
    EXPECT_FALSE(recording.Load(path, error));
    EXPECT_TRUE(error.contains(QLatin1String("junk.jsonl, line 2: "))) << error.toStdString();
}

// The gateway answering from a recording made by its own trace.
class SimReplayGateway : public testing::Test {
protected:
    Reply Exchange(const Bytes& body)
    {
        Bytes out;
        dispatcher.Handle(session, body, out);
        return TakeReply(out).value_or(Reply{0xFF, 0, 0xFF, {}});
    }

    sim::CUnitRegistry registry; // empty: every answer comes from the recording
    sim::FaultOptions faults;
    sim::CGatewayDispatcher dispatcher{registry, faults};
    sim::SessionState session;
    CReplayRecording recording;
};

TEST_F(SimReplayGateway, AnswersAsRecordedAndUnknownRequestsGetNoAnswer)
{
    const Bytes req = {0x01, 0x02};
    const Bytes rep = {0x09, 0x08, 0x07};
    const QByteArray text = QByteArray::fromStdString(sim::FormatTraceLine(
                                {"open", 1, kConn.toStdString(), "192.168.255.120:131", std::nullopt, {}, 0, std::nullopt}))
        + QByteArray::fromStdString(sim::FormatTraceLine(
            {"transfer", 2, kConn.toStdString(), std::nullopt, "wp=opt", req, 0, std::span<const std::uint8_t>(rep)}));
    QString error;
    ASSERT_TRUE(recording.Parse(text, error)) << error.toStdString();
    dispatcher.AnswerFrom(&recording);

    // Before an OPEN there is no unit, as with live units.
    EXPECT_EQ(Exchange(TransferBody(1, req, "wp=opt")).result, sim::kResultNoSuchUnit);
    EXPECT_EQ(Exchange(OpenBody(2, "ADDR=5")).result, sim::kResultNoAnswer);
    EXPECT_EQ(Exchange(TransferBody(3, req, "wp=opt")).result, sim::kResultNoSuchUnit);

    EXPECT_EQ(Exchange(OpenBody(4, "  " + kConn.toStdString() + "\r\n")).result, sim::kResultOk);
    const Reply answered = Exchange(TransferBody(5, req, "wp=opt"));
    EXPECT_EQ(answered.seq, 5);
    EXPECT_EQ(answered.result, sim::kResultOk);
    EXPECT_EQ(answered.bytes, rep);
    EXPECT_EQ(Exchange(TransferBody(6, req, "wp=opt")).bytes, rep);

    const Reply unknown = Exchange(TransferBody(7, req));
    EXPECT_EQ(unknown.result, sim::kResultNoAnswer);
    EXPECT_TRUE(unknown.bytes.empty());
}

TEST_F(SimReplayGateway, FaultOptionsStillApply)
{
    const Bytes req = {0x01};
    const Bytes rep = {0x02};
    const QByteArray text = OpenLine(kConn, 0) + TransferLine({}, "01", 0, "02");
    QString error;
    ASSERT_TRUE(recording.Parse(text, error));
    faults.breakAfter = 2;
    faults.dropEvery = 2;
    sim::CGatewayDispatcher faulty(registry, faults);
    faulty.AnswerFrom(&recording);
    Bytes out;
    EXPECT_EQ(faulty.Handle(session, OpenBody(1, kConn.toStdString()), out), sim::CGatewayDispatcher::Action::Reply);
    out.clear();
    EXPECT_EQ(faulty.Handle(session, TransferBody(2, req), out), sim::CGatewayDispatcher::Action::Reply);
    out.clear();
    EXPECT_EQ(faulty.Handle(session, TransferBody(3, req), out), sim::CGatewayDispatcher::Action::Silent);
    EXPECT_EQ(faulty.Handle(session, TransferBody(4, req), out), sim::CGatewayDispatcher::Action::ReplyThenClose);
    EXPECT_EQ(TakeReply(out)->bytes, rep);

    sim::FaultOptions refuse;
    refuse.refuseOpen = true;
    sim::CGatewayDispatcher refusing(registry, refuse);
    refusing.AnswerFrom(&recording);
    sim::SessionState fresh;
    out.clear();
    refusing.Handle(fresh, OpenBody(1, kConn.toStdString()), out);
    EXPECT_EQ(TakeReply(out)->result, sim::kResultNoSuchUnit);
}

} // namespace
