#include "sim/FirmwareBanks.h"

#include <algorithm>
#include <utility>

namespace sim {
namespace {

constexpr std::size_t kNameField = 16;
constexpr std::uint8_t kNamePresent = 0;
constexpr std::uint8_t kBankEmpty = 1;

void AppendField(std::vector<std::uint8_t>& out, const std::string& name)
{
    const std::size_t start = out.size();
    out.resize(start + kNameField, 0);
    std::copy_n(name.begin(), std::min(name.size(), kNameField - 1), out.begin() + std::ptrdiff_t(start));
}

} // namespace

bool IsValidBankName(std::string_view name)
{
    return !name.empty() && name.size() <= kMaxBankName
        && std::all_of(name.begin(), name.end(), [](char c) { return c >= 0x20 && c <= 0x7E; });
}

CFirmwareBanks::CFirmwareBanks(std::string active, std::string inactive)
    : active_(std::move(active)), inactive_(std::move(inactive))
{
}

void CFirmwareBanks::AppendNames(std::vector<std::uint8_t>& out) const
{
    out.push_back(active_.empty() ? kBankEmpty : kNamePresent);
    out.push_back(inactive_.empty() ? kBankEmpty : kNamePresent);
    AppendField(out, active_);
    AppendField(out, inactive_);
}

void CFirmwareBanks::StoreDownloaded(const std::string& name)
{
    inactive_ = name;
    changed_ = true;
}

std::uint16_t CFirmwareBanks::ActivationResult(std::string_view name) const
{
    if (inactive_.empty())
        return kActivationEmptyBank;
    if (name != inactive_)
        return kActivationWrongName;
    return 0;
}

std::uint16_t CFirmwareBanks::Activate(std::string_view name)
{
    if (const std::uint16_t refused = ActivationResult(name); refused != 0)
        return refused;
    std::swap(active_, inactive_);
    changed_ = true;
    return 0;
}

bool CFirmwareBanks::Restore(const std::string& active, const std::string& inactive)
{
    if (!IsValidBankName(active) || !(inactive.empty() || IsValidBankName(inactive)))
        return false;
    active_ = active;
    inactive_ = inactive;
    changed_ = true;
    return true;
}

} // namespace sim
