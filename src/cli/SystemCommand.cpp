#include "cli/SystemCommand.h"

#include "cli/CliOutput.h"
#include "cli/CliSession.h"
#include "cli/GroupCommandSession.h"
#include "data/system/SystemData.h"
#include "platform/MessageIds.h"
#include "platform/StringTable.h"

#include <cstdio>

QString SystemReport(const CSystemData& system)
{
    const auto yesNo = [](std::int32_t option) { return option == 1 ? QStringLiteral("yes") : QStringLiteral("no"); };
    return QStringLiteral("Frame Number Offset: ") + FrameNumberOffsetText(system) + u'\n' +
           QStringLiteral("Time Slot Offset: ") + TimeSlotOffsetText(system) + u'\n' +
           QStringLiteral("Last Q1 device in the chain: ") + yesNo(system.GetLastDevice()) + u'\n' +
           QStringLiteral("External clock output in 1PPS mode: ") + yesNo(system.GetOnePps()) + u'\n';
}

int RunSystemCommand(const std::string& connection)
{
    CGroupCommandSession session(connection);
    CSystemData system;
    session.SetNoticeHandler([&](unsigned message, MsgWParam wParam) {
        if (message != WM_SYSTEM_READ_DONE)
            return;
        if (wParam == 0) {
            PrintError(stderr, LoadResString(StringId::ReadingProblem));
            session.Finish(kExitRequestFailed);
            return;
        }
        std::fputs(SystemReport(system).toUtf8().constData(), stdout);
        session.Finish(kExitOk);
    });
    const int status = session.Run(false, [&] {
        session.Attach(system);
        if (!system.ReadAll()) {
            PrintError(stderr, "the unit is not connected");
            session.Finish(kExitNoConnection);
        }
    });
    system.Unregister();
    return status;
}
