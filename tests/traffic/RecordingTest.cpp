// The recording as a file: what the writer puts in each line, and what the
// reader accepts back or refuses with the line and the reason.

#include "traffic/RecordingReader.h"
#include "traffic/RecordingWriter.h"
#include "traffic/TrafficRing.h"

#include <QBuffer>
#include <QDateTime>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <memory>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

namespace {

STrafficExchange Transfer()
{
    STrafficExchange exchange;
    exchange.timeMs = 1796719278123; // 2026-12-08T08:41:18.123Z
    exchange.req = {0x53, 0x54, 0x01, 0x00, 0x90, 0x04};
    exchange.rep = std::vector<std::uint8_t>{0x54, 0xF0};
    exchange.rttMs = 12;
    return exchange;
}

std::optional<std::vector<STrafficExchange>> Read(const QByteArray& text, QString& error)
{
    QByteArray data = text;
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    return ReadRecording(buffer, error);
}

TEST(RecordingFormat, LinesCarryTheTraceKeysTimeAndRoundTrip)
{
    EXPECT_EQ(FormatRecordingLine(Transfer()),
              "{\"kind\":\"transfer\",\"time\":\"2026-12-08T08:41:18.123Z\",\"conn\":null,\"route\":null,"
              "\"req\":\"535401009004\",\"result\":0,\"rep\":\"54f0\",\"rtt_ms\":12,\"failed\":false}\n");

    STrafficExchange open;
    open.kind = ETrafficKind::Open;
    open.timeMs = 0;
    open.conn = std::string("q\"1\\\x01\xE9", 6);
    open.result = 3;
    open.failed = true;
    EXPECT_EQ(FormatRecordingLine(open),
              "{\"kind\":\"open\",\"time\":\"1970-01-01T00:00:00.000Z\",\"conn\":\"q\\\"1\\\\\\u0001\\u00e9\","
              "\"route\":null,\"req\":\"\",\"result\":3,\"rep\":null,\"rtt_ms\":0,\"failed\":true}\n");
    // Taken over from before the recording started: one key more, last.
    open.carriedOver = true;
    EXPECT_TRUE(FormatRecordingLine(open).ends_with(",\"failed\":true,\"carried_over\":true}\n"));
}

TEST(RecordingFormat, WrittenExchangesReadBackUnchanged)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("session.jsonl");
    std::vector<STrafficExchange> written;
    STrafficExchange open;
    open.kind = ETrafficKind::Open;
    open.conn = std::string("IP:127.0.0.1:4001 \xE9", 20);
    open.carriedOver = true;
    written.push_back(open);
    written.push_back(Transfer());
    STrafficExchange download = Transfer();
    download.route = "wp=opt,pr=q1ad";
    download.req = {0x00, 0x03, 0x00, 0x11, 0xFF};
    download.rep.reset();
    download.result = 2;
    download.failed = true;
    written.push_back(download);
    STrafficExchange close;
    close.kind = ETrafficKind::Close;
    written.push_back(close);

    {
        CRecordingWriter writer;
        QString error;
        ASSERT_TRUE(writer.Open(path, error)) << error.toStdString();
        for (std::size_t i = 0; i < 2; ++i)
            EXPECT_TRUE(writer.Write(written[i]));
    }
    {
        // A recording that replaces a file leaves only its own lines.
        CRecordingWriter writer;
        QString error;
        ASSERT_TRUE(writer.Open(dir.filePath("replaced.jsonl"), error));
        writer.Write(Transfer());
        writer.Close();
        ASSERT_TRUE(writer.Open(dir.filePath("replaced.jsonl"), error, CRecordingWriter::Mode::Replace));
        writer.Write(close);
    }
    {
        // A second recording into the same file appends.
        CRecordingWriter writer;
        QString error;
        ASSERT_TRUE(writer.Open(path, error));
        for (std::size_t i = 2; i < written.size(); ++i)
            EXPECT_TRUE(writer.Write(written[i]));
        // Each line is in the file as soon as the writer's thread gets to it.
        writer.Flush();
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.readAll().count('\n'), 4);
    }
    QString error;
    const auto read = ReadRecordingFile(path, error);
    ASSERT_TRUE(read.has_value()) << error.toStdString();
    EXPECT_EQ(*read, written);
    EXPECT_EQ(ReadRecordingFile(dir.filePath("replaced.jsonl"), error), std::vector<STrafficExchange>{close});
}

