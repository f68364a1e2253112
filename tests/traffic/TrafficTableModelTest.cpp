// The traffic table over a ring and over a recording: what each kind of
// exchange shows, catching up in batches while the ring drops its oldest,
// the filter, Pause, Clear, and the text a copy and the detail pane get.

#include "traffic/RecordingReader.h"
#include "traffic/TrafficTableModel.h"

#include <QAbstractItemModelTester>
#include <QBrush>
#include <QBuffer>
#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr std::int64_t kNoon = 1796731200000; // 2026-12-08T12:00:00.000Z

STrafficExchange Read9004(std::int64_t timeMs = kNoon)
{
    STrafficExchange e;
    e.timeMs = timeMs;
    e.req = {0x53, 0x54, 0x01, 0x00, 0x90, 0x04};
    e.rep = Bytes{0x54, 0x57, 0x01, 0x00, 0x90, 0x04, 0x08, 0x00, 'V', '1'};
    e.rttMs = 12;
    return e;
}

STrafficExchange Numbered(std::uint32_t n)
{
    STrafficExchange e = Read9004(kNoon + n);
    for (const int shift : {16, 8, 0})
        e.req.push_back(static_cast<std::uint8_t>(n >> shift));
    return e;
}

STrafficExchange Open(std::uint8_t result = 0, bool failed = false)
{
    STrafficExchange e;
    e.kind = ETrafficKind::Open;
    e.timeMs = kNoon;
    e.conn = "WP=SOCKET,HOST=127.0.0.1,PORT=7000,WP=NEQ1,ADDR=131";
    e.result = result;
    e.failed = failed;
    e.rttMs = 3;
    return e;
}

QString Cell(const QAbstractItemModel& model, int row, int column, int role = Qt::DisplayRole)
{
    return model.data(model.index(row, column), role).toString();
}

QStringList Row(const QAbstractItemModel& model, int row)
{
    QStringList cells;
    for (int c = 0; c < model.columnCount(); ++c)
        cells << Cell(model, row, c);
    return cells;
}

bool Highlighted(const QAbstractItemModel& model, int row)
{
    return model.data(model.index(row, CTrafficTableModel::SummaryColumn), Qt::BackgroundRole).canConvert<QBrush>();
}

// The table finds its exchanges by running number: never a neighbour when
// the ring has moved on, nothing once one has gone, and Clears() tells it the
// numbers started again.
TEST(TrafficRing, ReadsByRunningNumberAndCountsItsClears)
{
    CTrafficRing ring(3);
    for (std::uint32_t n = 0; n < 5; ++n)
        ring.Append(Numbered(n));
    std::int64_t seen = -1;
    EXPECT_FALSE(ring.ReadNumber(1, [&](const STrafficExchange& e) { seen = e.timeMs; }));
    EXPECT_TRUE(ring.ReadNumber(2, [&](const STrafficExchange& e) { seen = e.timeMs; }));
    EXPECT_EQ(seen, kNoon + 2);
    EXPECT_TRUE(ring.ReadNumber(4, [&](const STrafficExchange& e) { seen = e.timeMs; }));
    EXPECT_EQ(seen, kNoon + 4);
    EXPECT_FALSE(ring.ReadNumber(5, [&](const STrafficExchange&) { ADD_FAILURE(); }));
    EXPECT_EQ(ring.Clears(), 0u);
    ring.Clear();
    ring.Clear();
    EXPECT_EQ(ring.Clears(), 2u);
    EXPECT_FALSE(ring.ReadNumber(0, [&](const STrafficExchange&) { ADD_FAILURE(); }));
}

