#pragma once
// The commissioning group: writes the commissioning block (0x9001) and the
// user block (0x9002) between an opening command (pseudo-identifier 0xFFFF,
// argument 1) and a closing command (0xFFFE, argument 0), each item sent only
// after the unit acknowledged the previous one. It writes only, and tells its
// windows WM_COMMISSION_WRITE_DONE (wParam 1 every item acknowledged, 0
// failure). It keeps no operation state and shows no progress of its own: the
// progress dialog runs while it writes.

#include "commissioning/CommissionValues.h"
#include "commissioning/procedure/CommissionBlocks.h"
#include "data/DataClass.h"
#include "protocol/Vocabulary.h"

#include <cstdint>

class CCommissionData : public CDataClass {
    Q_OBJECT
public:
    static constexpr std::uint8_t kAddress = Protocol::Address::kCommissioning;
    static constexpr std::uint16_t kCommissioningBlockId = Protocol::Param::kCommissioningBlock;
    static constexpr std::uint16_t kUserBlockId = Protocol::Param::kUserBlock;
    static constexpr std::uint16_t kOpeningCommand = kLeadingCommand; // 0xFFFF
    static constexpr std::uint16_t kClosingCommand = 0xFFFE;

    CCommissionData();

    // Each setter stores its value and queues the block it belongs to.
    void SetLongitude(double degrees);
    void SetLatitude(double degrees);
    void SetAltitude(std::int32_t centimetres);
    void SetPositionLocked(std::int32_t flag);
    void SetSelfSurvey(std::int32_t flag);
    void SetGpsAntennaDelay(std::int32_t ns);
    void SetFrameClockDelay(std::int32_t ns);
    void SetOnePps(std::uint8_t flag);
    void SetQ1Relay(std::uint8_t flag);
    void SetSubnetMask(const QString& text);
    void SetGatewayAddress(const QString& text);
    void SetIpAddress(const QString& text);
    void SetQ1Address(std::int32_t address);
    void SetQ1SpeedCode(std::int32_t code);
    void SetRemoteConnection(bool remote);
    void SetUserName(const QString& text);
    void SetActions(const QString& text);
    void SetComments(const QString& text);
    void SetYear(std::int32_t year);
    void SetMonth(std::int32_t month);
    void SetDay(std::int32_t day);

    // A new run with the wizard's values: forgets whatever an earlier,
    // aborted run left queued, then sets every member, all of the
    // commissioning block before the user block, so the queue reads 0x9001,
    // 0x9002.
    void SetCommissionValues(const SCommissionValues& values);

    [[nodiscard]] const SCommissioningBlockValues& CommissioningValues() const { return block_; }
    [[nodiscard]] const SUserBlockValues& UserValues() const { return user_; }

    // Nothing to read in this group.
    bool Read() override;
    bool SendNextRead() override;
    // Sends the first pending item when a unit is connected; false (and
    // nothing sent) otherwise.
    bool Write() override;
    // Sends the first pending item, or reports the write done when none is left.
    bool SendNextWrite() override;

protected:
    bool StoreValue(std::uint16_t id, const Value& value) override;
    MsgResult OnMessage(unsigned message, MsgWParam wParam, MsgLParam lParam) override;

private:
    void OnReply(const CDeviceMessage& reply);
    void Fail();

    SCommissioningBlockValues block_;
    SUserBlockValues user_;
};
