#pragma once
// Turns SIGINT and SIGTERM into a Qt signal on the event loop, so that a long
// command or the simulator ends in its ordinary way (a last word to the unit,
// state saved, files closed) instead of dying mid-transfer. The handler only writes a byte to a socket
// pair; the loop reads it. One watcher at a time; the default handlers come
// back when it goes.

#include <QObject>

class QSocketNotifier;

class CInterruptWatcher : public QObject {
    Q_OBJECT
public:
    explicit CInterruptWatcher(QObject* parent = nullptr);
    ~CInterruptWatcher() override;
    CInterruptWatcher(const CInterruptWatcher&) = delete;
    CInterruptWatcher& operator=(const CInterruptWatcher&) = delete;

    // False when the signals could not be hooked (another watcher lives).
    [[nodiscard]] bool Active() const { return notifier_ != nullptr; }

signals:
    // Once per signal received.
    void Interrupted();

private:
    void OnReadable();

    QSocketNotifier* notifier_ = nullptr;
};
