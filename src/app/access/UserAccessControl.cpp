#include "app/access/UserAccessControl.h"

#include "app/access/AccessControlSettings.h"

#include <QCoreApplication>
#include <QVariant>

QString AccessLevelStatusText(int level)
{
    return level == kAccessFullControl
               ? QCoreApplication::translate("CUserAccessControl", "Access Level: Full Control")
               : QCoreApplication::translate("CUserAccessControl", "Access Level: Read Only");
}

CUserAccessControl::CUserAccessControl() = default;

CUserAccessControl::CUserAccessControl(std::unique_ptr<IAccountDirectory> directory)
    : directory_(std::move(directory))
{
}

CUserAccessControl::~CUserAccessControl() = default;

void CUserAccessControl::SetAccountDirectory(std::unique_ptr<IAccountDirectory> directory)
{
    directory_ = std::move(directory);
}

bool CUserAccessControl::IsSwitchedOn()
{
    const auto settings = OpenAccessControlSettings();
    if (settings->status() != QSettings::NoError)
        return false;
    const QVariant value = settings->value(QLatin1String(kAccessLevelsValueName));
    // Only a text value counts; numbers, lists and binary data leave it off.
    if (value.typeId() != QMetaType::QString)
        return false;
    return value.toString().trimmed().compare(QLatin1String("On"), Qt::CaseInsensitive) == 0;
}

int CUserAccessControl::DetermineAccessLevel()
{
    domain_.reset();
    userName_.reset();
    computerName_.reset();
    qualifiedName_.reset();

    if (!IsSwitchedOn())
        return kAccessFullControl;
    if (!directory_)
        directory_ = CreateSystemAccountDirectory();
    if (!GatherNames())
        return kAccessReadOnly;
    return IsAdministrator() ? kAccessFullControl : kAccessReadOnly;
}

bool CUserAccessControl::GatherNames()
{
    // Without a computer name the computer's queries go to this computer
    // (empty server), which is the same one.
    computerName_ = directory_->ComputerName().value_or(QString());

    const auto qualified = directory_->QualifiedAccountName();
    if (!qualified || qualified->isEmpty())
        return false;
    qualifiedName_ = *qualified;
    // "DOMAIN\user", split at the first backslash. A name without one is taken
    // as a user name of no known domain: the computer is still asked about it,
    // the domain is not.
    const qsizetype slash = qualified->indexOf(QLatin1Char('\\'));
    if (slash < 0) {
        domain_ = QString();
        userName_ = *qualified;
    } else {
        domain_ = qualified->left(slash);
        userName_ = qualified->mid(slash + 1);
    }
    return true;
}

bool CUserAccessControl::IsAdministrator()
{
    // Compared as Unicode text: no conversion to a narrower code page can make
    // a look-alike name match.
    const auto holdsGroup = [](const std::optional<QStringList>& groups) {
        return groups && groups->contains(kAdministratorsGroup, Qt::CaseSensitive);
    };
    // The order matters to sites: the computer first, then the domain.
    if (holdsGroup(directory_->LocalGroups(*computerName_, *qualifiedName_)))
        return true;
    if (holdsGroup(directory_->GlobalGroups(*computerName_, *qualifiedName_)))
        return true;
    if (domain_->isEmpty() || userName_->isEmpty())
        return false;
    if (holdsGroup(directory_->LocalGroups(*domain_, *userName_)))
        return true;
    return holdsGroup(directory_->GlobalGroups(*domain_, *userName_));
}
