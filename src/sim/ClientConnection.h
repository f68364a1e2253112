#pragma once
// One client of the gateway: reads frames from its socket, lets the dispatcher
// answer them and writes the replies back, at once or after the configured
// delay. Deletes itself when the connection ends.
//
// The socket is driven directly (non-blocking receive and send under two
// socket notifiers) rather than through QTcpSocket: a lock-step request then
// costs one poll, one receive and one send, with no copy through a second
// buffer.

#include "sim/FrameReader.h"
#include "sim/GatewayDispatcher.h"

#include <QObject>

#include <cstdint>
#include <vector>

class QSocketNotifier;

namespace sim {

class CClientConnection : public QObject {
    Q_OBJECT
public:
    // Takes ownership of the connected socket descriptor.
    CClientConnection(qintptr socket, CGatewayDispatcher& dispatcher, std::uint32_t delayMs,
                      QObject* parent = nullptr);
    ~CClientConnection() override;

private:
    void OnReadable();
    void OnWritable();
    void Deliver(bool closeAfter);
    void Send(const std::uint8_t* data, std::size_t size);
    void Finish();
    void Release();

    qintptr socket_;
    CGatewayDispatcher& dispatcher_;
    std::uint32_t delayMs_;
    QSocketNotifier* readNotifier_;
    QSocketNotifier* writeNotifier_;
    CFrameReader reader_;
    SessionState session_;
    std::vector<std::uint8_t> out_;
    std::vector<std::uint8_t> unsent_; // what the socket did not take yet
    bool peerClosed_ = false;
    bool closing_ = false;   // requests are no longer answered
    bool finishing_ = false; // close once unsent_ is empty
    bool shutDown_ = false;  // FIN sent, waiting for the peer's
    bool released_ = false;
};

} // namespace sim
