#pragma once
// The two requests of a sweep that name the unit: the version block (for the
// serial number) and the firmware names as software activation reads them,
// and their texts as the fleet shows them. The decoding is the protocol
// library's: a short or refused reply gives nothing.

#include "link/DeviceMessage.h"

#include <QString>

#include <optional>

[[nodiscard]] CDeviceMessage VersionBlockRequest();
[[nodiscard]] CDeviceMessage FirmwareNamesRequest();

// The serial number as the tool shows it, trimmed.
[[nodiscard]] std::optional<QString> SerialNumberOf(const CDeviceMessage& versionReply);

struct SFirmwareNames {
    QString active;   // empty: the bank is empty
    QString inactive;
};
[[nodiscard]] std::optional<SFirmwareNames> FirmwareNamesOf(const CDeviceMessage& namesReply);
