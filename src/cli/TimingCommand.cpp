#include "cli/TimingCommand.h"

#include "cli/CliArguments.h"
#include "cli/CliOutput.h"
#include "cli/CliSession.h"
#include "cli/GroupCommandSession.h"
#include "data/timing/TimingData.h"
#include "platform/MessageIds.h"
#include "platform/StringTable.h"

#include <cstdio>

namespace {

QString OneLineText(const QString& text)
{
    return QString(text).replace(u'\n', u' ').simplified();
}

void PrintProblem(unsigned stringId)
{
    PrintError(stderr, OneLineText(LoadResString(stringId)));
}

// The argument a refusal of the clock-out rows is about, with its value.
std::string RefusedRow(const std::vector<std::string>& arguments, clocktiming::Field field, const QString& message)
{
    const bool disable = field == clocktiming::Field::Disable;
    return RefusedValue(disable ? "DISABLE" : "CLOCKS_OUT", arguments[disable ? 2 : 1],
                        OneLineText(message).toStdString());
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
    if (set && arguments[0] != "set")
        return RefuseUsage(stderr, UnknownArgument("timing", arguments[0]));
    if (set && arguments.size() != 3)
        return RefuseUsage(stderr, "timing set needs CLOCKS_OUT and DISABLE, in seconds (see qora-cli timing --help)");
    if (set) {
        // The ranges are known before the unit is asked; only the fix-lost
        // time it holds is needed for the last check.
        const clocktiming::Taken taken = clocktiming::TakeRows(QStringLiteral("0"), QString::fromStdString(arguments[1]),
                                                               QString::fromStdString(arguments[2]));
        if (!taken.Valid())
            return RefuseUsage(stderr, RefusedRow(arguments, taken.refused, taken.message));
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
            if (!taken.Valid() && taken.refused != clocktiming::Field::FixLost) {
                session.Finish(RefuseUsage(stderr, RefusedRow(arguments, taken.refused, taken.message)));
                return;
            }
            if (!taken.Valid()) { // what the unit holds is out of the dialog's range
                PrintError(stderr, OneLineText(taken.message));
                session.Finish(kExitRequestFailed);
                return;
            }
            if (clocktiming::ClocksOutBeforeFixLost(taken.rows)) {
                session.Finish(RefuseUsage(
                    stderr, RefusedRow(arguments, clocktiming::Field::ClocksOut,
                                       clocktiming::ClocksOutBeforeFixLostWarning(taken.rows.fixLost))));
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
