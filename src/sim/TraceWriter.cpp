#include "sim/TraceWriter.h"

#include "recording/LineWriter.h"

namespace sim {

std::string FormatTraceLine(const TraceRecord& record)
{
    recording::LineView line;
    line.kind = recording::KindNamed(record.kind).value_or(recording::Kind::Transfer);
    line.seq = record.seq;
    line.conn = record.conn;
    line.withUnit = true;
    line.unit = record.unit;
    line.route = record.route;
    line.req = record.req;
    line.result = record.result;
    line.rep = record.rep;
    return recording::FormatLine(line);
}

bool CTraceWriter::Open(const QString& path, QString& error)
{
    file_.setFileName(path);
    if (!file_.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered)) {
        error = QStringLiteral("cannot open trace file %1: %2").arg(path, file_.errorString());
        return false;
    }
    return true;
}

void CTraceWriter::Write(const TraceRecord& record)
{
    if (!file_.isOpen())
        return;
    const std::string line = FormatTraceLine(record);
    if (file_.write(line.data(), qint64(line.size())) != qint64(line.size()) && !failed_) {
        failed_ = true; // say it once, not once per request
        qWarning("qora-unit-sim: cannot write the trace file: %s", qPrintable(file_.errorString()));
    }
}

} // namespace sim
