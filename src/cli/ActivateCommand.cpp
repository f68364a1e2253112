#include "cli/ActivateCommand.h"

#include "cli/CliArguments.h"
#include "cli/CliPrompts.h"
#include "cli/CliSession.h"
#include "cli/LinkReport.h"
#include "cli/GroupCommandSession.h"
#include "link/AppHandler.h"
#include "link/CommHandler.h"
#include "platform/MessageIds.h"
#include "platform/StringTable.h"
#include "software/activation/SoftwareActivation.h"

namespace {
const char* const kSameBuild = "The same software build is currently active.";
const char* const kEmptyBank = "The inactive firmware bank is empty: there is nothing to activate.";

// The unit's names are plain 8-bit texts.
QString NameText(const QByteArray& name)
{
    return QString::fromLatin1(name);
}
} // namespace

int RunActivateCommand(const std::string& connection, const std::vector<std::string>& arguments,
                       const SCliOutput& output)
{
    bool dryRun = false;
    for (const std::string& argument : arguments) {
        if (argument != "--dry-run")
            return RefuseUsage(output.err, UnknownArgument("activate", argument));
        dryRun = true;
    }

    CCliPrompts prompts(MsgAnswer::No, output.err);
    CSoftwareActivation activation;
    CGroupCommandSession session(connection);
    const auto refuse = [&](const QString& text) {
        PrintError(output.err, text);
        session.Finish(kExitRequestFailed);
    };
    session.SetNoticeHandler([&](unsigned message, MsgWParam wParam) {
        if (message == WM_ACTIVATION_READ_DONE) {
            if (wParam == 0) {
                refuse(LoadResString(StringId::ReadingProblem));
                return;
            }
            const QByteArray active = activation.GetActiveName();
            const QByteArray inactive = activation.GetInactiveName();
            PrintLine(output.out, QStringLiteral("Active Firmware: ") + NameText(active));
            PrintLine(output.out, QStringLiteral("Inactive Firmware: ") + NameText(inactive));
            if (dryRun) {
                session.Finish(kExitOk);
            } else if (inactive.isEmpty()) {
                refuse(QString::fromLatin1(kEmptyBank));
            } else if (inactive == active) {
                refuse(QString::fromLatin1(kSameBuild));
            } else if (!activation.Activate(inactive)) {
                refuse(activation.GetErrorText());
            }
        } else if (message == WM_ACTIVATION_DONE) {
            if (wParam == 0) {
                // A unit that restarts at once may never answer the activation.
                if (const CCommHandler* handler = AppCommHandler();
                    handler && UnansweredRequest(*handler, kActivateHeader)) {
                    PrintLine(output.out, QString::fromLatin1(kUnansweredRestartText));
                    session.Finish(kExitOk);
                    return;
                }
                refuse(activation.GetErrorText());
                return;
            }
            PrintLine(output.out, QStringLiteral("Activated ") + NameText(activation.GetInactiveName()) +
                                      QStringLiteral("; the unit restarts."));
            session.Finish(kExitOk);
        }
    });
    const int status = session.Run(true, [&] {
        session.Attach(activation);
        activation.Read();
    });
    activation.Unregister();
    return status;
}
