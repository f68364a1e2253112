#include "app/shell/HelpFiles.h"

#include "app/frame/FrameCommands.h"
#include "app/shell/DataFolders.h"
#include "platform/UserPrompts.h"

#include <QDir>
#include <QFileInfo>

#include <utility>

namespace {

const QString kContentsPage = QStringLiteral("index.html");

// Command -> page. Commands that share a page (the window commands, the
// views) point to the same one.
const std::pair<int, const char*> kCommandPages[] = {
    {ID_FILE_NEW, "main-window.html"},
    {ID_OPEN_WORK_ORDER, "open-work-order.html"},
    {ID_COMM_PARAMETERS, "communication-parameters.html"},
    {ID_APP_EXIT, "main-window.html"},
    {ID_VIEW_TOOLBAR, "main-window.html"},
    {ID_VIEW_STATUS_BAR, "main-window.html"},
    {ID_VIEW_UNIT_TRAFFIC, "unit-traffic.html"},
    {ID_RECORD_UNIT_TRAFFIC, "unit-traffic.html"},
    {ID_ADVANCED, "advanced.html"},
    {ID_LOCAL_CONNECTION, "local-connection.html"},
    {ID_REMOTE_CONNECTION, "remote-connection.html"},
    {ID_COMMISSION_MODE, "commission-mode.html"},
    {ID_DISCONNECT, "disconnect.html"},
    {ID_COMMISSIONING_WIZARD, "commissioning-wizard.html"},
    {ID_COMMISSIONING_REPORT, "commissioning-report.html"},
    {ID_SW_DOWNLOAD, "sw-download.html"},
    {ID_SW_ACTIVATION, "sw-activation.html"},
    {ID_CONSTELLATION_LOG, "constellation-log.html"},
    {ID_GPS_PARAMETERS, "gps-parameters.html"},
    {ID_TIME_CALCULATION, "time-calculation.html"},
    {ID_CLOCK_OUT_TIMING, "clock-out-timing.html"},
    {ID_RESET_QORA, "reset-qora.html"},
    {ID_USER_INFORMATION, "user-information.html"},
    {ID_SYSTEM_PARAMETERS, "system-parameters.html"},
    {ID_VERSION_INFORMATION, "version-information.html"},
    {ID_GPS_STATUS, "gps-status.html"},
    {ID_INSTALLATION_STATUS, "installation-status.html"},
    {ID_CONSTELLATION_STATISTICS, "constellation-statistics.html"},
    {ID_SKY_PLOT, "status-history.html"},
    {ID_SIGNAL_HISTORY, "status-history.html"},
    {ID_INSTALLATION_TIMELINE, "status-history.html"},
    {ID_SURVEY_PLOT, "status-history.html"},
    {ID_CONSTELLATION_CHARTS, "status-history.html"},
    {ID_RECORD_STATUS, "record-to-file.html"},
    {ID_FLEET_OVERVIEW, "fleet-overview.html"},
    {ID_WINDOW_CASCADE, "main-window.html"},
    {ID_WINDOW_TILE, "main-window.html"},
    {ID_HELP_TOPICS, "index.html"},
    {ID_APP_ABOUT, "about.html"},
};

} // namespace

QString HelpFilePath(const QString& programPath)
{
    const QFileInfo program(programPath);
    QString name = program.fileName();
    if (name.endsWith(QLatin1String(".exe"), Qt::CaseInsensitive))
        name.chop(4);
    const QString beside = QDir(program.path()).filePath(name.toLower() + QStringLiteral("-help/") + kContentsPage);
    if (QFileInfo(beside).isFile())
        return beside;
    const QString installed = QDir(ProgramDataFolders(programPath).constLast())
                                  .filePath(QLatin1String(kInstalledHelpFolder) + u'/' + kContentsPage);
    return QFileInfo(installed).isFile() ? installed : beside;
}

QString HelpFileNotFoundText(const QString& helpPath)
{
    return QStringLiteral("Help file not found:\r\n") + QDir::toNativeSeparators(helpPath);
}

bool CheckHelpFile(const QString& programPath)
{
    const QString path = HelpFilePath(programPath);
    if (QFileInfo(path).isFile())
        return true;
    ShowMessageBox(HelpFileNotFoundText(path), MsgIcon::None, MsgButtons::Ok);
    return false;
}

QString HelpPageForCommand(int commandId)
{
    for (const auto& [id, page] : kCommandPages)
        if (id == commandId)
            return QString::fromLatin1(page);
    return kContentsPage;
}

const QStringList& HelpPageNames()
{
    static const QStringList names = [] {
        QStringList list{kContentsPage,
                         QStringLiteral("getting-started.html"),
                         QStringLiteral("connecting.html"),
                         QStringLiteral("messages.html")};
        for (const auto& [id, page] : kCommandPages)
            if (!list.contains(QString::fromLatin1(page)))
                list.append(QString::fromLatin1(page));
        return list;
    }();
    return names;
}
