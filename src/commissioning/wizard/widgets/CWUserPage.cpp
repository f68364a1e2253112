#include "commissioning/wizard/widgets/CWUserPage.h"

#include "commissioning/wizard/PageRules.h"
#include "commissioning/wizard/widgets/BannerArt.h"
#include "commissioning/wizard/widgets/CommissionWiz.h"
#include "data/system/UserData.h"

#include <QDate>
#include <QDateEdit>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>

CCWUserPage::CCWUserPage(CCommissionWiz& wizard)
    : CCWPage(wizard, CCommissionWiz::kUserPageId, BannerId::User, QStringLiteral("User Information"))
{
    auto* grid = new QGridLayout;
    name_ = new CLimitedLineEdit(this);
    name_->setObjectName(QStringLiteral("edit1223"));
    name_->SetByteLimit(CTextByteLimit(kMaxUserNameLength, UnitTextBytes, UnitCharacterRefusal));
    date_ = new CDatePicker(this);
    date_->setObjectName(QStringLiteral("date1070"));
    date_->SetPickerFormat(QStringLiteral("dd/MM/yyy"));
    date_->setCalendarPopup(true);
    comments_ = new CLimitedTextEdit(this);
    comments_->setObjectName(QStringLiteral("edit1225"));
    comments_->SetByteLimit(CTextByteLimit(kMaxUserNoteLength, UnitTextBytes, UnitCharacterRefusal));
    actions_ = new CLimitedTextEdit(this);
    actions_->setObjectName(QStringLiteral("edit1226"));
    actions_->SetByteLimit(CTextByteLimit(kMaxUserNoteLength, UnitTextBytes, UnitCharacterRefusal));
    grid->addWidget(new QLabel(QStringLiteral("Name:"), this), 0, 0);
    grid->addWidget(name_, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("Date:"), this), 1, 0);
    grid->addWidget(date_, 1, 1, Qt::AlignLeft);
    grid->addWidget(new QLabel(QStringLiteral("Comments:"), this), 2, 0, Qt::AlignTop);
    grid->addWidget(comments_, 2, 1);
    grid->addWidget(new QLabel(QStringLiteral("Actions:"), this), 3, 0, Qt::AlignTop);
    grid->addWidget(actions_, 3, 1);
    Body()->addLayout(grid);

    connect(name_, &QLineEdit::textChanged, this, &CCWUserPage::TakeTexts);
    connect(comments_, &QPlainTextEdit::textChanged, this, &CCWUserPage::TakeTexts);
    connect(actions_, &QPlainTextEdit::textChanged, this, &CCWUserPage::TakeTexts);
}

void CCWUserPage::Open()
{
    const SUserPageValues& values = Wiz().Values().user;
    const QDate taken(values.year, values.month, values.day);
    // A date never taken (or none) starts the picker at today.
    date_->setDate(taken.isValid() && values.year > 1900 ? taken : QDate::currentDate());
    Refresh();
}

void CCWUserPage::Refresh()
{
    const SUserPageValues& values = Wiz().Values().user;
    showing_ = true;
    name_->setText(values.userName);
    comments_->setPlainText(values.comments);
    actions_->setPlainText(values.actions);
    showing_ = false;
}

void CCWUserPage::TakeTexts()
{
    if (showing_)
        return;
    SUserPageValues& values = Wiz().Values().user;
    values.userName = name_->text();
    values.comments = comments_->toPlainText();
    values.actions = actions_->toPlainText();
}

int CCWUserPage::BackTarget() const
{
    return Wiz().IsRemote() ? CCommissionWiz::kRfPageId : CCommissionWiz::kQ1PageId;
}

bool CCWUserPage::validatePage()
{
    SUserEntries entries{name_->text(), comments_->toPlainText(), actions_->toPlainText(), std::nullopt, 0, 0};
    const QDate date = date_->date();
    if (date.isValid()) {
        entries.year = date.year();
        entries.month = date.month();
        entries.day = date.day();
    }
    TakeUserPage(entries, Wiz().Values().user);
    return true;
}
