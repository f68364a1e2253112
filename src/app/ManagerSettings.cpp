#include "app/ManagerSettings.h"

#include "settings/UserSettings.h"

#include <array>

namespace {
const QString kIpAddressName = QStringLiteral("IP address");

struct DwordValue {
    const char* name;
    std::uint32_t CManagerSettings::*field;
};

// In the order they are read and written, after "IP address".
const std::array<DwordValue, 6> kDwordValues{{
    {"Q1 Address", &CManagerSettings::q1Address},
    {"Port Address", &CManagerSettings::portAddress},
    {"SwDl Logical Channel", &CManagerSettings::swdlLogicalChannel},
    {"SwDl Packet Size", &CManagerSettings::swdlPacketSize},
    {"Advanced Mode", &CManagerSettings::advancedMode},
    {"Retry_conn_Time", &CManagerSettings::retryConnTime},
}};
} // namespace

CManagerSettings::CManagerSettings()
    : ipAddress(QStringLiteral("192.168.255.120")),
      q1Address(131),
      portAddress(7000),
      swdlLogicalChannel(0),
      swdlPacketSize(228),
      advancedMode(0),
      saveEnabled(1),
      retryConnTime(60)
{
}

bool CManagerSettings::LoadSettings()
{
    loaded_ = 0;
    if (!OpenKeyForRead(RegRoot::CurrentUser, ManagerSettingsKeyPath()))
        return false;
    if (ReadString(kIpAddressName, ipAddress))
        loaded_ |= 1u;
    for (std::size_t i = 0; i < kDwordValues.size(); ++i) {
        if (ReadDword(QLatin1String(kDwordValues[i].name), this->*kDwordValues[i].field))
            loaded_ |= 1u << (i + 1);
    }
    CloseKey();
    return loaded_ == (1u << (kDwordValues.size() + 1)) - 1;
}

bool CManagerSettings::SaveSettings()
{
    if (saveEnabled == 0)
        return true;
    if (!CreateKey(RegRoot::CurrentUser, ManagerSettingsKeyPath()))
        return false;
    bool written = WriteString(kIpAddressName, ipAddress);
    for (const DwordValue& value : kDwordValues)
        written &= WriteDword(QLatin1String(value.name), this->*value.field);
    return CloseKey() && written;
}

std::vector<CManagerSettings::NamedValue> CManagerSettings::StoredValues() const
{
    std::vector<NamedValue> values;
    values.push_back({kIpAddressName, ipAddress, (loaded_ & 1u) != 0});
    for (std::size_t i = 0; i < kDwordValues.size(); ++i)
        values.push_back({QLatin1String(kDwordValues[i].name), QString::number(this->*kDwordValues[i].field),
                          (loaded_ & (1u << (i + 1))) != 0});
    return values;
}
