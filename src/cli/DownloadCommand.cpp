#include "cli/DownloadCommand.h"
#include "protocol/Vocabulary.h"

#include "app/LocalConnection.h"
#include "app/ManagerSettings.h"
#include "cli/CliArguments.h"
#include "cli/CliPrompts.h"
#include "cli/FileArguments.h"
#include "cli/CliSession.h"
#include "platform/InterruptWatcher.h"
#include "cli/TextProgress.h"
#include "cli/VersionCommand.h"
#include "fleet/ChildProgress.h"
#include "cli/GroupCommandSession.h"
#include "link/AppHandler.h"
#include "link/CommHandler.h"
#include "link/DeviceMessageNotice.h"
#include "platform/LogCategories.h"
#include "platform/MessageIds.h"
#include "protocol/Connection.h"
#include "software/DownloadMessages.h"
#include "software/download/DownloadReplies.h"
#include "software/download/DownloadTexts.h"
#include "software/download/MulticastDownload.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>

namespace {
// Without notices for this long the unit is taken as gone: longer than any
// wait of the engine (the 10 s retry after a lost request, 5 s per
// verification poll).
constexpr int kQuietLimitMs = 60000;

// The connection's HOST item.
QString HostText(const QString& connection)
{
    return QString::fromStdString(Protocol::ParseConnection(connection.toStdString()).host);
}

// How long an ending download waits for the unit to take its end command.
constexpr int kEndCommandWaitMs = 3000;

// Hears whether the end command went through (its echo came back) or failed,
// so that the connection is not closed under it: closing drops whatever the
// handler has not sent yet.
class CEndCommandWatch : public CMessageTarget {
public:
    [[nodiscard]] bool Settled() const { return settled_; }

protected:
    MsgResult OnMessage(unsigned message, MsgWParam wParam, MsgLParam lParam) override
    {
        if (message != WM_DEVICE_MESSAGE)
            return 0;
        if (wParam == 0) {
            // A failure names the request's header: a text command.
            settled_ = settled_ || (static_cast<std::uint32_t>(lParam) & 0xFFFFFFu) == kTextCommandHeader;
            return 0;
        }
        const std::unique_ptr<CDeviceMessage> reply = TakeDeviceMessage(lParam);
        settled_ = settled_ || (reply && DownloadReply::IsEchoOf(*reply, DownloadCommand::kEnd));
        return 0;
    }

private:
    static constexpr std::uint32_t kTextCommandHeader = std::uint32_t(Protocol::Class::kDownload) << 16 |
                                                        Protocol::Address::kDownload << 8 | Protocol::Op::kDownloadText;
    bool settled_ = false;
};

// Ends the download under way with the end command and waits, bounded, until
// the unit took it; after any other ending, until what the engine sent last
// (the end command of a failed verification) has left the handler.
void EndDownload(CMulticastDownload& engine, CCommHandler& handler)
{
    CEndCommandWatch watch;
    handler.AddListener(&watch);
    const bool aborted = engine.AbortDownload();
    const auto settled = [&] { return aborted ? watch.Settled() : handler.SendQueueLength() == 0; };
    if (!settled()) {
        const QDeadlineTimer deadline(kEndCommandWaitMs);
        QEventLoop loop;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
            if (settled() || deadline.hasExpired() || !IsConnected(handler.GetConnectionType()))
                loop.quit();
        });
        poll.start(20);
        loop.exec();
    }
    if (aborted)
        qCInfo(lcFirmware, "download ended with the end command%s", watch.Settled() ? "" : " (not confirmed)");
    handler.RemoveListener(&watch);
}

} // namespace

std::optional<SDownloadOptions> ParseDownloadArguments(const std::vector<std::string>& arguments, std::string& error)
{
    SDownloadOptions options;
    bool haveMaster = false, answered = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--chunk") {
            if (i + 1 >= arguments.size()) {
                error = MissingValue(argument);
                return std::nullopt;
            }
            int size = 0;
            const std::string& value = arguments[++i];
            if (!ReadDigits(value, 6, size) || size < 128 || size > 256 || size % 2 != 0) {
                error = RefusedValue(argument, value, "not an even number from 128 to 256");
                return std::nullopt;
            }
            options.chunkSize = size;
        } else if (argument == "--json-progress") {
            options.jsonProgress = true;
        } else if (argument == "--yes" || argument == "--no") {
            if (answered && options.yes != (argument == "--yes")) {
                error = "give --yes or --no, not both";
                return std::nullopt;
            }
            answered = true;
            options.yes = argument == "--yes";
        } else if ((argument.size() > 1 && argument[0] == '-') || haveMaster) {
            error = UnknownArgument("download", argument);
            return std::nullopt;
        } else {
            options.masterPath = QString::fromLocal8Bit(argument.c_str());
            haveMaster = true;
        }
    }
    if (!haveMaster || options.masterPath.isEmpty()) {
        error = "download needs the master file (see qora-cli download --help)";
        return std::nullopt;
    }
    return options;
}

