#pragma once
// The gateway's listening socket: every accepted client gets its own
// CClientConnection, all on the one event loop.

#include "sim/GatewayDispatcher.h"

#include <QHostAddress>
#include <QString>
#include <QTcpServer>

#include <cstdint>

namespace sim {

class CGatewayServer : public QTcpServer {
    Q_OBJECT
public:
    CGatewayServer(CGatewayDispatcher& dispatcher, std::uint32_t delayMs, QObject* parent = nullptr);

    bool Listen(const QHostAddress& address, std::uint16_t port, QString& error);

protected:
    void incomingConnection(qintptr socket) override;

private:
    CGatewayDispatcher& dispatcher_;
    std::uint32_t delayMs_;
};

} // namespace sim
