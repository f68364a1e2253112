#pragma once
// The unit's two firmware banks: reads the names of the active and the
// inactive firmware, and makes the inactive one active (the unit restarts
// afterwards). Its requests are unit commands (class 0x86) of their own rather
// than parameter reads and writes, so it replaces the framework's operations:
// state 1 is reading the names, state 2 activating.

#include "data/DataClass.h"
#include "protocol/FirmwareNames.h"
#include "protocol/Vocabulary.h"

#include <QByteArray>
#include <QString>

class CSoftwareActivation : public CDataClass {
    Q_OBJECT
public:
    static constexpr std::uint8_t kAddress = Protocol::Address::kActivation;
    static constexpr std::uint8_t kCommandClass = Protocol::Class::kUnitCommand;
    static constexpr std::uint8_t kOpReadNames = Protocol::Op::kReadFirmwareNames;
    static constexpr std::uint8_t kOpNamesReply = Protocol::Op::kFirmwareNamesReply;
    static constexpr std::uint8_t kOpActivate = Protocol::Op::kActivate;
    static constexpr std::uint8_t kOpActivateReply = Protocol::Op::kActivateReply;
    // Each name is a zero-terminated text in a 16-byte field of the reply.
    static constexpr std::int32_t kNameField = std::int32_t(Protocol::SFirmwareNames::kNameField);
    static constexpr std::int32_t kActiveNameOffset = std::int32_t(Protocol::SFirmwareNames::kActiveNameAt);
    static constexpr std::int32_t kInactiveNameOffset = std::int32_t(Protocol::SFirmwareNames::kInactiveNameAt);
    // The activate request counts the name and its terminator in one byte.
    static constexpr int kMaxActivateName = 0xFE;

    CSoftwareActivation();

    // Idle: asks the unit for both names; true. Reading: true, nothing sent.
    // Activating: false.
    bool Read() override;
    bool SendNextRead() override;
    // The group writes no parameters.
    bool Write() override;
    bool SendNextWrite() override;

    // Idle: asks the unit to activate the named (inactive) firmware; true.
    // Activating: true, nothing sent. Reading, or a name too long for the
    // request: false.
    bool Activate(const QByteArray& name);

    // The unit's names, byte for byte; empty for an empty bank.
    [[nodiscard]] const QByteArray& GetActiveName() const { return activeName_; }
    [[nodiscard]] const QByteArray& GetInactiveName() const { return inactiveName_; }
    // What the dialog shows when the operation reports failure.
    [[nodiscard]] const QString& GetErrorText() const { return errorText_; }

protected:
    bool StoreValue(std::uint16_t id, const Value& value) override;

private:
    // The group's channel hands over every reply and this group's own lost
    // requests; activation reads its own replies instead of parameter values.
    void OnUnitReply(const CDeviceMessage& reply) override;
    void OnRequestLost(MsgLParam header) override;
    void ParseNames(const CDeviceMessage& reply);
    void ParseActivateResult(const CDeviceMessage& reply);

    QByteArray activeName_;
    QByteArray inactiveName_;
    QString errorText_;
};
