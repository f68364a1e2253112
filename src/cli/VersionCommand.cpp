#include "cli/VersionCommand.h"

#include "cli/CliOutput.h"
#include "cli/CliSession.h"
#include "cli/GroupCommandSession.h"
#include "cli/LinkReport.h"
#include "data/RequestChannel.h"
#include "data/version/VersionData.h"
#include "link/AppHandler.h"
#include "platform/MainWindow.h"
#include "platform/MessageIds.h"
#include "platform/StringTable.h"

#include <QEventLoop>
#include <QTimer>

#include <cstdio>

QString VersionReport(const CVersionData& version)
{
    const auto line = [](const char* label, const QByteArray& value) {
        return QString::fromLatin1(label) + QStringLiteral(": ") + UnitText(value) + u'\n';
    };
    return line("Unit Version", version.GetUnitVersion()) + line("HW Version", version.GetHardwareVersion()) +
           line("Serial Number", DisplaySerialNumber(version.GetSerialNumber())) +
           line("SW Version Active", version.GetSoftwareVersionActive()) +
           line("SW Version Inactive", version.GetSoftwareVersionInactive()) +
           line("GPS SW Version Active", version.GetGpsVersionActive()) +
           line("GPS SW Version Inactive", version.GetGpsVersionInactive()) +
           line("FPGA Version Active", version.GetFpgaVersionActive()) +
           line("FPGA Version Inactive", version.GetFpgaVersionInactive());
}

int RunVersionCommand(const std::string& connection)
{
    CGroupCommandSession session(connection);
    CVersionData version;
    session.SetNoticeHandler([&](unsigned message, MsgWParam wParam) {
        if (message != WM_VERSION_READ_DONE)
            return;
        if (wParam == 0) {
            PrintError(stderr, LoadResString(StringId::ReadingProblem));
            session.Finish(kExitRequestFailed);
            return;
        }
        std::fputs(VersionReport(version).toUtf8().constData(), stdout);
        session.Finish(kExitOk);
    });
    const int status = session.Run(false, [&] {
        session.Attach(version);
        if (!version.ReadAll()) {
            PrintError(stderr, "the unit is not connected");
            session.Finish(kExitNoConnection);
        }
    });
    version.Unregister();
    return status;
}
