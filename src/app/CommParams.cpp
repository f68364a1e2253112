#include "app/CommParams.h"

#include "app/ManagerSettings.h"
#include "platform/FieldRange.h"
#include "platform/UserPrompts.h"

CCommParams::CCommParams(CManagerSettings& settings) : settings_(settings) {}

CCommParams::Entries CCommParams::Open()
{
    Entries entries;
    settings_.LoadSettings();
    if (const auto address = ParseIpv4(settings_.ipAddress))
        entries.address = *address;
    entries.q1Address = settings_.q1Address;
    return entries;
}

CCommParams::AddressCheck CCommParams::CheckAddress(const Ipv4Fields& address)
{
    switch (address[0]) {
    case 192:
        return address[1] == 168 ? AddressCheck::Accepted : AddressCheck::WrongSecondField;
    case 172:
        return address[1] >= 16 && address[1] <= 31 ? AddressCheck::Accepted : AddressCheck::WrongSecondField;
    case 10:
        return AddressCheck::Accepted;
    default:
        return AddressCheck::WrongFirstField;
    }
}

QString CCommParams::RangesMessage()
{
    const auto range = [](const Ipv4Fields& from, const Ipv4Fields& to) {
        return FormatIpv4(from) + QStringLiteral(" - ") + FormatIpv4(to);
    };
    return QStringLiteral("Valid ranges for IP Address are :\n\n") + QStringLiteral("i) ") +
           range({192, 168, 0, 0}, {192, 168, 255, 255}) + QStringLiteral("\nii) ") +
           range({172, 16, 0, 0}, {172, 31, 255, 255}) + QStringLiteral("\niii) ") +
           range({10, 0, 0, 0}, {10, 255, 255, 255});
}

CCommParams::Focus CCommParams::Ok(const Ipv4Fields& address, const QString& q1Text)
{
    const AddressCheck check = CheckAddress(address);
    if (check != AddressCheck::Accepted) {
        ShowMessageBox(RangesMessage(), MsgIcon::None, MsgButtons::Ok);
        return check == AddressCheck::WrongFirstField ? Focus::AddressFirstField : Focus::AddressSecondField;
    }
    std::uint32_t q1Address = 0;
    if (!TakeUnsignedFieldOrWarn(q1Text, 0, kMaxQ1Address, q1Address))
        return Focus::Q1Address;
    // Only an accepted dialog changes the settings.
    settings_.ipAddress = FormatIpv4(address);
    settings_.q1Address = q1Address;
    settings_.SaveSettings();
    return Focus::None;
}