TEST(RecordingFormat, FilesThatCannotBeOpenedSayWhy)
{
    QTemporaryDir dir;
    CRecordingWriter writer;
    QString error;
    EXPECT_FALSE(writer.Open(dir.filePath("missing/dir/session.jsonl"), error));
    EXPECT_TRUE(error.contains("missing/dir/session.jsonl"));
    EXPECT_FALSE(writer.IsOpen());
    EXPECT_FALSE(writer.Write(Transfer()));

    // A device that takes no bytes: the failure is reported with its reason,
    // and the recording takes nothing more.
    if (QFile::exists("/dev/full")) {
        CRecordingWriter full;
        ASSERT_TRUE(full.Open("/dev/full", error));
        full.Write(Transfer());
        full.Flush();
        EXPECT_TRUE(full.Error().contains("/dev/full"));
        EXPECT_FALSE(full.Write(Transfer()));
    }

    EXPECT_FALSE(ReadRecordingFile(dir.filePath("absent.jsonl"), error).has_value());
    EXPECT_TRUE(error.startsWith("cannot open the recording"));
}

TEST(RecordingReader, AcceptsSimulatorTracesExtraKeysAndBlankLines)
{
    const QByteArray text =
        "{\"kind\":\"open\",\"seq\":1,\"conn\":\"IP:127.0.0.1\",\"unit\":null,\"route\":null,\"req\":\"\","
        "\"result\":0,\"rep\":null}\n"
        "\r\n"
        "{\"kind\":\"transfer\",\"seq\":2,\"conn\":null,\"unit\":\"IP:Q1\",\"route\":null,\"req\":\"53AB\","
        "\"result\":2,\"rep\":null,\"future\":{\"x\":[1,2]}}\r\n";
    QString error;
    const auto read = Read(text, error);
    ASSERT_TRUE(read.has_value()) << error.toStdString();
    ASSERT_EQ(read->size(), 2u);
    EXPECT_EQ((*read)[0].conn, std::optional<std::string>("IP:127.0.0.1"));
    EXPECT_EQ((*read)[1].req, (std::vector<std::uint8_t>{0x53, 0xAB}));
    EXPECT_EQ((*read)[1].result, 2);
    EXPECT_TRUE((*read)[1].failed); // no flag written: a non-zero result failed
    EXPECT_EQ((*read)[1].timeMs, 0);
}

TEST(RecordingReader, RefusesDamagedLinesWithTheLineNumberAndReason)
{
    const QByteArray good = QByteArray::fromStdString(FormatRecordingLine(Transfer()));
    const QByteArray base =
        "{\"kind\":\"transfer\",\"conn\":null,\"route\":null,\"req\":\"5354\",\"result\":0,\"rep\":null";
    const struct {
        QByteArray line;
        const char* reason;
    } cases[] = {
        {"not json at all", "line 2: not JSON"},
        {"[1,2]", "line 2: not a JSON object"},
        {"{\"kind\":\"transfer\",\"conn\":null,\"route\":null,\"req\":\"\",\"result\":0}", "line 2: missing key rep"},
        {base + ",\"kind\":\"teleport\"}", "line 2: unknown kind"},
        {"{\"kind\":\"transfer\",\"conn\":null,\"route\":null,\"req\":\"53zz\",\"result\":0,\"rep\":null}",
         "line 2: req is not hex at digit 3"},
        {"{\"kind\":\"transfer\",\"conn\":null,\"route\":null,\"req\":\"535\",\"result\":0,\"rep\":null}",
         "line 2: req has an odd number of hex digits"},
        {"{\"kind\":\"transfer\",\"conn\":null,\"route\":null,\"req\":\"53\",\"result\":0,\"rep\":\"g0\"}",
         "line 2: rep is not hex"},
        {"{\"kind\":\"transfer\",\"conn\":null,\"route\":null,\"req\":\"53\",\"result\":256,\"rep\":null}",
         "line 2: result is not a whole number"},
        {"{\"kind\":\"transfer\",\"conn\":null,\"route\":null,\"req\":\"53\",\"result\":1.5,\"rep\":null}",
         "line 2: result is not a whole number"},
        {"{\"kind\":\"transfer\",\"conn\":7,\"route\":null,\"req\":\"53\",\"result\":0,\"rep\":null}",
         "line 2: conn is neither text nor null"},
        {"{\"kind\":\"transfer\",\"conn\":\"\\u20ac\",\"route\":null,\"req\":\"53\",\"result\":0,\"rep\":null}",
         "line 2: conn holds a character outside Latin-1"},
        {base + ",\"time\":\"yesterday\"}", "line 2: time is not an ISO 8601 time"},
        {base + ",\"rtt_ms\":-4}", "line 2: rtt_ms is not a whole number"},
        {base + ",\"failed\":\"no\"}", "line 2: failed is not true or false"},
    };
    for (const auto& bad : cases) {
        QString error;
        EXPECT_FALSE(Read(good + bad.line + "\n" + good, error).has_value()) << bad.line.toStdString();
        EXPECT_TRUE(error.startsWith(QLatin1String(bad.reason))) << error.toStdString();
    }
}

