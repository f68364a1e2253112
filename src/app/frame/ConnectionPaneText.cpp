#include "app/frame/ConnectionPaneText.h"

namespace {
QString WithUnit(const QString& text, const QString& unit)
{
    return unit.isEmpty() ? text : text + QStringLiteral(" - ") + unit;
}
} // namespace

QString ConnectionPaneText(const ConnectionPaneInputs& in)
{
    constexpr int kCommissionMode = 5;
    // From the reset request until the unit is back in commission mode it is
    // restarting, whatever the connection in between is doing.
    if (in.resetPending || (in.silentReconnection && in.handlerState != 0 && in.handlerState != kCommissionMode))
        return WithUnit(QStringLiteral("Waiting for the unit to restart"), in.unit);
    switch (in.handlerState) {
    case 1:
        return WithUnit(QStringLiteral("Connecting"), in.unit);
    case 2:
        return WithUnit(QStringLiteral("Connected"), in.unit);
    case 4:
        return WithUnit(QStringLiteral("Entering commission mode"), in.unit);
    case kCommissionMode:
        return WithUnit(QStringLiteral("Commission mode"), in.unit);
    default:
        return in.failed ? WithUnit(QStringLiteral("Connection failed"), in.unit) : QStringLiteral("Not connected");
    }
}
