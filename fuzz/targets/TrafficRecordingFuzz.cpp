// The traffic recording reader, on any bytes as a file's contents. Whatever it
// accepts must write back to lines it accepts again, unchanged, and every
// accepted exchange must be describable.
//
// Input: the recording's bytes.

#include "FuzzSupport.h"

#include "traffic/ExchangeDecoder.h"
#include "traffic/RecordingReader.h"
#include "traffic/RecordingWriter.h"

#include <QBuffer>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QString error;
    const auto exchanges = ReadRecording(buffer, error);
    if (!exchanges) {
        FUZZ_CHECK(error.startsWith(QLatin1String("line ")));
        return 0;
    }
    for (const STrafficExchange& exchange : *exchanges) {
        (void)DescribeExchange(exchange);
        const std::string line = FormatRecordingLine(exchange);
        FUZZ_CHECK(!line.empty() && line.back() == '\n');
        STrafficExchange again;
        QString reason;
        FUZZ_CHECK(ParseRecordingLine(std::string_view(line).substr(0, line.size() - 1), again, reason));
        // Times outside the years ISO 8601 writes plainly may not come back.
        if (again.timeMs == exchange.timeMs)
            FUZZ_CHECK(again == exchange);
    }
    return 0;
}
