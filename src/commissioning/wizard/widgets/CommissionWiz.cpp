#include "commissioning/wizard/widgets/CommissionWiz.h"

#include "commissioning/wizard/CommissionHandover.h"
#include "commissioning/wizard/WizardProblem.h"
#include "commissioning/wizard/WorkOrderApply.h"
#include "commissioning/wizard/widgets/CWGpsPage.h"
#include "commissioning/wizard/widgets/CWQ1Page.h"
#include "commissioning/wizard/widgets/CWRfPage.h"
#include "commissioning/wizard/widgets/CWUserPage.h"
#include "commissioning/wizard/widgets/CWWelcomePage.h"

#include <QAbstractButton>

CCommissionWiz::CCommissionWiz(SWizardEnvironment environment, QWidget* parent)
    : QWizard(parent), environment_(std::move(environment))
{
    setWindowTitle(WizardString(WizardStringId::Caption));
    setWizardStyle(QWizard::ClassicStyle);
    setOption(QWizard::NoBackButtonOnStartPage);
    // The last page's Finish reads "Next >"; it keeps the Alt+N of the Next
    // button the other pages have.
    QString finish = WizardString(WizardStringId::FinishCaption);
    if (!finish.contains(QLatin1Char('&')))
        finish.prepend(QLatin1Char('&'));
    setButtonText(QWizard::FinishButton, finish);

    welcomePage_ = new CCWWelcomePage(*this);
    gpsPage_ = new CCWGpsPage(*this);
    rfPage_ = new CCWRfPage(*this);
    setPage(kWelcomePageId, welcomePage_);
    setPage(kGpsPageId, gpsPage_);
    setPage(kRfPageId, rfPage_);
    // Which pages exist is settled now: a remote connection has no Q1 page.
    if (!IsRemote()) {
        q1Page_ = new CCWQ1Page(*this);
        setPage(kQ1PageId, q1Page_);
    }
    userPage_ = new CCWUserPage(*this);
    setPage(kUserPageId, userPage_);
    setStartId(kWelcomePageId);

    connect(this, &QWizard::currentIdChanged, this, &CCommissionWiz::OnPageChanged);
    // Back follows the pages' own targets rather than the plain history.
    QAbstractButton* back = button(QWizard::BackButton);
    disconnect(back, SIGNAL(clicked()), this, SLOT(back()));
    connect(back, &QAbstractButton::clicked, this, &CCommissionWiz::OnBack);
}

CCommissionWiz::~CCommissionWiz() = default;

void CCommissionWiz::ResetPages()
{
    ::ResetPages(values_);
}

void CCommissionWiz::ApplyWorkOrderValues(const WorkOrderValues& values)
{
    ::ApplyWorkOrderValues(values_, values);
}

int CCommissionWiz::ShowWizard()
{
    return exec() == QDialog::Accepted ? kFinishResult : kCancelResult;
}

bool CCommissionWiz::RunCommissioning()
{
    return runner_ ? runner_(GatherCommissionValues(values_)) : false;
}

bool CCommissionWiz::IsRemote() const
{
    return environment_.isRemote && environment_.isRemote();
}

bool CCommissionWiz::AdvancedMode() const
{
    return environment_.advancedMode && environment_.advancedMode();
}

QString CCommissionWiz::SettingsIpAddress() const
{
    return environment_.settingsIpAddress ? environment_.settingsIpAddress() : QString();
}

void CCommissionWiz::setVisible(bool visible)
{
    if (visible && !isVisible()) {
        // Each showing is a new run: every page opens afresh from its values.
        for (int id : pageIds())
            if (auto* page = qobject_cast<CCWPage*>(this->page(id)))
                page->ForgetOpening();
        restart();
    }
    QWizard::setVisible(visible);
}

void CCommissionWiz::OnPageChanged(int id)
{
    if (auto* page = qobject_cast<CCWPage*>(this->page(id)))
        page->Activate();
}

void CCommissionWiz::OnBack()
{
    auto* page = qobject_cast<CCWPage*>(currentPage());
    const int target = page ? page->BackTarget() : -1;
    if (target < 0 || !visitedIds().contains(target) || target == currentId()) {
        back();
        return;
    }
    while (currentId() != target)
        back();
}
