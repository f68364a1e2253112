#include "commissioning/wizard/widgets/CWWelcomePage.h"

#include "commissioning/wizard/widgets/BannerArt.h"
#include "commissioning/wizard/widgets/CommissionWiz.h"

#include <QLabel>
#include <QVBoxLayout>

CCWWelcomePage::CCWWelcomePage(CCommissionWiz& wizard)
    : CCWPage(wizard, CCommissionWiz::kWelcomePageId, BannerId::Welcome,
              QStringLiteral("Welcome to the Commissioning Wizard."))
{
    auto* text = new QLabel(
        QStringLiteral("This Wizard will guide you through the commissioning of QORA.\n\nTo continue, click next."),
        this);
    text->setWordWrap(true);
    Body()->addWidget(text);
    Body()->addStretch(1);
}
