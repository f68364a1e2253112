#pragma once
// Records the status history to a file as it grows: one row per GPS status
// answer, with the latest installation and constellation answers beside it
// (columns in StatusRecord.h). Each row goes to the file in one unbuffered
// write, so a killed program or a pulled cable leaves only whole rows. A
// row that cannot be written whole (a full disk) is taken back and ends the
// recording; what was written before stays.

#include "status/history/StatusRecord.h"

#include <QFile>
#include <QMetaObject>
#include <QObject>
#include <QString>

#include <cstdint>

class CStatusHistory;

class CStatusRecorder : public QObject {
    Q_OBJECT
public:
    // An installation or constellation answer older than this, seen from the
    // GPS answer, is not taken into its row.
    static constexpr std::int64_t kStaleMs = 60000;

    explicit CStatusRecorder(QObject* parent = nullptr);
    ~CStatusRecorder() override;

    // Creates the file (or empties it) and writes the CSV header; false with
    // the reason when it cannot.
    bool Open(const QString& path, StatusRecordFormat format, QString& error);
    // Stops following and closes the file.
    void Close();
    [[nodiscard]] bool IsOpen() const { return file_.isOpen(); }
    [[nodiscard]] QString Path() const { return file_.fileName(); }
    [[nodiscard]] StatusRecordFormat Format() const { return format_; }

    // A row for every GPS sample the history gets from now on.
    void Follow(CStatusHistory& history);
    // Writes one row whole; false (and the recording ended, Failed emitted)
    // when it could not be.
    bool WriteRow(const SGpsSample& gps, const SInstallationSample* installation,
                  const SConstellationSample* constellation);

    [[nodiscard]] std::int64_t Rows() const { return rows_; }
    // Why the recording ended on a failure, or empty.
    [[nodiscard]] QString Error() const { return error_; }

signals:
    void RowWritten(std::int64_t rows);
    // The recording ended because the file could not be written; the reason.
    void Failed(const QString& reason);

private:
    void OnGpsSample(const CStatusHistory& history);
    bool WriteWhole(const QByteArray& bytes);

    QFile file_;
    StatusRecordFormat format_ = StatusRecordFormat::Csv;
    QMetaObject::Connection following_;
    std::int64_t rows_ = 0;
    QString error_;
};