TEST(TrafficTableModel, EveryExchangeGivesARequestRowAndAnAnswerRow)
{
    CTrafficRing ring;
    CTrafficTableModel model(ring);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);

    ring.Append(Open());
    ring.Append(Read9004());
    STrafficExchange nak = Read9004();
    nak.rep = Bytes{0x54, 0xF0};
    nak.result = 0;
    nak.failed = true;
    ring.Append(nak);
    STrafficExchange lost = Read9004();
    lost.rep.reset();
    lost.result = 2;
    lost.failed = true;
    ring.Append(lost);
    STrafficExchange refused = Read9004();
    refused.result = 5;
    ring.Append(refused);
    STrafficExchange tftp;
    tftp.timeMs = kNoon;
    tftp.route = "wp=opt,pr=q1ad";
    tftp.req = {0x00, 0x03, 0x00, 0x11, 0xAA, 0xBB, 0xCC};
    tftp.rep = Bytes{0x00, 0x04, 0x00, 0x11};
    tftp.rttMs = 40;
    ring.Append(tftp);
    STrafficExchange close;
    close.kind = ETrafficKind::Close;
    close.timeMs = kNoon + 1500;
    ring.Append(close);
    model.CatchUp();
    ASSERT_EQ(model.rowCount(), 14);

    const QStringList header{"Time", "Direction", "Route", "Summary", "Bytes", "Result", "Round Trip"};
    for (int c = 0; c < model.columnCount(); ++c)
        EXPECT_EQ(model.headerData(c, Qt::Horizontal).toString(), header[c]);

    // Open: the connection in the summary, the answer row carries the result alone.
    EXPECT_EQ(Row(model, 0), QStringList({"12:00:00.000", "\u2192", "",
                                          "open WP=SOCKET,HOST=127.0.0.1,PORT=7000,WP=NEQ1,ADDR=131", "", "", ""}));
    EXPECT_EQ(Row(model, 1), QStringList({"12:00:00.003", "\u2190", "", "", "", "OK", "3 ms"}));
    // A read: request and reply bytes; the answer's time is when it came.
    EXPECT_EQ(Row(model, 2), QStringList({"12:00:00.000", "\u2192", "", "read 0x9004 version block", "6", "", ""}));
    EXPECT_EQ(Row(model, 3), QStringList({"12:00:00.012", "\u2190", "", "read 0x9004 version block reply", "10", "OK", "12 ms"}));
    EXPECT_FALSE(Highlighted(model, 2));
    EXPECT_FALSE(Highlighted(model, 3));
    // A negative acknowledgement is named and marked as failed.
    EXPECT_EQ(Cell(model, 5, CTrafficTableModel::SummaryColumn), "negative acknowledgement");
    EXPECT_EQ(Cell(model, 5, CTrafficTableModel::ResultColumn), "failed");
    EXPECT_TRUE(Highlighted(model, 4));
    EXPECT_TRUE(Highlighted(model, 5));
    // A failure without a reply: no byte count, the result alone.
    EXPECT_EQ(Cell(model, 7, CTrafficTableModel::BytesColumn), "");
    EXPECT_EQ(Cell(model, 7, CTrafficTableModel::ResultColumn), "2 - unit did not answer");
    EXPECT_TRUE(model.data(model.index(7, CTrafficTableModel::ResultColumn), Qt::ForegroundRole).canConvert<QBrush>());
    // A non-zero result the tool did not count as failed still stands out.
    EXPECT_EQ(Cell(model, 9, CTrafficTableModel::ResultColumn), "5 - unknown result");
    // Each code says what it means, also in the tool tip, which lists them all.
    const auto tip = [&model](int row) {
        return model.data(model.index(row, CTrafficTableModel::ResultColumn), Qt::ToolTipRole).toString();
    };
    EXPECT_TRUE(tip(7).startsWith("Result 2 from the link: unit did not answer.\n")) << tip(7).toStdString();
    EXPECT_TRUE(tip(5).startsWith("Failed without a result from the link")) << tip(5).toStdString();
    EXPECT_TRUE(tip(3).startsWith("The unit answered."));
    for (const int row : {3, 5, 7, 9})
        EXPECT_TRUE(tip(row).endsWith("0 ok, 1 no such unit, 2 unit did not answer, 3 malformed request"));
    EXPECT_FALSE(model.data(model.index(6, CTrafficTableModel::ResultColumn), Qt::ToolTipRole).isValid());
    EXPECT_TRUE(Highlighted(model, 9));
    EXPECT_NE(model.data(model.index(9, 0), Qt::BackgroundRole), model.data(model.index(5, 0), Qt::BackgroundRole));
    // Download data on its route, both ways decoded.
    EXPECT_EQ(Row(model, 10),
              QStringList({"12:00:00.000", "\u2192", "wp=opt,pr=q1ad", "TFTP DATA block 17 (3 bytes)", "7", "", ""}));
    EXPECT_EQ(Cell(model, 11, CTrafficTableModel::SummaryColumn), "TFTP ACK block 17");
    EXPECT_EQ(Row(model, 12), QStringList({"12:00:01.500", "\u2192", "", "close", "", "", ""}));
    // The time's date is in the tooltip, in UTC.
    EXPECT_EQ(Cell(model, 12, 0, Qt::ToolTipRole), "2026-12-08T12:00:01.500Z");

    EXPECT_EQ(model.ExchangeAt(4)->rep, nak.rep);
    EXPECT_EQ(model.ExchangeAt(5), model.ExchangeAt(4));
    EXPECT_FALSE(model.ExchangeAt(14).has_value());
    EXPECT_FALSE(model.ExchangeAt(-1).has_value());
}

