#pragma once
// The user's access level for a remote connection. A site switches the
// mechanism on for the whole machine (see AccessControlSettings.h); while it is
// off every user has Full Control. While it is on, only members of the group
// "Tavra BTS_Admins" (exact, case-sensitive name) have Full Control, everyone
// else Read Only.

#include "app/access/AccountDirectory.h"

#include <QString>
#include <QStringView>

#include <memory>
#include <optional>

inline constexpr int kAccessReadOnly = 0;
inline constexpr int kAccessFullControl = 1;

// "Access Level: Full Control" for kAccessFullControl, "Access Level: Read Only"
// for any other level.
QString AccessLevelStatusText(int level);

class CUserAccessControl {
public:
    static constexpr QStringView kAdministratorsGroup = u"Tavra BTS_Admins";

    // Uses the system's account directory.
    CUserAccessControl();
    explicit CUserAccessControl(std::unique_ptr<IAccountDirectory> directory);
    virtual ~CUserAccessControl();
    CUserAccessControl(const CUserAccessControl&) = delete;
    CUserAccessControl& operator=(const CUserAccessControl&) = delete;

    void SetAccountDirectory(std::unique_ptr<IAccountDirectory> directory);

    // kAccessFullControl or kAccessReadOnly. Never fails: anything that goes
    // wrong before the switch is found on gives Full Control, anything after
    // it Read Only (unless a later group query finds the group). May block
    // while the domain answers.
    int DetermineAccessLevel();

    // The names gathered by the last DetermineAccessLevel, each absent until
    // gathered (and while the switch is off).
    [[nodiscard]] const std::optional<QString>& Domain() const { return domain_; }
    [[nodiscard]] const std::optional<QString>& UserName() const { return userName_; }
    [[nodiscard]] const std::optional<QString>& ComputerName() const { return computerName_; }
    [[nodiscard]] const std::optional<QString>& QualifiedName() const { return qualifiedName_; }

    // Whether the machine-wide switch is "On" (blanks around it and letter
    // case do not matter). A missing or unreadable key or value, an empty
    // value or one that is not text all mean off.
    static bool IsSwitchedOn();

private:
    bool GatherNames();
    bool IsAdministrator();

    std::unique_ptr<IAccountDirectory> directory_;
    std::optional<QString> domain_;
    std::optional<QString> userName_;
    std::optional<QString> computerName_;
    std::optional<QString> qualifiedName_;
};