TEST(RecordingReader, RefusesACutLastLineAndHugeLines)
{
    const QByteArray good = QByteArray::fromStdString(FormatRecordingLine(Transfer()));
    QString error;
    EXPECT_FALSE(Read(good + good.left(40), error).has_value());
    EXPECT_TRUE(error.startsWith("line 2: not JSON")) << error.toStdString();
    EXPECT_TRUE(error.endsWith("(the last line is cut short)"));

    // A whole last line without its newline is still a whole line.
    ASSERT_TRUE(Read(good + good.chopped(1), error).has_value());

    QByteArray huge = "{\"kind\":\"transfer\",\"conn\":null,\"route\":null,\"req\":\"";
    huge += QByteArray(qsizetype(kMaxRecordingLine), 'a');
    huge += "\",\"result\":0,\"rep\":null}\n";
    EXPECT_FALSE(Read(good + huge + good, error).has_value());
    EXPECT_TRUE(error.startsWith("line 2: longer than")) << error.toStdString();
}

} // namespace

TEST(RecordingFormat, TimesMatchTheCalendarAcrossLeapYearsAndCenturies)
{
    // Every day from 1899 to 2101 at a changing time of day, and the edges
    // of the days around the epoch.
    std::vector<std::int64_t> times = {-1, 0, 86399999, 86400000, -86400000, -86400001, 951782400000 /* 2000-02-29 */};
    for (std::int64_t day = -25567; day <= 48213; ++day)
        times.push_back(day * 86400000 + (day * 7919 % 86400000 + 86400000) % 86400000);
    for (const std::int64_t ms : times) {
        const std::string expected =
            QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC).toString(Qt::ISODateWithMs).toStdString();
        ASSERT_EQ(FormatRecordingTime(ms), expected) << ms;
    }
}

TEST(RecordingFormat, EveryByteValueIsWrittenAsTwoLowerCaseDigitsAtEveryLength)
{
    // Lengths around the four-byte steps the writer takes, and all 256 values.
    std::vector<std::uint8_t> all(256);
    for (int b = 0; b < 256; ++b)
        all[static_cast<std::size_t>(b)] = static_cast<std::uint8_t>(b);
    for (std::size_t length : {0u, 1u, 3u, 4u, 5u, 7u, 8u, 9u, 255u, 256u}) {
        STrafficExchange exchange;
        exchange.req.assign(all.begin(), all.begin() + static_cast<std::ptrdiff_t>(length));
        exchange.rep = std::vector<std::uint8_t>(all.rbegin(), all.rbegin() + static_cast<std::ptrdiff_t>(length));
        std::string expectedReq, expectedRep;
        for (const std::uint8_t b : exchange.req)
            expectedReq += QByteArray(1, char(b)).toHex().toStdString();
        for (const std::uint8_t b : *exchange.rep)
            expectedRep += QByteArray(1, char(b)).toHex().toStdString();
        const std::string line = FormatRecordingLine(exchange);
        EXPECT_NE(line.find("\"req\":\"" + expectedReq + "\""), std::string::npos) << length;
        EXPECT_NE(line.find("\"rep\":\"" + expectedRep + "\""), std::string::npos) << length;
        STrafficExchange read;
        QString reason;
        ASSERT_TRUE(ParseRecordingLine(std::string_view(line).substr(0, line.size() - 1), read, reason))
            << reason.toStdString();
        EXPECT_EQ(read, exchange) << length;
    }
}

TEST(RecordingWriter, LinesFromSeveralThreadsAllArriveWholeAndTheRingSharesThem)
{
    // Links on their driver threads hand over exchanges while the writer's
    // own thread writes them; a recording closed at any moment holds whole
    // lines, every one handed over before the close.
    QTemporaryDir dir;
    const QString path = dir.filePath("threads.jsonl");
    CRecordingWriter writer;
    CTrafficRing ring(1000);
    QString error;
    ASSERT_TRUE(writer.Open(path, error)) << error.toStdString();
    constexpr int kThreads = 4;
    constexpr int kEach = 500;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&writer, &ring, t] {
            for (int i = 0; i < kEach; ++i) {
                STrafficExchange exchange = Transfer();
                exchange.rttMs = t * kEach + i;
                auto shared = std::make_shared<const STrafficExchange>(std::move(exchange));
                EXPECT_TRUE(writer.Write(shared));
                ring.Append(std::move(shared));
                if (i == kEach / 2)
                    writer.Flush();
            }
        });
    for (std::thread& thread : threads)
        thread.join();
    writer.Close();
    EXPECT_FALSE(writer.Write(Transfer())) << "a closed recording takes nothing";
    EXPECT_EQ(ring.Size(), 1000u);
    EXPECT_EQ(ring.Dropped(), std::uint64_t{kThreads * kEach - 1000});

    const auto read = ReadRecordingFile(path, error);
    ASSERT_TRUE(read.has_value()) << error.toStdString();
    ASSERT_EQ(read->size(), std::size_t{kThreads * kEach});
    std::vector<bool> seen(kThreads * kEach);
    for (const STrafficExchange& exchange : *read)
        seen.at(static_cast<std::size_t>(exchange.rttMs)) = true;
    EXPECT_TRUE(std::all_of(seen.begin(), seen.end(), [](bool b) { return b; }));
}