TEST(TrafficTableModel, CatchesUpInBatchesAndLetsGoOfWhatTheRingDropped)
{
    CTrafficRing ring(10);
    CTrafficTableModel model(ring);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);

    // Nothing reaches the table before it catches up.
    for (std::uint32_t n = 0; n < 4; ++n)
        ring.Append(Numbered(n));
    EXPECT_EQ(model.rowCount(), 0);
    model.CatchUp();
    ASSERT_EQ(model.rowCount(), 8);

    // Twenty more through a ring of ten: the table holds the ring's ten, in order.
    for (std::uint32_t n = 4; n < 24; ++n)
        ring.Append(Numbered(n));
    model.CatchUp();
    ASSERT_EQ(model.rowCount(), 20);
    for (int row = 0; row < 20; row += 2)
        EXPECT_EQ(model.ExchangeAt(row)->timeMs, kNoon + 14 + row / 2);

    // A few more: as many rows leave the top as arrive at the bottom.
    for (std::uint32_t n = 24; n < 27; ++n)
        ring.Append(Numbered(n));
    model.CatchUp();
    ASSERT_EQ(model.rowCount(), 20);
    EXPECT_EQ(model.ExchangeAt(0)->timeMs, kNoon + 17);
    EXPECT_EQ(model.ExchangeAt(19)->timeMs, kNoon + 26);

    // The same with a filter on: only matching rows come and go.
    model.SetFilter(QStringLiteral("00 1c")); // exchanges 28 and 29 end in 0x1C, 0x1D
    EXPECT_EQ(model.rowCount(), 0);
    model.SetFilter(QStringLiteral("00 1"));  // 16..31, of which 17..26 are held
    EXPECT_EQ(model.rowCount(), 20);
    for (std::uint32_t n = 27; n < 40; ++n)
        ring.Append(Numbered(n));
    model.CatchUp();
    // Held now: 30..39; matching 30 and 31.
    ASSERT_EQ(model.rowCount(), 4);
    EXPECT_EQ(model.ExchangeAt(0)->timeMs, kNoon + 30);
    EXPECT_EQ(model.ExchangeAt(2)->timeMs, kNoon + 31);
    model.SetFilter({});
    EXPECT_EQ(model.rowCount(), 20);
}

TEST(TrafficTableModel, ALongBacklogComesInOverSeveralShortPasses)
{
    CTrafficRing ring;
    for (std::uint32_t n = 0; n < 100000; ++n)
        ring.Append(Numbered(n));
    CTrafficTableModel model(ring);
    QElapsedTimer clock;
    clock.start();
    int passes = 0;
    while (model.ExchangeCount() < 100000 && passes < 10000) {
        model.CatchUp();
        ++passes;
    }
    EXPECT_EQ(model.ExchangeCount(), 100000u);
    EXPECT_GT(passes, 1) << "took " << clock.elapsed() << " ms in one pass";
    EXPECT_EQ(model.ExchangeAt(199999)->timeMs, kNoon + 99999);

    // Filtering all of them, by text and by bytes, in one go.
    clock.restart();
    model.SetFilter(QStringLiteral("01 86 9F")); // 99999
    EXPECT_EQ(model.rowCount(), 2);
    model.SetFilter(QStringLiteral("86 9f")); // 0x00869F and 0x01869F
    EXPECT_EQ(model.rowCount(), 4);
    model.SetFilter(QStringLiteral("VERSION BLOCK"));
    EXPECT_EQ(model.rowCount(), 200000);
    std::printf("filtering 100000 exchanges three times: %lld ms\n", static_cast<long long>(clock.elapsed()));
}

