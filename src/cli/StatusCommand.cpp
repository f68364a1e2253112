#include "cli/StatusCommand.h"

#include "app/LocalConnection.h"
#include "cli/CliArguments.h"
#include "cli/CliOutput.h"
#include "cli/CliSession.h"
#include "cli/CliStatusPoller.h"
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

QString InstallLabel(int row)
{
    return CInstallStatusView::RowLabel(row).remove(u':').trimmed();
}

void PrintText(const SCliStatus& status, bool metricUnits, const QString& unitAddressText)
{
    using Gps = CGPSStatusView;
    using Constellation = CConstellationStatisticsView;
    const Protocol::SGpsStatus& gps = status.gps;
    std::printf("GPS Status\n");
    std::printf("  Position: %s %s %s   GPS Time: %s\n", qPrintable(Gps::LatitudeText(gps)),
                qPrintable(Gps::LongitudeText(gps)), qPrintable(Gps::AltitudeText(gps.altitude.value, metricUnits).trimmed()),
                qPrintable(Gps::TimeText(gps)));
    std::printf("  %-4s %-4s %-10s %-10s %s\n", "Ch", "ID", "C/No", "Elevation", "Azimuth");
    for (int c = 0; c < Gps::kChannels; ++c) {
        std::printf("  %-4d %-4s %-10s %-10s %s\n", c + 1, qPrintable(Gps::SatelliteText(gps, c)),
                    qPrintable(Gps::CNoText(gps, c)), qPrintable(Gps::ElevationText(gps, c)),
                    qPrintable(Gps::AzimuthText(gps, c)));
    }
    std::printf("Installation Status\n");
    for (int row = 0; row < CInstallStatusView::kRowCount; ++row)
        std::printf("  %-28s %s\n", qPrintable(InstallLabel(row) + u':'),
                    qPrintable(CInstallStatusView::RowText(status.installation, row, unitAddressText)));
    std::printf("GPS Constellation Statistics\n");
    const bool showable = status.constellationValid;
    for (int row = 0; row < Constellation::kRows; ++row)
        std::printf("  %2d visible satellites: %s s\n", row,
                    qPrintable(Constellation::CellText(status.constellation, showable, row)));
    std::printf("  Total: %s   Status: %s\n", qPrintable(Constellation::TotalText(status.constellation, showable)),
                qPrintable(Constellation::VerdictPaneText(status.constellation, showable).trimmed()));
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
    CCliStatusPoller poller;
    const bool metricUnits = CGPSStatusView::MetricUnitsSetting();
    const QString address = UnitAddressText(QString::fromStdString(connection));
    CVersionData version;
    std::optional<QString> serial;
    bool gpsAnswered = false, installAnswered = false, constellationAnswered = false;
    QObject::connect(&poller, &CCliStatusPoller::Answered, [&](CCliStatusPoller::Kind kind) {
        (kind == CCliStatusPoller::Kind::Gps            ? gpsAnswered
         : kind == CCliStatusPoller::Kind::Installation ? installAnswered
                                                        : constellationAnswered) = true;
    });
    // A failed request clears every answer: nothing cleared is printed as if
    // the unit had said it. The refresh asks again until the time is up.
    QObject::connect(&poller, &CCliStatusPoller::RequestFailed,
                     [&] { gpsAnswered = installAnswered = constellationAnswered = false; });

    QTimer check; // prints once all three have answered
    QTimer giveUp;
    giveUp.setSingleShot(true);
    auto requestAll = [&] {
        gpsAnswered = installAnswered = constellationAnswered = false;
        poller.Request({CCliStatusPoller::Kind::Gps, CCliStatusPoller::Kind::Installation,
                        CCliStatusPoller::Kind::Constellation});
        giveUp.start(kGiveUpMs);
    };
    const auto startPolling = [&] {
        poller.Start(true); // asks at once and every 5 s, as the windows do when shown
        check.start(20);
        requestAll();
    };
    QObject::connect(&check, &QTimer::timeout, [&] {
        if (!giveUp.isActive() || !(gpsAnswered && installAnswered && constellationAnswered))
            return;
        giveUp.stop();
        if (options->json) {
            const QJsonObject snapshot =
                StatusJson(poller.Status(), metricUnits, address, QDateTime::currentDateTimeUtc(), serial);
            std::printf("%s\n", QJsonDocument(snapshot).toJson(QJsonDocument::Compact).constData());
            std::fflush(stdout);
        } else {
            PrintText(poller.Status(), metricUnits, address);
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
    poller.Stop();
    version.Unregister();
    return status;
}
