#pragma once
// The splash window: the program's picture with its version, shown at start
// for ten seconds or until the user presses a key or a mouse button anywhere
// in the program. At most one exists at a time.

#include <QBasicTimer>
#include <QPixmap>
#include <QPointer>
#include <QWidget>

class CSplashWnd : public QWidget {
    Q_OBJECT
public:
    // How long the splash stays (before the timer scale of TimerScale.h).
    static constexpr int kDisplayPeriodMs = 10000;

    // The process-wide switch; on by default.
    static void EnableSplashScreen(bool enable = true);
    [[nodiscard]] static bool IsSplashScreenEnabled();

    // Shows the splash over owner (centred on the screen when there is none).
    // Nothing happens when splash is disabled, one is already shown, or the
    // picture cannot be loaded.
    static void ShowSplashScreen(QWidget* owner = nullptr);
    // Takes the splash down now (nothing when none is shown).
    static void HideSplashScreen();
    // The splash being shown, or null.
    [[nodiscard]] static CSplashWnd* Current();

    ~CSplashWnd() override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    CSplashWnd(QWidget* owner, QPixmap picture);

    QPixmap picture_;
    QString version_;
    QBasicTimer timer_;
};