TEST(TrafficTableModel, FilterLooksAtSummaryRouteResultAndBytes)
{
    CTrafficRing ring;
    CTrafficTableModel model(ring);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    ring.Append(Open());
    ring.Append(Read9004());
    STrafficExchange failed = Read9004();
    failed.req = {0x53, 0x66};
    failed.rep.reset();
    failed.result = 2;
    failed.failed = true;
    ring.Append(failed);
    STrafficExchange tftp;
    tftp.route = "wp=opt,pr=q1ad";
    tftp.req = {0x00, 0x03, 0x00, 0x11, 0x9A, 0xBC};
    ring.Append(tftp);
    model.CatchUp();
    ASSERT_EQ(model.rowCount(), 8);

    const auto shown = [&](const QString& filter) {
        model.SetFilter(filter);
        QStringList summaries;
        for (int row = 0; row < model.rowCount(); row += 2)
            summaries << Cell(model, row, CTrafficTableModel::SummaryColumn);
        return summaries;
    };
    EXPECT_EQ(shown("Version Block"), QStringList{"read 0x9004 version block"});
    EXPECT_EQ(shown("gps"), QStringList{"GPS status"});
    EXPECT_EQ(shown("FAILED"), QStringList{"GPS status"});
    EXPECT_EQ(shown("did not answer"), QStringList{"GPS status"});
    EXPECT_EQ(shown("q1ad"), QStringList{"TFTP DATA block 17 (2 bytes)"});
    EXPECT_EQ(shown("127.0.0.1"), QStringList{"open WP=SOCKET,HOST=127.0.0.1,PORT=7000,WP=NEQ1,ADDR=131"});
    // Bytes in hex, with or without spaces, in the request or the reply;
    // only whole bytes count, so "a bc" does not match the nibbles of 9A BC.
    EXPECT_EQ(shown("90 04"), QStringList{"read 0x9004 version block"});
    EXPECT_EQ(shown("5457"), QStringList{"read 0x9004 version block"});
    EXPECT_EQ(shown("9abc"), QStringList{"TFTP DATA block 17 (2 bytes)"});
    EXPECT_EQ(shown("abc"), QStringList{});
    EXPECT_EQ(shown("zz"), QStringList{});
    EXPECT_EQ(shown("  "), (QStringList{"open WP=SOCKET,HOST=127.0.0.1,PORT=7000,WP=NEQ1,ADDR=131",
                                        "read 0x9004 version block", "GPS status", "TFTP DATA block 17 (2 bytes)"}));

    // New traffic meets the filter as it arrives.
    model.SetFilter(QStringLiteral("version"));
    ring.Append(Read9004());
    ring.Append(failed);
    model.CatchUp();
    EXPECT_EQ(model.rowCount(), 4);
}

TEST(TrafficTableModel, PauseHoldsTheViewWhileTheRingRecordsAndResumeCatchesUp)
{
    CTrafficRing ring(5);
    CTrafficTableModel model(ring);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    for (std::uint32_t n = 0; n < 3; ++n)
        ring.Append(Numbered(n));
    model.CatchUp();
    model.SetPaused(true);
    EXPECT_TRUE(model.IsPaused());
    for (std::uint32_t n = 3; n < 12; ++n)
        ring.Append(Numbered(n));
    model.CatchUp();
    EXPECT_EQ(model.rowCount(), 6);
    EXPECT_EQ(ring.Appended(), 12u);
    // The rows stay; their bytes have gone from the ring meanwhile.
    EXPECT_EQ(Cell(model, 0, CTrafficTableModel::SummaryColumn), "read 0x9004 version block");
    EXPECT_FALSE(model.ExchangeAt(0).has_value());

    model.SetPaused(false);
    ASSERT_EQ(model.rowCount(), 10);
    EXPECT_EQ(model.ExchangeAt(0)->timeMs, kNoon + 7);
    EXPECT_EQ(model.ExchangeAt(9)->timeMs, kNoon + 11);
}

TEST(TrafficTableModel, ClearEmptiesTheRingAndTheTableAndNewTrafficFollows)
{
    CTrafficRing ring;
    CTrafficTableModel model(ring);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    ring.Append(Numbered(1));
    ring.Append(Numbered(2));
    model.CatchUp();
    model.Clear();
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_EQ(ring.Size(), 0u);
    ring.Append(Numbered(3));
    model.CatchUp();
    ASSERT_EQ(model.rowCount(), 2);
    EXPECT_EQ(model.ExchangeAt(0)->timeMs, kNoon + 3);

    // Cleared elsewhere, and refilled past where the table had got to: the
    // table starts again rather than showing stale rows.
    ring.Clear();
    for (std::uint32_t n = 4; n < 7; ++n)
        ring.Append(Numbered(n));
    model.CatchUp();
    ASSERT_EQ(model.rowCount(), 6);
    EXPECT_EQ(model.ExchangeAt(0)->timeMs, kNoon + 4);
    EXPECT_EQ(Cell(model, 0, CTrafficTableModel::TimeColumn), "12:00:00.004");
}

