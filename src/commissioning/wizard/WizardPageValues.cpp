#include "commissioning/wizard/WizardPageValues.h"

QString SpeedTextOfIndex(int index)
{
    if (index < 0 || index >= static_cast<int>(kQ1SpeedTexts.size()))
        return {};
    return QString::fromLatin1(kQ1SpeedTexts[static_cast<std::size_t>(index)]);
}

Ipv4Fields OpeningIpAddress(const SQ1PageValues& q1)
{
    return q1.ipFromWorkOrder ? q1.ipOctets : kDefaultUnitIp;
}

Ipv4Fields OpeningSubnetMask(const SQ1PageValues& q1)
{
    return q1.maskFromWorkOrder ? q1.maskOctets : kDefaultSubnetMask;
}

Ipv4Fields OpeningGateway(const SQ1PageValues& q1)
{
    return q1.gatewayFromWorkOrder ? q1.gatewayOctets : kDefaultGateway;
}
