#include "cli/GpsCommand.h"

#include "cli/CliOutput.h"
#include "cli/CliSession.h"
#include "cli/LinkReport.h"
#include "controls/LatLongLogic.h"
#include "link/AppHandler.h"
#include "link/CommHandler.h"
#include "platform/CallbackTarget.h"
#include "platform/MainWindow.h"
#include "platform/MeasureSetting.h"
#include "platform/MessageIds.h"

#include <QEventLoop>
#include <QTimer>

#include <cstdio>

namespace {

// Longer than the link's own transfer timeouts, which end a stuck read first.
constexpr int kCommandTimeoutMs = 60000;

QString CoordinateText(double value, bool latitude)
{
    CGCLatLongLogic logic(latitude);
    logic.SetStyle(LatLongStyle::kSymbolSeparators);
    if (!logic.SetValue(value))
        return QString::number(value, 'f', 7) + QStringLiteral(" (out of range)");
    return logic.Text().Compose().trimmed();
}

QString YesNo(bool value)
{
    return value ? QStringLiteral("yes") : QStringLiteral("no");
}

void PrintLine(std::FILE* to, const QString& line)
{
    std::fprintf(to, "%s\n", line.toUtf8().constData());
}

} // namespace

QStringList GpsReport(const CGPSData& group, const std::optional<QString>& measure)
{
    const QString metres = QStringLiteral("0");
    const std::optional<QString> unit = measure ? measure : std::optional<QString>(metres);
    QString altitudeUnit = AltitudeUnitLabel(unit);
    return {
        QStringLiteral("Latitude: ") + CoordinateText(group.GetLatitude(), true),
        QStringLiteral("Longitude: ") + CoordinateText(group.GetLongitude(), false),
        QStringLiteral("Altitude: ") + AltitudeFieldText(group.GetAltitude(), unit) + u' ' + altitudeUnit,
        QStringLiteral("Date: ") + GpsDateText(group.GetDateTime()),
        QStringLiteral("Time: ") + GpsTimeText(group.GetDateTime()),
        QStringLiteral("Start Self Survey after next reset: ") + YesNo(group.GetSelfSurvey()),
        QStringLiteral("Use position as surveyed position: ") + YesNo(group.GetSurveyedPosition()),
    };
}

int RunGpsCommand(const std::string& connection)
{
    QEventLoop loop;
    int status = kExitRequestFailed;
    bool finished = false;
    CCommHandler handler;
    CGPSData group;

    const auto finish = [&](int result, const QString& reason) {
        if (finished)
            return;
        finished = true;
        status = result;
        if (!reason.isEmpty())
            PrintError(stderr, reason);
        loop.exit(result);
    };

    CCallbackTarget target([&](unsigned message, MsgWParam wParam, MsgLParam) {
        if (finished)
            return;
        if (message == WM_CONNECTION_EVENT) {
            switch (NoticeOf(wParam)) {
            case NOTICE_CONNECTED:
            case NOTICE_CONNECTED_OTHER_UNIT:
                group.Register();
                if (!group.ReadAll())
                    finish(kExitRequestFailed, QStringLiteral("the GPS parameters could not be requested"));
                break;
            case NOTICE_CONNECT_FAILED:
                finish(kExitNoConnection, QString::fromStdString(CannotConnectText(connection, handler.LastFailure())));
                break;
            case NOTICE_DISCONNECTED:
                finish(kExitNoConnection, QStringLiteral("the connection was lost"));
                break;
            default:
                break;
            }
        } else if (message == WM_GPS_READ_DONE) {
            if (wParam == 0) {
                finish(kExitRequestFailed, QStringLiteral("problems encountered when reading the GPS parameters"));
                return;
            }
            for (const QString& line : GpsReport(group, ReadMeasureSetting()))
                PrintLine(stdout, line);
            std::fflush(stdout);
            finish(kExitOk, {});
        }
    });

    CMessageTarget* previousFrame = MainWindowTarget();
    CCommHandler* previousHandler = AppCommHandler();
    SetMainWindowTarget(&target);
    SetAppCommHandler(&handler);
    group.AddWindow(&target);
    handler.SetSilentConnect(true);

    QTimer::singleShot(0, &loop, [&] { handler.Connect(ConnectionRoute::Direct, connection); });
    QTimer::singleShot(kCommandTimeoutMs, &loop,
                       [&] { finish(kExitRequestFailed, QStringLiteral("the unit did not answer in time")); });
    loop.exec();

    group.Unregister();
    handler.CloseConnection();
    SetAppCommHandler(previousHandler);
    SetMainWindowTarget(previousFrame);
    return status;
}
