#include "commissioning/wizard/widgets/CWPage.h"

#include "commissioning/wizard/widgets/BannerArt.h"

#include <QFont>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

CCWPage::CCWPage(CCommissionWiz& wizard, int templateId, int bannerId, const QString& title)
    : wizard_(wizard), templateId_(templateId)
{
    auto* outer = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    auto* heading = new QLabel(title, this);
    heading->setObjectName(QStringLiteral("heading"));
    heading->setWordWrap(true);
    QFont bold = heading->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.2);
    heading->setFont(bold);
    top->addWidget(heading, 1);
    auto* banner = new QLabel(this);
    banner->setObjectName(QStringLiteral("banner"));
    banner->setPixmap(DrawBanner(bannerId));
    top->addWidget(banner, 0, Qt::AlignRight | Qt::AlignTop);
    outer->addLayout(top);
    body_ = new QVBoxLayout;
    outer->addLayout(body_, 1);
}

void CCWPage::Activate()
{
    if (!opened_) {
        opened_ = true;
        Open();
    } else {
        Refresh();
    }
}

bool CCWPage::Refuse(const SPageProblem& problem)
{
    ShowPageProblem(problem);
    FocusField(problem);
    return false;
}
