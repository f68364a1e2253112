#pragma once
// The unit's identification, read in one request (parameter 0x9004): unit,
// hardware and serial number, and the main software, GPS software and FPGA
// versions of the active and the inactive firmware bank. Read-only.

#include "data/DataClass.h"
#include "protocol/VersionBlock.h"
#include "protocol/Vocabulary.h"

#include <QByteArray>

class CVersionData : public CDataClass {
    Q_OBJECT
public:
    static constexpr std::uint8_t kAddress = Protocol::Address::kVersion;
    static constexpr std::uint16_t kVersionBlock = Protocol::Param::kVersionBlock;
    static constexpr int kBlockLength = int(Protocol::SVersionBlock::kLength);
    // Shown instead of every value when the unit answers with a non-zero status.
    static constexpr const char* kNotAvailable = "N/A";

    CVersionData();

    bool Write() override;
    bool SendNextWrite() override;

    // The unit's texts, byte for byte (8-bit, no encoding assumed).
    [[nodiscard]] QByteArray GetUnitVersion() const { return unitVersion_; }
    [[nodiscard]] QByteArray GetHardwareVersion() const { return hardwareVersion_; }
    [[nodiscard]] QByteArray GetSerialNumber() const { return serialNumber_; }
    [[nodiscard]] QByteArray GetFpgaVersionActive() const { return fpgaActive_; }
    [[nodiscard]] QByteArray GetFpgaVersionInactive() const { return fpgaInactive_; }
    [[nodiscard]] QByteArray GetGpsVersionActive() const { return gpsActive_; }
    [[nodiscard]] QByteArray GetGpsVersionInactive() const { return gpsInactive_; }
    [[nodiscard]] QByteArray GetSoftwareVersionActive() const { return softwareActive_; }
    [[nodiscard]] QByteArray GetSoftwareVersionInactive() const { return softwareInactive_; }

protected:
    bool StoreValue(std::uint16_t id, const Value& value) override;
    bool AcceptReadStatus(std::uint16_t id, int status) override;

private:
    QByteArray unitVersion_;
    QByteArray hardwareVersion_;
    QByteArray serialNumber_;
    QByteArray fpgaActive_;
    QByteArray fpgaInactive_;
    QByteArray gpsActive_;
    QByteArray gpsInactive_;
    QByteArray softwareActive_;
    QByteArray softwareInactive_;
};

// The serial number as the tool shows it: a lone 0xFF byte (an unset serial)
// is shown as "--".
[[nodiscard]] QByteArray DisplaySerialNumber(const QByteArray& serial);

// An 8-bit unit text as a QString: byte for byte (Latin-1), as the unit's
// texts are plain ASCII with the odd 8-bit byte.
[[nodiscard]] QString UnitText(const QByteArray& bytes);
