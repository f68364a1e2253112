#include "app/frame/ConnectionPaneText.h"

namespace {
QString WithUnit(const QString& text, const QString& unit)
{
    return unit.isEmpty() ? text : text + QStringLiteral(" - ") + unit;
}
} // namespace

QString ConnectionPaneText(const ConnectionPaneInputs& in)
{
    if (!in.countdown.isEmpty())
        return in.countdown;
    // From the reset request until the unit is back in commission mode it is
    // restarting, whatever the connection in between is doing.
    if (in.resetPending || (in.silentReconnection && in.handlerState != ConnectionState::Disconnected
                            && in.handlerState != ConnectionState::Commission))
        return WithUnit(QStringLiteral("Waiting for the unit to restart"), in.unit);
    switch (in.handlerState) {
    case ConnectionState::Connecting:
        return WithUnit(QStringLiteral("Connecting"), in.unit);
    case ConnectionState::Connected:
        return WithUnit(QStringLiteral("Connected"), in.unit);
    case ConnectionState::EnteringCommission:
        return WithUnit(QStringLiteral("Entering commission mode"), in.unit);
    case ConnectionState::Commission:
        return WithUnit(QStringLiteral("Commission mode"), in.unit);
    default:
        return in.failed ? WithUnit(QStringLiteral("Connection failed"), in.unit) : QStringLiteral("Not connected");
    }
}