TEST(TrafficTableModel, ARecordingShowsReadOnly)
{
    QByteArray text =
        "{\"kind\":\"open\",\"time\":\"2026-12-08T08:41:18.101Z\",\"conn\":\"IP:127.0.0.1:4001\",\"route\":null,"
        "\"req\":\"\",\"result\":0,\"rep\":null,\"rtt_ms\":3,\"failed\":false}\n"
        "{\"kind\":\"transfer\",\"time\":\"2026-12-08T08:41:18.123Z\",\"conn\":null,\"route\":null,"
        "\"req\":\"535401009004\",\"result\":0,\"rep\":\"54f0\",\"rtt_ms\":12,\"failed\":true}\n";
    QBuffer buffer(&text);
    ASSERT_TRUE(buffer.open(QIODevice::ReadOnly));
    QString error;
    auto exchanges = ReadRecording(buffer, error);
    ASSERT_TRUE(exchanges) << error.toStdString();
    CTrafficTableModel model(std::move(*exchanges));
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    EXPECT_FALSE(model.IsLive());
    ASSERT_EQ(model.rowCount(), 4);
    EXPECT_EQ(Row(model, 2), QStringList({"08:41:18.123", "\u2192", "", "read 0x9004 version block", "6", "", ""}));
    EXPECT_EQ(Cell(model, 3, CTrafficTableModel::ResultColumn), "failed");

    model.SetPaused(true);
    EXPECT_FALSE(model.IsPaused());
    model.Clear();
    model.CatchUp();
    EXPECT_EQ(model.rowCount(), 4);
    model.SetFilter(QStringLiteral("54 F0"));
    EXPECT_EQ(model.rowCount(), 2);

    // An empty recording is an empty table.
    CTrafficTableModel empty(std::vector<STrafficExchange>{});
    EXPECT_EQ(empty.rowCount(), 0);
}

TEST(TrafficTableModel, CopiedRowsAndTheDetailPaneReadAsTheTableShows)
{
    CTrafficRing ring;
    CTrafficTableModel model(ring);
    ring.Append(Read9004());
    STrafficExchange odd = Open(2, true);
    odd.conn = "HOST=a\tb"; // a tab in a text must not split a copied cell
    ring.Append(odd);
    model.CatchUp();
    EXPECT_EQ(model.RowsAsText({3, 0, 1, 2, 3, 99}),
              "Time\tDirection\tRoute\tSummary\tBytes\tResult\tRound Trip\n"
              "12:00:00.000\t\u2192\t\tread 0x9004 version block\t6\t\t\n"
              "12:00:00.012\t\u2190\t\tread 0x9004 version block reply\t10\tOK\t12 ms\n"
              "12:00:00.000\t\u2192\t\topen HOST=a b\t\t\t\n"
              "12:00:00.003\t\u2190\t\t\t\t2 - unit did not answer\t3 ms\n");

    EXPECT_EQ(HexBytes(Bytes{0x00, 0xAB, 0x7F}), "00 AB 7F");
    Bytes seventeen(17);
    for (std::size_t i = 0; i < seventeen.size(); ++i)
        seventeen[i] = static_cast<std::uint8_t>(0x40 + i);
    seventeen[1] = 0x00;
    EXPECT_EQ(HexDump(seventeen),
              "0000  40 00 42 43 44 45 46 47 48 49 4A 4B 4C 4D 4E 4F  @.BCDEFGHIJKLMNO\n"
              "0010  50                                               P\n");
    EXPECT_EQ(HexDump({}), "");

    const QString detail = ExchangeDetailText(Read9004());
    EXPECT_TRUE(detail.startsWith("read 0x9004 version block\ntransfer 2026-12-08T12:00:00.000Z   route none   OK"
                                  "   round trip 12 ms\n"))
        << detail.toStdString();
    EXPECT_TRUE(detail.contains("Request, 6 bytes\n0000  53 54 01 00 90 04"));
    EXPECT_TRUE(detail.contains("Reply, 10 bytes\n0000  54 57 01 00 90 04 08 00 56 31"));
    STrafficExchange lost = Read9004();
    lost.rep.reset();
    EXPECT_TRUE(ExchangeDetailText(lost).endsWith("No reply\n"));
}

} // namespace
