#include "cli/TimingCommand.h"

#include "cli/CliSession.h"
#include "cli/VersionCommand.h"
#include "data/timing/TimingData.h"
#include "platform/MessageIds.h"
#include "platform/StringTable.h"

#include <cstdio>

namespace {

void PrintProblem(unsigned stringId)
{
    std::fprintf(stderr, "%s\n", qPrintable(LoadResString(stringId).replace(u'\n', u' ').simplified()));
}

void PrintTiming(const CRFData& delays, const CClockTimingData& timing)
{
    std::printf("GPS Antenna Delay: %u ns\n", delays.GetGpsAntennaDelay());
    std::printf("Frame Clock Delay: %u ns\n", static_cast<unsigned>(delays.GetFrameClockDelay()));
    std::printf("Time from fix lost to fix lost alarm: %d s\n", timing.GetFixLostAlarmTime());
    std::printf("Time from fix lost to clocks out alarm: %d s\n", timing.GetClocksOutAlarmTime());
    std::printf("Time from clocks out alarm to clock disable: %d s\n", timing.GetClockDisableTime());
}

} // namespace

int RunTimingCommand(const std::string& connection, const std::vector<std::string>& arguments)
{
    const bool set = !arguments.empty();
    if (set && (arguments.size() != 3 || arguments[0] != "set")) {
        std::fprintf(stderr, "qora-cli: timing takes nothing, or: set CLOCKS_OUT_SECONDS DISABLE_SECONDS\n");
        return kExitUsage;
    }

    CGroupCommandSession session(connection);
    CRFData delays;
    CClockTimingData timing;
    bool written = false;
    session.SetNoticeHandler([&](unsigned message, MsgWParam wParam) {
        if (message == WM_TIMECALC_READ_DONE) {
            if (wParam == 0) {
                PrintProblem(StringId::ReadingProblem);
                session.Finish(kExitRequestFailed);
            } else if (!timing.ReadAll()) {
                session.Finish(kExitNoConnection);
            }
        } else if (message == WM_CLOCKTIMING_READ_DONE) {
            if (wParam == 0) {
                PrintProblem(StringId::ReadingProblem);
                session.Finish(kExitRequestFailed);
                return;
            }
            if (!set || written) {
                PrintTiming(delays, timing);
                session.Finish(kExitOk);
                return;
            }
            const clocktiming::Taken taken =
                clocktiming::TakeRows(QString::number(timing.GetFixLostAlarmTime()),
                                      QString::fromStdString(arguments[1]), QString::fromStdString(arguments[2]));
            if (!taken.Valid()) {
                std::fprintf(stderr, "%s\n", qPrintable(taken.message));
                session.Finish(kExitRequestFailed);
                return;
            }
            if (clocktiming::ClocksOutBeforeFixLost(taken.rows)) {
                std::fprintf(stderr, "%s\n",
                             qPrintable(clocktiming::ClocksOutBeforeFixLostWarning(taken.rows.fixLost)));
                session.Finish(kExitRequestFailed);
                return;
            }
            timing.SetClocksOutAlarmTime(taken.rows.clocksOut);
            timing.SetClockDisableTime(taken.rows.disable);
            if (!timing.WriteAll())
                session.Finish(kExitNoConnection);
        } else if (message == WM_CLOCKTIMING_WRITE_DONE) {
            if (wParam == 0) {
                PrintProblem(kSendingProblemStringId);
                session.Finish(kExitRequestFailed);
                return;
            }
            written = true; // read back what the unit now holds
            if (!timing.ReadAll())
                session.Finish(kExitNoConnection);
        }
    });
    const int status = session.Run(true, [&] {
        session.Attach(delays);
        session.Attach(timing);
        if (!delays.ReadAll())
            session.Finish(kExitNoConnection);
    });
    delays.Unregister();
    timing.Unregister();
    return status;
}
