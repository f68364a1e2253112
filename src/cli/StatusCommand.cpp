#include "cli/StatusCommand.h"

#include "app/LocalConnection.h"
#include "cli/CliArguments.h"
#include "cli/CliOutput.h"
#include "cli/CliSession.h"
#include "cli/StatusJson.h"
#include "cli/GroupCommandSession.h"
#include "data/version/VersionData.h"
#include "platform/MessageIds.h"
#include "status/constellation/ConstellationStatisticsView.h"
#include "status/gps/GPSStatusView.h"
#include "status/install/InstallStatusView.h"

#include <QJsonDocument>
#include <QTimer>

#include <cstdio>

namespace {

constexpr int kMaxIntervalSeconds = 3600;
constexpr int kGiveUpMs = 15000;

// The command is its own main frame for the status logic: no reset, no
// commissioning, no download, and the link watchdog is not needed.
struct CliStatusFrame : IStatusFrame {
    bool ResetPending() const override { return false; }
    bool CommissioningRunning() const override { return false; }
    bool DownloadDialogOpen() const override { return false; }
    void SetLinkWatchdog(int) override {}
};

QString InstallLabel(int row)
{
    return CInstallStatusView::RowLabel(row).remove(u':').trimmed();
}

void PrintText(const CGPSStatusView& gps, const CInstallStatusView& install,
               const CConstellationStatisticsView& constellation)
{
    std::printf("GPS Status\n");
    std::printf("  Position: %s %s %s   GPS Time: %s\n", qPrintable(gps.LatitudeText()),
                qPrintable(gps.LongitudeText()), qPrintable(gps.AltitudeText().trimmed()), qPrintable(gps.TimeText()));
    std::printf("  %-4s %-4s %-10s %-10s %s\n", "Ch", "ID", "C/No", "Elevation", "Azimuth");
    for (int c = 0; c < CGPSStatusView::kChannels; ++c) {
        std::printf("  %-4d %-4s %-10s %-10s %s\n", c + 1, qPrintable(gps.SatelliteText(c)),
                    qPrintable(gps.CNoText(c)), qPrintable(gps.ElevationText(c)), qPrintable(gps.AzimuthText(c)));
    }
    std::printf("Installation Status\n");
    for (int row = 0; row < CInstallStatusView::kRowCount; ++row)
        std::printf("  %-28s %s\n", qPrintable(InstallLabel(row) + u':'), qPrintable(install.RowText(row)));
    std::printf("GPS Constellation Statistics\n");
    for (int row = 0; row < CConstellationStatisticsView::kRows; ++row)
        std::printf("  %2d visible satellites: %s s\n", row, qPrintable(constellation.CellText(row)));
    std::printf("  Total: %s   Status: %s\n", qPrintable(constellation.TotalText()),
                qPrintable(constellation.VerdictPaneText().trimmed()));
    std::fflush(stdout);
}

} // namespace

std::optional<SStatusOptions> ParseStatusArguments(const std::vector<std::string>& arguments, bool watch,
                                                   std::string& error)
{
    const char* command = watch ? "watch" : "status";
    SStatusOptions options;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--json") {
            options.json = true;
        } else if (argument == "--interval" && watch) {
            if (i + 1 >= arguments.size()) {
                error = MissingValue(argument);
                return std::nullopt;
            }
            const std::string& value = arguments[++i];
            if (!ReadDigits(value, 5, options.intervalSeconds) || options.intervalSeconds < 1 ||
                options.intervalSeconds > kMaxIntervalSeconds) {
                error = RefusedValue(argument, value, "not a number of seconds from 1 to 3600");
                return std::nullopt;
            }
        } else {
            error = UnknownArgument(command, argument);
            return std::nullopt;
        }
    }
    return options;
}

int RunStatusCommand(const std::string& connection, const std::vector<std::string>& arguments, bool watch)
{
    std::string error;
    const auto options = ParseStatusArguments(arguments, watch, error);
    if (!options)
        return RefuseUsage(stderr, error);

    CGroupCommandSession session(connection);
    CliStatusFrame frame;
    CGPSStatusView gps(frame);
    const QString address = UnitAddressText(QString::fromStdString(connection));
    CInstallStatusView install(frame, [address] { return address; });
    CConstellationStatisticsView constellation(frame);
    CVersionData version;
    std::optional<QString> serial;
    bool gpsDrawn = false, installDrawn = false, constellationDrawn = false;
    QObject::connect(&gps, &CGPSStatusView::Redraw, [&] { gpsDrawn = true; });
    install.SetRedrawHandler([&] { installDrawn = true; });
    constellation.SetRedrawHandler([&] { constellationDrawn = true; });

    QTimer check; // prints once all three have answered
    QTimer giveUp;
    giveUp.setSingleShot(true);
    auto requestAll = [&] {
        gpsDrawn = installDrawn = constellationDrawn = false;
        gps.RequestStatus();
        install.RequestStatus();
        constellation.RequestStatus();
        giveUp.start(kGiveUpMs);
    };
    const auto startPolling = [&] {
        for (CStatusPoller* view : {static_cast<CStatusPoller*>(&gps), static_cast<CStatusPoller*>(&install),
                                    static_cast<CStatusPoller*>(&constellation)}) {
            view->SetVisible(true);
            view->StartRefresh(); // listens; its own ticks are harmless
        }
        check.start(20);
        requestAll();
    };
    QObject::connect(&check, &QTimer::timeout, [&] {
        if (!giveUp.isActive() || !(gpsDrawn && installDrawn && constellationDrawn))
            return;
        giveUp.stop();
        if (options->json) {
            const QJsonObject snapshot =
                StatusJson(gps, install, constellation, QDateTime::currentDateTimeUtc(), serial);
            std::printf("%s\n", QJsonDocument(snapshot).toJson(QJsonDocument::Compact).constData());
            std::fflush(stdout);
        } else {
            PrintText(gps, install, constellation);
        }
        if (!watch)
            session.Finish(kExitOk);
        else
            QTimer::singleShot(options->intervalSeconds * 1000, requestAll);
    });
    QObject::connect(&giveUp, &QTimer::timeout, [&] {
        PrintError(stderr, "the unit did not answer every status request");
        session.Finish(kExitRequestFailed);
    });
    // The serial number comes once from the version block; a unit that does
    // not give it leaves it null.
    session.SetNoticeHandler([&](unsigned message, MsgWParam wParam) {
        if (message != WM_VERSION_READ_DONE)
            return;
        const QString text = UnitText(DisplaySerialNumber(version.GetSerialNumber())).trimmed();
        if (wParam != 0 && !text.isEmpty() && text != QStringLiteral("--"))
            serial = text;
        startPolling();
    });

    const int status = session.Run(true, [&] {
        if (!options->json) {
            startPolling();
            return;
        }
        session.Attach(version);
        if (!version.ReadAll())
            startPolling();
    });
    for (CStatusPoller* view : {static_cast<CStatusPoller*>(&gps), static_cast<CStatusPoller*>(&install),
                                static_cast<CStatusPoller*>(&constellation)})
        view->StopRefresh();
    version.Unregister();
    return status;
}
