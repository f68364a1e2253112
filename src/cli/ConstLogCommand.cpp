#include "cli/ConstLogCommand.h"

#include "cli/CliOutput.h"
#include "cli/CliSession.h"
#include "cli/GroupCommandSession.h"
#include "data/constlog/ConstLogData.h"
#include "data/version/VersionData.h"
#include "platform/MessageIds.h"
#include "platform/StringTable.h"

#include <cstdio>

namespace {
void Complain(const QString& text)
{
    PrintError(stderr, text);
}
} // namespace

int RunConstLogCommand(const std::string& connection, const QString& path)
{
    CGroupCommandSession session(connection);
    CVersionData version;
    CConstLogData constLog;
    bool failed = false;
    constLog.SetStatisticsHandler([&](CConstLogData& group) {
        if (CConstLogData::Statistics().Sum() <= 0) {
            Complain(LoadResString(ConstLogString::NoStatistics));
            failed = true;
            return;
        }
        const ConstLogReport report = group.Report();
        const ConstLogWriteResult result = WriteConstLogFile(path, report);
        if (!result.written) {
            Complain(LoadResString(ConstLogString::CannotWrite).arg(path, result.error));
            failed = true;
            return;
        }
        std::printf("%s\n", qPrintable(path));
        if (ConstLogNeedsAntennaWarning(report, result))
            Complain(LoadResString(ConstLogString::AntennaWarning));
    });
    session.SetNoticeHandler([&](unsigned message, MsgWParam wParam) {
        // A version read that failed leaves no serial number for the log.
        if (message == WM_VERSION_READ_DONE && wParam == 0) {
            constLog.Stop();
            message = WM_CONSTLOG_DONE;
        }
        if (message != WM_CONSTLOG_DONE)
            return;
        if (wParam == 0) {
            Complain(LoadResString(StringId::ReadingProblem));
            failed = true;
        }
        session.Finish(failed ? kExitRequestFailed : kExitOk);
    });
    const int status = session.Run(true, [&] {
        session.Attach(constLog);
        session.Attach(version);
        version.ReadAll();
        constLog.Start();
    });
    constLog.Unregister();
    version.Unregister();
    return status;
}
