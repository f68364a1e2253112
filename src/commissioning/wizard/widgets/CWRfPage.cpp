#include "commissioning/wizard/widgets/CWRfPage.h"

#include "commissioning/wizard/PageRules.h"
#include "commissioning/wizard/widgets/BannerArt.h"
#include "commissioning/wizard/widgets/CommissionWiz.h"
#include "controls/SmartEdit.h"
#include "delaycalc/DelayCalc.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

CCWRfPage::CCWRfPage(CCommissionWiz& wizard)
    : CCWPage(wizard, CCommissionWiz::kRfPageId, BannerId::TimeCalculation, QStringLiteral("Time Calculation"))
{
    auto* grid = new QGridLayout;
    const auto addRow = [&](int row, const QString& label, const QString& name) {
        auto* edit = new CSmartEdit(this);
        edit->setObjectName(name);
        edit->SetCharacterSet(CSmartEditFilter::kDigits);
        grid->addWidget(new QLabel(label, this), row, 0);
        grid->addWidget(edit, row, 1);
        grid->addWidget(new QLabel(QStringLiteral("ns"), this), row, 2);
        return edit;
    };
    gpsDelay_ = addRow(0, QStringLiteral("GPS Antenna Delay:"), QStringLiteral("edit1038"));
    frameDelay_ = addRow(1, QStringLiteral("Frame Clock Delay:"), QStringLiteral("edit1042"));
    gpsCalc_ = new QPushButton(QStringLiteral("Calc"), this);
    gpsCalc_->setObjectName(QStringLiteral("calc1192"));
    frameCalc_ = new QPushButton(QStringLiteral("Calc"), this);
    frameCalc_->setObjectName(QStringLiteral("calc1194"));
    grid->addWidget(gpsCalc_, 0, 3);
    grid->addWidget(frameCalc_, 1, 3);

    // Kept for the unit's external clock; nothing shows them yet.
    externalFrameDelay_ = addRow(2, QStringLiteral("External Frame Clock Delay:"), QStringLiteral("edit1043"));
    for (int column = 0; column < 3; ++column)
        if (QLayoutItem* item = grid->itemAtPosition(2, column); item && item->widget())
            item->widget()->hide();
    onePps_ = new QCheckBox(QStringLiteral("External Clock Output is in 1PPS mode"), this);
    onePps_->setObjectName(QStringLiteral("check1232"));
    onePps_->hide();
    Body()->addLayout(grid);
    Body()->addStretch(1);

    connect(gpsCalc_, &QPushButton::clicked, this, &CCWRfPage::OnGpsCalc);
    connect(frameCalc_, &QPushButton::clicked, this, &CCWRfPage::OnFrameCalc);
    connect(gpsDelay_, &QLineEdit::textChanged, this, &CCWRfPage::TakeTexts);
    connect(frameDelay_, &QLineEdit::textChanged, this, &CCWRfPage::TakeTexts);
}

void CCWRfPage::Open()
{
    SRfPageValues& values = Wiz().Values().rf;
    values.gpsAntennaDelayText = QString::number(values.gpsAntennaDelayNs);
    values.frameClockDelayText = QString::number(values.frameClockDelayNs);
    onePps_->setChecked(values.onePps);
    Refresh();
}

void CCWRfPage::Refresh()
{
    const SRfPageValues& values = Wiz().Values().rf;
    showing_ = true;
    gpsDelay_->setText(values.gpsAntennaDelayText);
    frameDelay_->setText(values.frameClockDelayText);
    showing_ = false;
}

void CCWRfPage::TakeTexts()
{
    if (showing_)
        return;
    SRfPageValues& values = Wiz().Values().rf;
    values.gpsAntennaDelayText = gpsDelay_->text();
    values.frameClockDelayText = frameDelay_->text();
}

void CCWRfPage::OnGpsCalc()
{
    GpsAntennaDelayParam& record = Wiz().GpsDelayRecord();
    if (ShowKestrin(record) != 1)
        return;
    Wiz().Values().rf.gpsAntennaDelayText = QString::number(record.delayNs);
    Refresh();
}

void CCWRfPage::OnFrameCalc()
{
    FrameClockDelayParam& record = Wiz().FrameClockDelayRecord();
    if (FClkKestrin(record) != 1)
        return;
    Wiz().Values().rf.frameClockDelayText = QString::number(record.delayNs);
    Refresh();
}

bool CCWRfPage::validatePage()
{
    const SRfEntries entries{gpsDelay_->text(), frameDelay_->text(), onePps_->isChecked()};
    if (auto problem = TakeRfPage(entries, Wiz().Values().rf))
        return Refuse(*problem);
    return true;
}

void CCWRfPage::FocusField(const SPageProblem& problem)
{
    CSmartEdit* edit = problem.field == EWizardField::FrameClockDelay ? frameDelay_ : gpsDelay_;
    edit->setFocus();
    if (problem.selectAll)
        edit->selectAll(); // leaves the caret at the end, in view
}
