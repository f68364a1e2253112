#include "cli/StatusCommand.h"

#include "cli/CliSession.h"
#include "app/LocalConnection.h"
#include "cli/VersionCommand.h"
#include "status/constellation/ConstellationStatisticsView.h"
#include "status/gps/GPSStatusView.h"
#include "status/install/InstallStatusView.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimer>

#include <cstdio>

namespace {

// The command is its own main frame for the status logic: no reset, no
// commissioning, no download, and the link watchdog is not needed.
struct CliStatusFrame : IStatusFrame {
    bool ResetPending() const override { return false; }
    bool CommissioningRunning() const override { return false; }
    bool DownloadDialogOpen() const override { return false; }
    void SetLinkWatchdog(int) override {}
};

QJsonObject Snapshot(const CGPSStatusView& gps, const CInstallStatusView& install,
                     const CConstellationStatisticsView& constellation)
{
    QJsonArray channels;
    for (int c = 0; c < CGPSStatusView::kChannels; ++c) {
        channels.append(QJsonObject{{"satellite", gps.SatelliteText(c)},
                                    {"cno", gps.CNoText(c)},
                                    {"elevation", gps.ElevationText(c)},
                                    {"azimuth", gps.AzimuthText(c)}});
    }
    QJsonObject installation;
    for (int row = 0; row < CInstallStatusView::kRowCount; ++row)
        installation.insert(CInstallStatusView::RowLabel(row).remove(u':').trimmed(), install.RowText(row));
    QJsonArray durations;
    for (int row = 0; row < CConstellationStatisticsView::kRows; ++row)
        durations.append(constellation.CellText(row));
    return QJsonObject{
        {"gps", QJsonObject{{"latitude", gps.LatitudeText()},
                            {"longitude", gps.LongitudeText()},
                            {"altitude", gps.AltitudeText().trimmed()},
                            {"time", gps.TimeText()},
                            {"channels", channels}}},
        {"installation", installation},
        {"constellation", QJsonObject{{"durations", durations},
                                      {"total", constellation.TotalText()},
                                      {"verdict", constellation.VerdictPaneText().trimmed()}}},
    };
}

void PrintText(const QJsonObject& snapshot)
{
    const QJsonObject gps = snapshot["gps"].toObject();
    std::printf("GPS Status\n");
    std::printf("  Position: %s %s %s   GPS Time: %s\n", qPrintable(gps["latitude"].toString()),
                qPrintable(gps["longitude"].toString()), qPrintable(gps["altitude"].toString()),
                qPrintable(gps["time"].toString()));
    std::printf("  %-4s %-4s %-10s %-10s %s\n", "Ch", "ID", "C/No", "Elevation", "Azimuth");
    int channel = 1;
    for (const QJsonValue& value : gps["channels"].toArray()) {
        const QJsonObject c = value.toObject();
        std::printf("  %-4d %-4s %-10s %-10s %s\n", channel++, qPrintable(c["satellite"].toString()),
                    qPrintable(c["cno"].toString()), qPrintable(c["elevation"].toString()),
                    qPrintable(c["azimuth"].toString()));
    }
    std::printf("Installation Status\n");
    const QJsonObject installation = snapshot["installation"].toObject();
    for (int row = 0; row < CInstallStatusView::kRowCount; ++row) {
        const QString label = CInstallStatusView::RowLabel(row).remove(u':').trimmed();
        std::printf("  %-28s %s\n", qPrintable(label + u':'), qPrintable(installation[label].toString()));
    }
    const QJsonObject constellation = snapshot["constellation"].toObject();
    std::printf("GPS Constellation Statistics\n");
    int satellites = 0;
    for (const QJsonValue& value : constellation["durations"].toArray())
        std::printf("  %2d visible satellites: %s s\n", satellites++, qPrintable(value.toString()));
    std::printf("  Total: %s   Status: %s\n", qPrintable(constellation["total"].toString()),
                qPrintable(constellation["verdict"].toString()));
    std::fflush(stdout);
}

} // namespace

int RunStatusCommand(const std::string& connection, const std::vector<std::string>& arguments, bool watch)
{
    bool json = false;
    for (const std::string& argument : arguments) {
        if (argument != "--json") {
            std::fprintf(stderr, "qora-cli: unknown argument %s (status and watch take --json)\n", argument.c_str());
            return kExitUsage;
        }
        json = true;
    }

    CGroupCommandSession session(connection);
    CliStatusFrame frame;
    CGPSStatusView gps(frame);
    const QString address = UnitAddressText(QString::fromStdString(connection));
    CInstallStatusView install(frame, [address] { return address; });
    CConstellationStatisticsView constellation(frame);
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
        giveUp.start(15000);
    };
    QObject::connect(&check, &QTimer::timeout, [&] {
        if (!giveUp.isActive() || !(gpsDrawn && installDrawn && constellationDrawn))
            return;
        giveUp.stop();
        const QJsonObject snapshot = Snapshot(gps, install, constellation);
        if (json) {
            std::printf("%s\n", QJsonDocument(snapshot).toJson(QJsonDocument::Compact).constData());
            std::fflush(stdout);
        } else {
            PrintText(snapshot);
        }
        if (!watch)
            session.Finish(kExitOk);
        else
            QTimer::singleShot(5000, requestAll);
    });
    QObject::connect(&giveUp, &QTimer::timeout, [&] {
        std::fprintf(stderr, "the unit did not answer every status request\n");
        session.Finish(kExitRequestFailed);
    });

    const int status = session.Run(true, [&] {
        for (CStatusPoller* view : {static_cast<CStatusPoller*>(&gps), static_cast<CStatusPoller*>(&install),
                                    static_cast<CStatusPoller*>(&constellation)}) {
            view->SetVisible(true);
            view->StartRefresh(); // listens; its own ticks are harmless
        }
        check.start(20);
        requestAll();
    });
    for (CStatusPoller* view : {static_cast<CStatusPoller*>(&gps), static_cast<CStatusPoller*>(&install),
                                static_cast<CStatusPoller*>(&constellation)})
        view->StopRefresh();
    return status;
}
