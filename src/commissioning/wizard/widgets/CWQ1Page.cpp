#include "commissioning/wizard/widgets/CWQ1Page.h"

#include "commissioning/wizard/PageRules.h"
#include "commissioning/wizard/widgets/BannerArt.h"
#include "commissioning/wizard/widgets/CommissionWiz.h"
#include "controls/IpAddressEdit.h"
#include "controls/SmartEdit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>

CCWQ1Page::CCWQ1Page(CCommissionWiz& wizard)
    : CCWPage(wizard, CCommissionWiz::kQ1PageId, BannerId::Q1, QStringLiteral("Q1 and IP Settings"))
{
    auto* grid = new QGridLayout;
    q1Address_ = new CSmartEdit(this);
    q1Address_->setObjectName(QStringLiteral("edit1047"));
    q1Address_->SetCharacterSet(CSmartEditFilter::kDigits);
    speed_ = new QComboBox(this);
    speed_->setObjectName(QStringLiteral("list1048"));
    for (const char* text : kQ1SpeedTexts)
        speed_->addItem(QString::fromLatin1(text));
    relay_ = new QCheckBox(QStringLiteral("QORA is last Q1 device in Q1  communication chain."), this);
    relay_->setObjectName(QStringLiteral("check1213"));
    relay_->hide(); // the relay follows its default; nothing offers it yet
    ip_ = new CIpAddressEdit(this);
    ip_->setObjectName(QStringLiteral("ip1205"));
    mask_ = new CIpAddressEdit(this);
    mask_->setObjectName(QStringLiteral("ip1206"));
    gateway_ = new CIpAddressEdit(this);
    gateway_->setObjectName(QStringLiteral("ip1207"));

    grid->addWidget(new QLabel(QStringLiteral("Q1 Address:"), this), 0, 0);
    grid->addWidget(q1Address_, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("Q1 Speed:"), this), 1, 0);
    grid->addWidget(speed_, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("IP Address:"), this), 2, 0);
    grid->addWidget(ip_, 2, 1);
    grid->addWidget(new QLabel(QStringLiteral("IP Subnet:"), this), 3, 0);
    grid->addWidget(mask_, 3, 1);
    grid->addWidget(new QLabel(QStringLiteral("IP GW:"), this), 4, 0);
    grid->addWidget(gateway_, 4, 1);
    Body()->addLayout(grid);
    Body()->addWidget(relay_);
    Body()->addStretch(1);
}

void CCWQ1Page::Open()
{
    const SQ1PageValues& values = Wiz().Values().q1;
    Refresh();
    relay_->setChecked(values.relayDefault);
    ip_->SetAddress(OpeningIpAddress(values));
    mask_->SetAddress(OpeningSubnetMask(values));
    gateway_->SetAddress(OpeningGateway(values));
    const bool local = !Wiz().IsRemote();
    for (QWidget* input : {static_cast<QWidget*>(q1Address_), static_cast<QWidget*>(speed_),
                           static_cast<QWidget*>(ip_), static_cast<QWidget*>(mask_), static_cast<QWidget*>(gateway_)})
        input->setEnabled(local);
}

void CCWQ1Page::Refresh()
{
    const SQ1PageValues& values = Wiz().Values().q1;
    q1Address_->setText(QString::number(values.q1Address));
    speed_->setCurrentIndex(values.speedIndex);
}

int CCWQ1Page::BackTarget() const
{
    return CCommissionWiz::kRfPageId;
}

bool CCWQ1Page::validatePage()
{
    SQ1Entries entries;
    entries.q1AddressText = q1Address_->text();
    entries.speedIndex = speed_->currentIndex();
    entries.relayChecked = relay_->isChecked();
    entries.ip = ip_->Address();
    entries.mask = mask_->Address();
    entries.gateway = gateway_->Address();
    if (auto problem = CheckQ1Page(entries))
        return Refuse(*problem);
    if (auto notice = Q1IpChangeNotice(entries, !Wiz().IsRemote(), Wiz().SettingsIpAddress()))
        ShowPageProblem(*notice); // a warning only: the page goes on
    TakeQ1Page(entries, Wiz().Values().q1);
    return true;
}

void CCWQ1Page::FocusField(const SPageProblem& problem)
{
    const int octet = problem.octet < 0 ? 0 : problem.octet;
    switch (problem.field) {
    case EWizardField::IpAddress: ip_->SetFieldFocus(octet); break;
    case EWizardField::SubnetMask: mask_->SetFieldFocus(octet); break;
    case EWizardField::Gateway: gateway_->SetFieldFocus(octet); break;
    default:
        q1Address_->setFocus();
        if (problem.selectAll)
            q1Address_->selectAll();
        break;
    }
}
