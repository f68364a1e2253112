#include "app/shell/SplashWnd.h"

#include "app/shell/SplashPicture.h"
#include "platform/StringTable.h"
#include "platform/TimerScale.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QScreen>
#include <QTimerEvent>

namespace {
bool splashEnabled = true;
QPointer<CSplashWnd> current;
// The window that had the keyboard before the splash came up.
QPointer<QWidget> activeBefore;

// What takes the splash down, and is not passed on.
bool DismissesSplash(QEvent::Type type)
{
    switch (type) {
    case QEvent::KeyPress:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::NonClientAreaMouseButtonPress:
    case QEvent::NonClientAreaMouseButtonDblClick:
        return true;
    default:
        return false;
    }
}
} // namespace

void CSplashWnd::EnableSplashScreen(bool enable)
{
    splashEnabled = enable;
}

bool CSplashWnd::IsSplashScreenEnabled()
{
    return splashEnabled;
}

CSplashWnd* CSplashWnd::Current()
{
    return current.data();
}

void CSplashWnd::ShowSplashScreen(QWidget* owner)
{
    if (!splashEnabled || current)
        return;
    QPixmap picture = LoadBitmapResource(kSplashBitmapId);
    if (picture.isNull())
        return;
    activeBefore = QApplication::activeWindow();
    current = new CSplashWnd(owner, std::move(picture));
    current->show();
}

void CSplashWnd::HideSplashScreen()
{
    CSplashWnd* splash = current.data();
    if (!splash)
        return;
    // The event that ends the splash may be on its way to the splash itself:
    // hide it now, free it once that event is done.
    current = nullptr;
    qApp->removeEventFilter(splash);
    splash->timer_.stop();
    splash->hide();
    splash->deleteLater();
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window != splash && window->isVisible())
            window->repaint();
    // Some window systems hand the keyboard to the splash when it appears;
    // give it back so that the first key after the splash is not lost.
    QWidget* active = QApplication::activeWindow();
    if (activeBefore && activeBefore->isVisible() && (!active || active == splash))
        activeBefore->activateWindow();
    activeBefore = nullptr;
}

CSplashWnd::CSplashWnd(QWidget* owner, QPixmap picture)
    : QWidget(owner, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus),
      picture_(std::move(picture)),
      version_(LoadResString(StringId::VersionText))
{
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_QuitOnClose, false);
    // What a task bar lists while the picture shows.
    setWindowTitle(LoadResString(StringId::AppTitle));
    setCursor(Qt::ArrowCursor);
    const QSize size = picture_.deviceIndependentSize().toSize();
    setFixedSize(size);

    QRect area;
    if (owner && owner->isVisible())
        area = owner->window()->frameGeometry();
    else if (QScreen* screen = QGuiApplication::primaryScreen())
        area = screen->availableGeometry();
    if (area.isValid()) {
        QRect placed(QPoint(), size);
        placed.moveCenter(area.center());
        move(placed.topLeft());
    }

    qApp->installEventFilter(this);
    timer_.start(ScaledPeriod(kDisplayPeriodMs), Qt::PreciseTimer, this);
}

CSplashWnd::~CSplashWnd()
{
    if (current == this)
        current = nullptr;
    qApp->removeEventFilter(this);
}

void CSplashWnd::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.drawPixmap(0, 0, picture_);
    p.setFont(SplashTextFont());
    p.setPen(SplashTextColor());
    DrawRightAlignedText(p, version_, kVersionTextAnchor);
}

void CSplashWnd::timerEvent(QTimerEvent* event)
{
    if (event->timerId() == timer_.timerId()) {
        HideSplashScreen();
        return;
    }
    QWidget::timerEvent(event);
}

bool CSplashWnd::eventFilter(QObject* watched, QEvent* event)
{
    if (current != this)
        return QWidget::eventFilter(watched, event);
    if (event->type() == QEvent::ShortcutOverride) {
        // Claim the key so that no shortcut or menu accelerator fires; the
        // key press that follows takes the splash down.
        event->accept();
        return true;
    }
    if (DismissesSplash(event->type())) {
        HideSplashScreen();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}
