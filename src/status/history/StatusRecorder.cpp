#include "status/history/StatusRecorder.h"

#include "status/history/StatusHistory.h"


namespace {

// The latest sample of a series if it is recent enough for a row at `timeMs`.
template <typename Sample>
const Sample* Recent(const std::deque<Sample>& series, std::int64_t timeMs)
{
    if (series.empty())
        return nullptr;
    const Sample& last = series.back();
    const std::int64_t age = timeMs - last.timeMs;
    return age <= CStatusRecorder::kStaleMs && age >= -CStatusRecorder::kStaleMs ? &last : nullptr;
}

} // namespace

CStatusRecorder::CStatusRecorder(QObject* parent) : QObject(parent) {}

CStatusRecorder::~CStatusRecorder()
{
    Close();
}

bool CStatusRecorder::Open(const QString& path, StatusRecordFormat format, QString& error)
{
    Close();
    rows_ = 0;
    error_.clear();
    format_ = format;
    file_.setFileName(path);
    // Unbuffered: each row reaches the file in the one write that carries it.
    if (!file_.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)) {
        error = file_.errorString();
        qCWarning(lcStatusFiles, "cannot open the status recording %s: %s", qPrintable(path), qPrintable(error));
        return false;
    }
    const QByteArray header = StatusRecordHeader(format);
    if (!header.isEmpty() && !WriteWhole(header)) {
        error = error_;
        Close();
        return false;
    }
    return true;
}

void CStatusRecorder::Close()
{
    if (following_)
        disconnect(following_);
    following_ = {};
    if (file_.isOpen())
        file_.close();
}

void CStatusRecorder::Follow(CStatusHistory& history)
{
    if (following_)
        disconnect(following_);
    following_ = connect(&history, &CStatusHistory::SampleAdded, this, [this, &history](StatusSampleKind kind) {
        if (kind == StatusSampleKind::Gps)
            OnGpsSample(history);
    });
}

void CStatusRecorder::OnGpsSample(const CStatusHistory& history)
{
    if (history.Gps().empty())
        return;
    const SGpsSample& gps = history.Gps().back();
    WriteRow(gps, Recent(history.Installation(), gps.timeMs), Recent(history.Constellation(), gps.timeMs));
}

bool CStatusRecorder::WriteRow(const SGpsSample& gps, const SInstallationSample* installation,
                               const SConstellationSample* constellation)
{
    if (!file_.isOpen())
        return false;
    if (!WriteWhole(StatusRecordLine(format_, StatusRecordValues(gps, installation, constellation)))) {
        Close();
        emit Failed(error_);
        return false;
    }
    ++rows_;
    emit RowWritten(rows_);
    return true;
}

bool CStatusRecorder::WriteWhole(const QByteArray& bytes)
{
    const qint64 before = file_.size();
    if (file_.write(bytes) == bytes.size())
        return true;
    error_ = file_.errorString();
    // A row cut short would spoil the file for any reader: take it back so
    // the recording ends on a whole row.
    if (file_.size() > before)
        file_.resize(before);
    qCWarning(lcStatusFiles, "cannot write the status recording %s: %s", qPrintable(file_.fileName()),
              qPrintable(error_));
    return false;
}
