#include "app/access/NssAccountDirectory.h"

#include <QSysInfo>

#include <algorithm>
#include <cerrno>
#include <grp.h>
#include <pwd.h>
#include <type_traits>
#include <unistd.h>
#include <vector>

#if __has_include(<gnu/lib-names.h>)
#include <gnu/lib-names.h>
#endif

namespace {
#ifdef LIBC_SO
const QString kLibc = QStringLiteral(LIBC_SO);
#else
const QString kLibc = QStringLiteral("libc.so.6");
#endif

// Entries of large domain groups can need big buffers; beyond these bounds a
// lookup counts as failed.
constexpr std::size_t kFirstBuffer = 1024;
constexpr std::size_t kMaxBuffer = std::size_t(4) << 20;
constexpr std::size_t kMaxGroups = 65536;

// Runs a reentrant lookup (getpwnam_r and kin), growing the buffer while it is
// too small, and hands the entry found to `read`. Nothing when there is no
// such entry or the lookup fails.
template <class Entry, class Lookup, class Read>
auto ReentrantLookup(Lookup lookup, Read read) -> std::optional<std::invoke_result_t<Read, const Entry&>>
{
    std::vector<char> buffer(kFirstBuffer);
    for (;;) {
        Entry entry{};
        Entry* result = nullptr;
        const int rc = lookup(&entry, buffer.data(), buffer.size(), &result);
        const bool tooSmall = rc == ERANGE || (rc < 0 && errno == ERANGE);
        if (tooSmall && buffer.size() < kMaxBuffer) {
            buffer.resize(buffer.size() * 2);
            continue;
        }
        if (rc != 0 || result == nullptr)
            return std::nullopt;
        return read(*result);
    }
}
} // namespace

std::optional<QString> CNssAccountDirectory::ComputerName()
{
    const QString host = QSysInfo::machineHostName().section(QLatin1Char('.'), 0, 0);
    if (host.isEmpty())
        return std::nullopt;
    return host;
}

std::optional<QString> CNssAccountDirectory::QualifiedAccountName()
{
    auto* byUid = libc_.FindFunctionAs<decltype(::getpwuid_r)>(kLibc, "getpwuid_r");
    if (byUid == nullptr)
        return std::nullopt;
    const uid_t uid = geteuid();
    const auto name = ReentrantLookup<passwd>(
        [&](passwd* entry, char* buffer, std::size_t size, passwd** result) {
            return byUid(uid, entry, buffer, size, result);
        },
        [](const passwd& entry) { return QString::fromLocal8Bit(entry.pw_name); });
    if (!name || name->isEmpty())
        return std::nullopt;

    if (name->contains(QLatin1Char('\\')))
        return name;
    const qsizetype at = name->lastIndexOf(QLatin1Char('@'));
    if (at > 0 && at + 1 < name->size())
        return name->mid(at + 1) + QLatin1Char('\\') + name->left(at);
    const auto computer = ComputerName();
    if (!computer)
        return std::nullopt;
    return *computer + QLatin1Char('\\') + *name;
}

std::optional<QStringList> CNssAccountDirectory::LocalGroups(const QString& server, const QString& account)
{
    const auto found = FindAccount(server, account);
    if (!found)
        return std::nullopt;
    auto* groupList = libc_.FindFunctionAs<decltype(::getgrouplist)>(kLibc, "getgrouplist");
    if (groupList == nullptr)
        return std::nullopt;

    // getgrouplist reports -1 and the count it needs when the array is short.
    std::vector<gid_t> gids(64);
    for (int attempt = 0;; ++attempt) {
        int count = static_cast<int>(gids.size());
        if (groupList(found->name.constData(), found->primaryGroup, gids.data(), &count) >= 0) {
            gids.resize(std::min(gids.size(), static_cast<std::size_t>(std::max(count, 0))));
            break;
        }
        const std::size_t wanted = count > static_cast<int>(gids.size()) ? static_cast<std::size_t>(count)
                                                                          : gids.size() * 2;
        if (attempt == 8 || wanted > kMaxGroups)
            return std::nullopt;
        gids.resize(wanted);
    }

    QStringList names;
    for (const gid_t gid : gids) {
        // A group without a name cannot be the one looked for.
        const auto name = GroupName(gid);
        if (name && !names.contains(*name))
            names.append(*name);
    }
    return names;
}

std::optional<QStringList> CNssAccountDirectory::GlobalGroups(const QString& server, const QString& account)
{
    const auto found = FindAccount(server, account);
    if (!found)
        return std::nullopt;
    QStringList names;
    if (const auto name = GroupName(found->primaryGroup))
        names.append(*name);
    return names;
}

std::optional<CNssAccountDirectory::Account> CNssAccountDirectory::FindAccount(const QString& server,
                                                                               const QString& account)
{
    QString domain = server;
    QString user = account;
    if (const qsizetype slash = account.indexOf(QLatin1Char('\\')); slash >= 0) {
        domain = account.left(slash);
        user = account.mid(slash + 1);
    }
    if (user.isEmpty())
        return std::nullopt;

    QStringList candidates;
    if (!domain.isEmpty())
        candidates << domain + QLatin1Char('\\') + user << user + QLatin1Char('@') + domain;
    const auto computer = ComputerName();
    if (domain.isEmpty() || (computer && domain.compare(*computer, Qt::CaseInsensitive) == 0))
        candidates << user;
    for (const QString& candidate : candidates) {
        if (auto found = AccountByName(candidate.toLocal8Bit()))
            return found;
    }
    return std::nullopt;
}

std::optional<CNssAccountDirectory::Account> CNssAccountDirectory::AccountByName(const QByteArray& name)
{
    auto* byName = libc_.FindFunctionAs<decltype(::getpwnam_r)>(kLibc, "getpwnam_r");
    if (byName == nullptr)
        return std::nullopt;
    return ReentrantLookup<passwd>(
        [&](passwd* entry, char* buffer, std::size_t size, passwd** result) {
            return byName(name.constData(), entry, buffer, size, result);
        },
        [](const passwd& entry) { return Account{QByteArray(entry.pw_name), entry.pw_gid}; });
}

std::optional<QString> CNssAccountDirectory::GroupName(gid_t gid)
{
    auto* byGid = libc_.FindFunctionAs<decltype(::getgrgid_r)>(kLibc, "getgrgid_r");
    if (byGid == nullptr)
        return std::nullopt;
    auto name = ReentrantLookup<group>(
        [&](group* entry, char* buffer, std::size_t size, group** result) {
            return byGid(gid, entry, buffer, size, result);
        },
        [](const group& entry) { return QString::fromLocal8Bit(entry.gr_name); });
    if (!name || name->isEmpty())
        return std::nullopt;
    return name;
}
