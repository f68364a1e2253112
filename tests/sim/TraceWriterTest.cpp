// The trace file's lines, exactly, and what the gateway writes into it.

#include "sim/GatewayDispatcher.h"
#include "sim/LinkFrames.h"
#include "sim/TraceWriter.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace simtest;

namespace {

std::vector<QJsonObject> ReadLines(const QString& path)
{
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    std::vector<QJsonObject> lines;
    for (const QByteArray& line : file.readAll().split('\n')) {
        if (line.isEmpty())
            continue;
        QJsonParseError error;
        const QJsonDocument doc = QJsonDocument::fromJson(line, &error);
        EXPECT_EQ(error.error, QJsonParseError::NoError) << line.toStdString();
        lines.push_back(doc.object());
    }
    return lines;
}

} // namespace

TEST(SimTraceWriter, LinesHaveTheAgreedShape)
{
    const Bytes text = {'A', 'D', 'D', 'R', '=', '1'};
    EXPECT_EQ(sim::FormatTraceLine({"open", 1, "ADDR=1", std::nullopt, std::nullopt, text, 1, std::nullopt}),
              R"({"kind":"open","seq":1,"conn":"ADDR=1","unit":null,"route":null,"req":"414444523d31","result":1,"rep":null})"
              "\n");
    const Bytes req = {0x53, 0x54, 0x01, 0x00, 0x90, 0x04};
    const Bytes rep = {0x54, 0xF0};
    EXPECT_EQ(sim::FormatTraceLine({"transfer", 65535, "ADDR=1", "10.0.0.1:1", "wp=opt,pr=q1dl", req, 0,
                                    std::span<const std::uint8_t>(rep)}),
              R"({"kind":"transfer","seq":65535,"conn":"ADDR=1","unit":"10.0.0.1:1","route":"wp=opt,pr=q1dl","req":"535401009004","result":0,"rep":"54f0"})"
              "\n");
    // An empty reply is "", not null.
    EXPECT_NE(sim::FormatTraceLine({"transfer", 1, std::nullopt, std::nullopt, std::nullopt, {}, 0,
                                    std::span<const std::uint8_t>()})
                  .find(R"("req":"","result":0,"rep":"")"),
              std::string::npos);
}

TEST(SimTraceWriter, TextIsEscapedToValidJson)
{
    const std::string nasty = std::string("a\"b\\c\n\x01") + char(0xE9) + char(0x7F);
    const std::string line =
        sim::FormatTraceLine({"open", 1, nasty, std::nullopt, std::nullopt, {}, 1, std::nullopt});
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(line), &error);
    ASSERT_EQ(error.error, QJsonParseError::NoError) << line;
    EXPECT_EQ(doc.object().value(QLatin1String("conn")).toString(),
              QString::fromLatin1(nasty.data(), qsizetype(nasty.size())));
    EXPECT_EQ(line.find('\n'), line.size() - 1) << "one line per record";
}

TEST(SimTraceWriter, GatewayTracesWhatItAnswers)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("trace.jsonl"));
    sim::CTraceWriter trace;
    QString error;
    ASSERT_TRUE(trace.Open(path, error));

    sim::CUnitRegistry registry;
    registry.Add({QHostAddress(QStringLiteral("192.168.255.120")), 131});
    sim::FaultOptions faults;
    faults.dropEvery = 4;
    sim::CGatewayDispatcher dispatcher(registry, faults, &trace);
    sim::SessionState session;
    Bytes out;
    dispatcher.Handle(session, TransferBody(1, kReadVersion), out);              // before OPEN
    dispatcher.Handle(session, OpenBody(2, " ADDR=131 "), out);                   // open
    dispatcher.Handle(session, TransferBody(3, {0x03}, "wp=opt,pr=q1dl"), out);   // probe
    dispatcher.Handle(session, TransferBody(4, {0x53, 0x99}), out);               // NAK
    dispatcher.Handle(session, TransferBody(5, {1}, "wp=opt,pr=q1xx"), out);      // no answer
    dispatcher.Handle(session, TransferBody(6, kReadVersion), out);               // dropped
    dispatcher.Handle(session, Bytes{0x02, 0x00, 0x07, 0x05, 'w'}, out);           // malformed
    dispatcher.Handle(session, Bytes{0x03, 0x00, 0x08}, out);                     // close

    const auto lines = ReadLines(path);
    ASSERT_EQ(lines.size(), 6u);
    const auto str = [](const QJsonObject& o, const char* key) { return o.value(QLatin1String(key)).toString(); };
    const auto isNull = [](const QJsonObject& o, const char* key) { return o.value(QLatin1String(key)).isNull(); };
    const auto num = [](const QJsonObject& o, const char* key) { return o.value(QLatin1String(key)).toInt(-1); };

    EXPECT_EQ(str(lines[0], "kind"), QStringLiteral("transfer"));
    EXPECT_TRUE(isNull(lines[0], "conn"));
    EXPECT_TRUE(isNull(lines[0], "unit"));
    EXPECT_EQ(num(lines[0], "result"), 1);
    EXPECT_TRUE(isNull(lines[0], "rep"));

    EXPECT_EQ(str(lines[1], "kind"), QStringLiteral("open"));
    EXPECT_EQ(str(lines[1], "conn"), QStringLiteral("ADDR=131"));
    EXPECT_EQ(str(lines[1], "req"), QStringLiteral("20414444523d31333120")); // as received, blanks and all
    EXPECT_EQ(str(lines[1], "unit"), QStringLiteral("192.168.255.120:131"));
    EXPECT_TRUE(isNull(lines[1], "route"));
    EXPECT_EQ(num(lines[1], "seq"), 2);

    EXPECT_EQ(str(lines[2], "route"), QStringLiteral("wp=opt,pr=q1dl"));
    EXPECT_EQ(str(lines[2], "conn"), QStringLiteral("ADDR=131"));
    EXPECT_EQ(str(lines[2], "req"), QStringLiteral("03"));
    EXPECT_EQ(str(lines[2], "rep"), QStringLiteral("514f5248573200"));

    EXPECT_TRUE(isNull(lines[3], "route"));
    EXPECT_EQ(str(lines[3], "rep"), QStringLiteral("54f0"));

    EXPECT_EQ(num(lines[4], "result"), 2);
    EXPECT_TRUE(isNull(lines[4], "rep"));

    EXPECT_EQ(num(lines[5], "seq"), 7);
    EXPECT_EQ(num(lines[5], "result"), 3);
}
