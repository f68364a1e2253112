#pragma once
// Ends the event loop on SIGINT or SIGTERM. The handler only writes a byte to
// a socket pair; the loop reads it and quits, so the program shuts down in its
// ordinary way (state saved, files closed).

#include <QObject>

class QSocketNotifier;

namespace sim {

class CSignalWatcher : public QObject {
    Q_OBJECT
public:
    explicit CSignalWatcher(QObject* parent = nullptr);
    ~CSignalWatcher() override;

    // False when the signals could not be hooked.
    [[nodiscard]] bool Active() const { return notifier_ != nullptr; }

private:
    void OnSignal();

    QSocketNotifier* notifier_ = nullptr;
};

} // namespace sim
