#include "rks/RksEndpoint.h"

#include <QSettings>
#include <QString>
#include <QtGlobal>

std::string RksConfiguredGateway()
{
    QString gateway = qEnvironmentVariable(kRksGatewayVariable).trimmed();
    if (gateway.isEmpty()) {
        // The service's own settings: the registry on Windows, an INI file elsewhere.
        const QSettings settings(QSettings::NativeFormat, QSettings::UserScope,
                                 QStringLiteral("RKS"), QStringLiteral("CommunicationService"));
        gateway = settings.value(QStringLiteral("Gateway")).toString().trimmed();
    }
    return gateway.toStdString();
}

std::optional<RksEndpoint> RksParseHostPort(std::string_view text)
{
    const std::size_t colon = text.rfind(':');
    if (colon == std::string_view::npos)
        return std::nullopt;
    std::string_view host = text.substr(0, colon);
    if (host.size() >= 2 && host.front() == '[' && host.back() == ']')
        host = host.substr(1, host.size() - 2);
    else if (host.find(':') != std::string_view::npos)
        return std::nullopt; // an IPv6 address needs its brackets
    const auto port = RksParsePort(text.substr(colon + 1));
    if (host.empty() || !port)
        return std::nullopt;
    return RksEndpoint{std::string(host), *port};
}

std::optional<RksEndpoint> RksChooseEndpoint(const RksConnectionParams& params, std::string_view gateway)
{
    if (!gateway.empty())
        return RksParseHostPort(gateway);
    if (params.host.empty() || !params.port)
        return std::nullopt;
    return RksEndpoint{params.host, *params.port};
}
