#include "rks/widgets/RksWidgetComponents.h"

#include "link/ComponentFactory.h"
#include "rks/widgets/RksBrowseDlg.h"

#include <memory>
#include <utility>

void RegisterRksBrowser(RksNodeChooser chooser)
{
    if (!chooser)
        chooser = RksChooseNodeInDialog;
    ComponentFactory<INetworkBrowser>::Register(
        CLSID_NetworkBrowser, [chooser = std::move(chooser)]() -> std::unique_ptr<INetworkBrowser> {
            return std::make_unique<CRksNetworkBrowser>(chooser);
        });
}
