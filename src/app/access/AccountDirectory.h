#pragma once
// The accounts and groups the access level is decided from. On Windows these
// are the network management queries of the user's computer and domain; on
// Linux the name service (NSS), which also serves domain accounts through
// sssd or winbind. Tests put a directory of their own in its place.

#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

class IAccountDirectory {
public:
    virtual ~IAccountDirectory() = default;

    // This computer's name, or nothing when it cannot be had.
    virtual std::optional<QString> ComputerName() = 0;
    // The current account as "DOMAIN\user", or nothing when it cannot be had.
    virtual std::optional<QString> QualifiedAccountName() = 0;

    // The groups of an account as known to a server (empty server: this
    // computer), or nothing when the query fails. Local groups include
    // indirect memberships.
    virtual std::optional<QStringList> LocalGroups(const QString& server, const QString& account) = 0;
    virtual std::optional<QStringList> GlobalGroups(const QString& server, const QString& account) = 0;
};

// The directory of this system.
std::unique_ptr<IAccountDirectory> CreateSystemAccountDirectory();
