#include "app/access/AccountDirectory.h"

#ifdef Q_OS_UNIX
#include "app/access/NssAccountDirectory.h"

std::unique_ptr<IAccountDirectory> CreateSystemAccountDirectory()
{
    return std::make_unique<CNssAccountDirectory>();
}
#else
namespace {
// Where no directory is available every query fails, which leaves the user
// at Read Only whenever the site has switched access levels on.
class CUnavailableAccountDirectory final : public IAccountDirectory {
public:
    std::optional<QString> ComputerName() override { return std::nullopt; }
    std::optional<QString> QualifiedAccountName() override { return std::nullopt; }
    std::optional<QStringList> LocalGroups(const QString&, const QString&) override { return std::nullopt; }
    std::optional<QStringList> GlobalGroups(const QString&, const QString&) override { return std::nullopt; }
};
} // namespace

std::unique_ptr<IAccountDirectory> CreateSystemAccountDirectory()
{
    return std::make_unique<CUnavailableAccountDirectory>();
}
#endif
