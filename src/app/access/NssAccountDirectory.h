#pragma once
// The account directory of a Linux (or other POSIX) system: the name service,
// which serves local accounts and, through sssd or winbind, domain accounts.
// Its entries (getpwuid_r, getpwnam_r, getgrouplist, getgrgid_r) are looked up
// in the C library at run time.
//
// Names. The current account is the effective user. Its NSS name gives the
// qualified name "DOMAIN\user":
//   "CORP\alice"          (winbind)            -> CORP\alice
//   "alice@corp.example"  (sssd, qualified)    -> corp.example\alice
//   "alice"               (local, or unqualified domain names) -> HOST\alice
// where HOST is this computer's short host name (up to the first dot).
//
// Queries. The name service has one view that merges local and domain
// groups, so the server of a query serves only to find the account:
//   local groups  = every group of the account, as the system grants them at
//                   log-in (getgrouplist: the primary group and all supplementary
//                   groups, nested domain groups already expanded by sssd/winbind);
//   global groups = the account's primary group.
// An account "D\u" (or u asked of server D) is looked up as "D\u", then "u@D",
// and as the bare "u" only when D is this computer (or empty): a user of
// another domain is never mistaken for a local account of the same name.

#include "app/access/AccountDirectory.h"
#include "app/access/FindLibraryFunction.h"

#include <QByteArray>

#include <sys/types.h>

class CNssAccountDirectory final : public IAccountDirectory {
public:
    std::optional<QString> ComputerName() override;
    std::optional<QString> QualifiedAccountName() override;
    std::optional<QStringList> LocalGroups(const QString& server, const QString& account) override;
    std::optional<QStringList> GlobalGroups(const QString& server, const QString& account) override;

private:
    struct Account {
        QByteArray name;
        gid_t primaryGroup = 0;
    };

    std::optional<Account> FindAccount(const QString& server, const QString& account);
    std::optional<Account> AccountByName(const QByteArray& name);
    std::optional<QString> GroupName(gid_t gid);

    CFindLibraryFunction libc_;
};
