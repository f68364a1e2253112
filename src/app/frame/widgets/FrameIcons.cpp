#include "app/frame/widgets/FrameIcons.h"

#include "app/frame/FrameCommands.h"
#include <QLoggingCategory>
#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

#include <utility>

namespace {

// Quiet unless a rule turns it on, as the other categories.
Q_LOGGING_CATEGORY(lcIcons, "qora.icons", QtCriticalMsg)

const std::pair<int, const char*> kCommandIcons[] = {
    {ID_OPEN_WORK_ORDER, "open-work-order"},
    {ID_LOCAL_CONNECTION, "local-connection"},
    {ID_REMOTE_CONNECTION, "remote-connection"},
    {ID_DISCONNECT, "disconnect"},
    {ID_COMMISSION_MODE, "commission-mode"},
    {ID_COMMISSIONING_WIZARD, "commissioning-wizard"},
    {ID_COMMISSIONING_REPORT, "commissioning-report"},
    {ID_CONSTELLATION_LOG, "constellation-log"},
    {ID_GPS_STATUS, "gps-status"},
    {ID_CONSTELLATION_STATISTICS, "constellation-statistics"},
    {ID_INSTALLATION_STATUS, "installation-status"},
};

QString IconPath(const char* name)
{
    return QStringLiteral(":/qora/icons/%1.svg").arg(QLatin1String(name));
}

} // namespace

QIcon SvgIcon(const QString& path)
{
    QSvgRenderer renderer(path);
    if (!renderer.isValid()) {
        qCWarning(lcIcons).noquote() << "icon" << path << "is missing or not an SVG picture";
        return {};
    }
    // Drawn at each size rather than scaled, so small sizes stay sharp.
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        renderer.render(&painter);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

QString FrameCommandIconPath(int commandId)
{
    for (const auto& [id, name] : kCommandIcons)
        if (id == commandId)
            return IconPath(name);
    return {};
}

QIcon FrameCommandIcon(int commandId)
{
    const QString path = FrameCommandIconPath(commandId);
    return path.isEmpty() ? QIcon() : SvgIcon(path);
}

QIcon ApplicationIcon()
{
    return SvgIcon(IconPath("qora-manager"));
}
