#include "settings/widgets/WidgetPlacement.h"

#include <QEvent>
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
    if (!window.isWindow()) {
        const QWidget* parent = window.parentWidget();
        if (parent && parent->isVisible()) {
            area.width = parent->width();
            area.height = parent->height();
        }
    } else if (const QScreen* screen = window.screen() ? window.screen() : QGuiApplication::primaryScreen()) {
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
    const ScreenArea area = DesktopArea(window);
    // The screen's rule keeps an icon's worth of a window in reach; a window
    // inside another is kept wholly inside it instead.
    const bool inside = !window.isWindow();
    const PlacementLoad loaded = registry.LoadWindowPlacement(placement, inside ? ScreenArea{} : area, path, name);
    if (loaded == PlacementLoad::KeyMissing)
        return false;
    if (inside)
        FitPlacementInside(placement, area);
    window.setProperty(kPlacementRestoredProperty, true);
    ApplyWindowPlacement(window, placement);
    return loaded == PlacementLoad::Complete;
}

namespace {
class CPlacementKeeper : public QObject {
public:
    CPlacementKeeper(QWidget& window, QString path, QString name)
        : QObject(&window), path_(std::move(path)), name_(std::move(name))
    {
        window.installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Hide && watched == parent()) {
            CRegistry registry(RegRoot::CurrentUser);
            registry.SaveWindowPlacement(TakeWindowPlacement(*static_cast<QWidget*>(watched)), true, path_, name_);
        }
        return false;
    }

private:
    QString path_;
    QString name_;
};
} // namespace

void KeepPlacementWhenHidden(QWidget& window, const QString& path, const QString& name)
{
    new CPlacementKeeper(window, path, name);
}
