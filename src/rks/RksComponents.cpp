#include "rks/RksComponents.h"

#include "link/ComponentFactory.h"
#include "rks/RksTcpLink.h"

#include <memory>

void RegisterRksComponents()
{
    ComponentFactory<IRksLink>::Register(CLSID_RksLink, []() -> std::unique_ptr<IRksLink> {
        return std::make_unique<CRksTcpLink>();
    });
}
