#include "settings/widgets/WidgetPlacement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QStyle>
#include <QWidget>

WindowPlacement TakeWindowPlacement(const QWidget& window)
{
    WindowPlacement placement;
    const Qt::WindowStates state = window.windowState();
    if (state & Qt::WindowMinimized) {
        placement.showCmd = ShowCmd::ShowMinimized;
        if (state & Qt::WindowMaximized)
            placement.flags |= kPlacementRestoreToMaximized;
    } else if (state & (Qt::WindowMaximized | Qt::WindowFullScreen)) {
        placement.showCmd = ShowCmd::ShowMaximized;
    }
    QRect normal = window.normalGeometry();
    if (!normal.isValid())
        normal = window.geometry();
    placement.normal = {normal.x(), normal.y(), normal.x() + normal.width(), normal.y() + normal.height()};
    return placement;
}

void ApplyWindowPlacement(QWidget& window, const WindowPlacement& placement)
{
    window.setWindowState(window.windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen));
    const PlacementRect& rect = placement.normal;
    const qint64 width = qint64{rect.right} - rect.left;
    const qint64 height = qint64{rect.bottom} - rect.top;
    if (width > 0 && height > 0 && width <= QWIDGETSIZE_MAX && height <= QWIDGETSIZE_MAX)
        window.setGeometry(rect.left, rect.top, static_cast<int>(width), static_cast<int>(height));
    switch (placement.showCmd) {
    case ShowCmd::Hide:
        window.hide();
        break;
    case ShowCmd::ShowMinimized:
    case ShowCmd::Minimize:
    case ShowCmd::ShowMinNoActive:
        window.setWindowState((placement.flags & kPlacementRestoreToMaximized)
                                  ? Qt::WindowMinimized | Qt::WindowMaximized
                                  : Qt::WindowMinimized);
        window.show();
        break;
    case ShowCmd::ShowMaximized:
        window.showMaximized();
        break;
    default:
        window.showNormal();
        break;
    }
}

ScreenArea DesktopArea(const QWidget& window)
{
    ScreenArea area;
    const QScreen* screen = window.screen() ? window.screen() : QGuiApplication::primaryScreen();
    if (screen) {
        const QRect desktop = screen->virtualGeometry();
        area.left = desktop.x();
        area.top = desktop.y();
        area.width = desktop.width();
        area.height = desktop.height();
    }
    const int icon = window.style()->pixelMetric(QStyle::PM_LargeIconSize, nullptr, &window);
    if (icon > 0)
        area.iconWidth = area.iconHeight = icon;
    return area;
}

bool SaveWidgetPlacement(CRegistry& registry, const QWidget& window, const QString& path, const QString& name)
{
    return registry.SaveWindowPlacement(TakeWindowPlacement(window), window.isVisible(), path, name);
}

bool LoadWidgetPlacement(CRegistry& registry, QWidget& window, const QString& path, const QString& name)
{
    WindowPlacement placement = TakeWindowPlacement(window);
    const PlacementLoad loaded = registry.LoadWindowPlacement(placement, DesktopArea(window), path, name);
    if (loaded != PlacementLoad::KeyMissing) {
        window.setProperty(kPlacementRestoredProperty, true);
        ApplyWindowPlacement(window, placement);
    }
    return loaded == PlacementLoad::Complete;
}