std::uint16_t DownloadUnitAddress(const QString& connection, std::uint32_t configuredAddress)
{
    bool ok = false;
    const uint address = UnitAddressText(connection).trimmed().toUInt(&ok);
    if (ok && address <= 0xFFFF)
        return static_cast<std::uint16_t>(address);
    return static_cast<std::uint16_t>(configuredAddress);
}

int RunDownloadCommand(const std::string& connection, const std::vector<std::string>& arguments,
                       const SCliOutput& output)
{
    std::string error;
    const auto options = ParseDownloadArguments(arguments, error);
    if (!options)
        return RefuseUsage(output.err, error);
    if (const auto problem = InputFileProblem(options->masterPath)) {
        PrintError(output.err, *problem);
        return kExitRequestFailed;
    }

    CManagerSettings settings;
    settings.LoadSettings();
    const QString connectionText = QString::fromStdString(connection);

    CCliPrompts prompts(options->yes ? MsgAnswer::Yes : MsgAnswer::No, output.err);
    // The engine outlives the session: once the session is gone it has no
    // handler to send a late end command to.
    CMulticastDownload engine;
    CGroupCommandSession session(connection);
    session.SetQuietLimit(kQuietLimitMs);
    // The setting's size when it is a valid one; the engine keeps its default otherwise.
    engine.SetChecksumChunkSize(options->chunkSize ? *options->chunkSize : static_cast<int>(settings.swdlPacketSize));
    engine.SetTarget(SDownloadTarget{DownloadUnitAddress(connectionText, settings.q1Address),
                                     QStringLiteral("Local (") + HostText(connectionText) + u')'});

    CTextProgress progress(output.errIsTerminal);
    bool verifying = false;
    int percentSent = -1;
    const auto write = [&](const std::string& text) {
        std::fputs(text.c_str(), output.err);
        std::fflush(output.err);
    };
    // For a parent that reads it (the fleet rollout): one JSON line per change.
    const auto tell = [&](const SChildProgress& event) {
        std::fputs(ChildProgressLine(event).constData(), output.out);
        std::fflush(output.out);
    };
    session.SetNoticeHandler([&](unsigned message, MsgWParam wParam) {
        session.KeepAlive();
        switch (message) {
        case WM_DOWNLOAD_PROGRESS:
            if (!options->jsonProgress) {
                write(progress.Update(static_cast<int>(wParam)));
            } else if (const int percent = std::clamp(static_cast<int>(wParam), 0, 100); percent != percentSent) {
                percentSent = percent;
                tell({SChildProgress::Kind::Progress, percent});
            }
            break;
        case WM_DOWNLOAD_VERIFYING:
            if (!verifying) {
                if (options->jsonProgress)
                    tell({SChildProgress::Kind::Verifying, 0});
                else
                    write(progress.Break() + "verifying...\n");
                verifying = true;
            }
            break;
        case WM_DOWNLOAD_DONE:
            write(progress.Break());
            if (wParam == 1) {
                PrintLine(output.out, DownloadText::Completed());
                session.Finish(kExitOk);
            } else {
                // The dialog's text names the ending only by its number.
                const int ending = engine.GetEnding();
                PrintError(output.err, ending != 0 ? DownloadText::ReadableEnding(ending) : engine.GetErrorText());
                session.Finish(kExitRequestFailed);
            }
            break;
        case WM_DOWNLOAD_CANCELLED:
            write(progress.Break());
            std::fprintf(output.err, "download cancelled (--yes downloads anyway)\n");
            session.Finish(kExitCancelled);
            break;
        default:
            break;
        }
    });
    // Leaving early (no answer in time) must not leave the unit mid-transfer.
    session.SetBeforeClose([&] {
        if (CCommHandler* handler = AppCommHandler(); handler && IsConnected(handler->GetConnectionType()))
            EndDownload(engine, *handler);
    });
    // Ctrl+C, or a rollout ending this unit's download: the unit gets the end
    // command before the connection closes.
    CInterruptWatcher interrupts;
    QObject::connect(&interrupts, &CInterruptWatcher::Interrupted, &session, [&] {
        write(progress.Break());
        std::fprintf(output.err, "download interrupted\n");
        session.Finish(kExitCancelled);
    });
    const auto refused = [&] {
        PrintError(output.err, engine.GetErrorText());
        session.Finish(kExitRequestFailed);
    };
    QObject::connect(&engine, &CMulticastDownload::StartFailed, &session, refused);
    const int status = session.Run(true, [&] {
        session.Attach(engine.Channel());
        if (!engine.StartDownload(options->masterPath))
            refused();
    });
    engine.Unregister();
    return status;
}
