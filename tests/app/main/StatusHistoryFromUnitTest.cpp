// The whole program against the simulated unit through the real link: with
// every status window hidden, a recording keeps them asking at their rate, the
// history fills from their answers, and a reset of the unit leaves a gap in
// the same history instead of a new one. Timers run fifty times faster.

#include "faults/FaultRig.h"

#include "status/history/StatusHistory.h"
#include "status/history/StatusRecordingCommand.h"

namespace faults {
namespace {

class StatusHistoryFromUnit : public FaultRig {
protected:
    [[nodiscard]] const CStatusHistory& History() const { return app.StatusWindows()->History(); }
    [[nodiscard]] bool AllKinds(std::size_t atLeast) const
    {
        return History().Gps().size() >= atLeast && History().Installation().size() >= atLeast &&
               History().Constellation().size() >= atLeast;
    }
};

TEST_F(StatusHistoryFromUnit, HiddenWindowsFeedARecordingAcrossAReset)
{
    sandbox.Plant(QStringLiteral("Settings"), QStringLiteral("Retry_conn_Time"), 30); // 600 ms scaled
    StartUnit({QStringLiteral("--reboot-ms"), QStringLiteral("200")});
    StartProgram();
    ASSERT_TRUE(ConnectLocally());
    ASSERT_TRUE(EnterCommissionMode());
    PumpFor(300);
    EXPECT_TRUE(History().Gps().empty()); // hidden and unwanted: the windows ask nothing

    const QString path = folder.filePath(QStringLiteral("status.csv"));
    auto previous = SetFileDialogFunction([&](const FileDialogRequest&) -> std::optional<QString> { return path; });
    frame->RunCommand(ID_RECORD_STATUS);
    SetFileDialogFunction(std::move(previous));
    ASSERT_TRUE(app.StatusWindows()->Recording().IsRecording());
    ASSERT_TRUE(PumpUntil([&] { return AllKinds(3); }, 8000));
    const std::int64_t first = History().Gps().front().timeMs;
    EXPECT_TRUE(History().Gps().front().channels[0].satellite != 0 || History().Gps().front().channels[1].satellite != 0);
    EXPECT_EQ(History().Installation().back().texts[0], QStringLiteral("OK"));

    frame->RunCommand(ID_RESET_QORA);
    ASSERT_TRUE(PumpUntil([&] { return !frame->Controller().ResetPending(); }, 5000));
    ASSERT_TRUE(PumpUntil([&] { return State() == ConnectionState::Commission; }, 8000));
    const std::size_t before = History().Gps().size();
    ASSERT_TRUE(PumpUntil([&] { return History().Gps().size() >= before + 2; }, 8000));

    // The same unit again: the history goes on, broken once at the reset.
    EXPECT_EQ(History().Gps().front().timeMs, first);
    int gaps = 0;
    for (const SGpsSample& sample : History().Gps())
        gaps += sample.afterGap;
    EXPECT_GE(gaps, 1);
    EXPECT_LE(gaps, 2); // the reset, and perhaps the reconnection after an answer in between

    frame->RunCommand(ID_RECORD_STATUS);
    const std::int64_t rows = app.StatusWindows()->Recording().Recorder().Rows();
    EXPECT_EQ(std::size_t(rows), History().Gps().size());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = file.readAll().split('\n');
    EXPECT_EQ(lines.size(), rows + 2); // the header, the rows and the last line break
}

} // namespace
} // namespace faults
