#include "sim/GatewayServer.h"

#include "sim/ClientConnection.h"

namespace sim {

CGatewayServer::CGatewayServer(CGatewayDispatcher& dispatcher, std::uint32_t delayMs, QObject* parent)
    : QTcpServer(parent), dispatcher_(dispatcher), delayMs_(delayMs)
{
}

bool CGatewayServer::Listen(const QHostAddress& address, std::uint16_t port, QString& error)
{
    if (!listen(address, port)) {
        error = QStringLiteral("cannot listen on %1:%2: %3").arg(address.toString()).arg(port).arg(errorString());
        return false;
    }
    return true;
}

void CGatewayServer::incomingConnection(qintptr socket)
{
    new CClientConnection(socket, dispatcher_, delayMs_, this);
}

} // namespace sim
