#include "sim/Commissioning.h"

#include "sim/GpsClock.h"
#include "sim/SimOptions.h"
#include "sim/WriteEffects.h"

#include <array>
#include <utility>

namespace sim {
namespace {

constexpr std::array<const char*, 4> kStepNames = {"open", "block", "user", "close"};

void PutWord(std::vector<std::uint8_t>& out, std::uint32_t value, std::size_t size)
{
    for (std::size_t i = size; i-- > 0;)
        out.push_back(std::uint8_t(value >> (8 * i)));
}

void PutWordAt(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t value)
{
    for (std::size_t i = 0; i < 4; ++i)
        out[at + i] = std::uint8_t(value >> (24 - 8 * i));
}

// Where the GPS status reply holds altitude, latitude and longitude.
constexpr std::size_t kReportedAltitudeAt = 8;
constexpr std::size_t kReportedPositionEnd = 20;

} // namespace

std::optional<CommissioningStep> ParseCommissioningStep(const QString& text)
{
    for (std::size_t i = 0; i < kStepNames.size(); ++i) {
        if (text.compare(QLatin1String(kStepNames[i]), Qt::CaseInsensitive) == 0)
            return CommissioningStep(i);
    }
    return std::nullopt;
}

bool CCommissioning::Silent(CommissioningStep step) const
{
    return faults_.silentFrom && step >= *faults_.silentFrom;
}

std::optional<std::uint8_t> CCommissioning::Refusal(CommissioningStep step) const
{
    bool inOrder = false;
    switch (step) {
    case CommissioningStep::Open:
        inOrder = true; // a new bracket may always begin, also after an aborted one
        break;
    case CommissioningStep::Block:
        inOrder = state_ == State::Opened;
        break;
    case CommissioningStep::User:
        inOrder = state_ == State::BlockTaken;
        break;
    case CommissioningStep::Close:
        inOrder = state_ == State::UserTaken;
        break;
    }
    if (!inOrder || faults_.refuse == step)
        return kStatusNotAllowedNow;
    return std::nullopt;
}

void CCommissioning::Opened()
{
    state_ = State::Opened;
    staged_.reset();
}

void CCommissioning::BlockTaken(const CommissioningSetup& setup)
{
    if (!faults_.applyNothing)
        staged_ = setup;
    state_ = State::BlockTaken;
}

void CCommissioning::UserTaken()
{
    state_ = State::UserTaken;
}

void CCommissioning::Closed()
{
    pending_ = std::move(staged_);
    staged_.reset();
    state_ = State::Idle;
}

std::optional<CommissioningSetup> CCommissioning::TakePending(const CommissioningSetup& running)
{
    // A restart also ends a bracket that was never closed.
    state_ = State::Idle;
    staged_.reset();
    std::optional<CommissioningSetup> setup = std::exchange(pending_, std::nullopt);
    if (setup && setup->remote != 0)
        KeepNetwork(*setup, running);
    if (setup)
        applied_ = setup;
    return setup;
}

void CCommissioning::Restore(std::optional<CommissioningSetup> applied, std::optional<CommissioningSetup> pending)
{
    applied_ = std::move(applied);
    pending_ = std::move(pending);
    state_ = State::Idle;
    staged_.reset();
}

std::vector<std::uint8_t> CommissionedPosition(const CommissioningSetup& setup)
{
    GpsSetup gps;
    gps.latitude = setup.latitude;
    gps.longitude = setup.longitude;
    gps.altitudeCm = setup.altitudeCm;
    gps.mode = setup.gpsMode;
    return GpsPositionValue(gps);
}

std::vector<CommissionedValue> CommissionedValues(const CommissioningSetup& setup,
                                                  std::span<const std::uint8_t> busOptions)
{
    std::vector<CommissionedValue> values;
    values.push_back({kGpsPositionId, CommissionedPosition(setup)});
    std::vector<std::uint8_t> antenna;
    PutWord(antenna, std::uint32_t(setup.antennaDelayNs), 4);
    values.push_back({kAntennaDelayId, std::move(antenna)});
    std::vector<std::uint8_t> frameClock;
    PutWord(frameClock, setup.frameClockDelayNs, 2);
    values.push_back({kFrameClockDelayId, std::move(frameClock)});
    // The bus options keep their reserved bytes.
    std::vector<std::uint8_t> bus(busOptions.begin(), busOptions.end());
    if (bus.size() < 2)
        bus.resize(2, 0);
    bus[0] = setup.q1Relay;
    bus[1] = setup.onePps;
    values.push_back({kBusOptionsId, std::move(bus)});
    return values;
}

void ReportCommissionedPosition(const CommissioningSetup& setup, std::vector<std::uint8_t>& reply,
                                std::size_t start)
{
    if (reply.size() < start + kReportedPositionEnd)
        return;
    PutWordAt(reply, start + kReportedAltitudeAt, std::uint32_t(setup.altitudeCm));
    PutWordAt(reply, start + kReportedAltitudeAt + 4, std::uint32_t(PackedAngle(setup.latitude)));
    PutWordAt(reply, start + kReportedAltitudeAt + 8, std::uint32_t(PackedAngle(setup.longitude)));
}

bool IsCommissioningFlag(const QString& name)
{
    return name == u"--apply-nothing";
}

CommissioningOptionParse ParseCommissioningOption(const QString& name, const QString& value,
                                                  CommissioningFaults& faults, QString& error)
{
    if (name == u"--apply-nothing") {
        faults.applyNothing = true;
        return CommissioningOptionParse::Taken;
    }
    std::optional<CommissioningStep>* target = nullptr;
    if (name == u"--commission-refuse")
        target = &faults.refuse;
    else if (name == u"--commission-silent")
        target = &faults.silentFrom;
    else
        return CommissioningOptionParse::NotMine;
    *target = ParseCommissioningStep(value);
    if (!*target) {
        error = QStringLiteral("%1: '%2' is not one of open, block, user, close").arg(name, value);
        return CommissioningOptionParse::Bad;
    }
    return CommissioningOptionParse::Taken;
}

QString CommissioningHelpText()
{
    return QStringLiteral(
        "Commissioning:\n"
        "  A unit takes the opening command (null route 53 01 00 01), the commissioning\n"
        "  block 0x9001 (88 bytes), the user block 0x9002 and the closing command\n"
        "  (53 01 00 00) in that order only; each is answered 54 02 / 54 56 with a status:\n"
        "  0 taken, 2 a block it does not take (layout, addresses, GPS mode 0..2, Q1\n"
        "  address 0..4095, speed code 3..12, frame clock delay up to 4800 ns), 3 not\n"
        "  allowed now (out of order, or 0x9001 or the closing command outside a\n"
        "  bracket). 0x9002 outside a bracket is the ordinary user information write.\n"
        "  The closed block is pending until the next reset (or activation, or a\n"
        "  restart of the simulator with --state): then the unit takes its position and\n"
        "  GPS mode (0xC001 and the GPS status reply), delays (0xC003, 0xC004), bus\n"
        "  options (0xB002) and moves to its new IP and Q1 address, where OPEN finds it\n"
        "  (and no longer at the old one). A remote block (bytes 84..87 = 1, sent by a\n"
        "  tool on a remote connection) may leave its three addresses empty (zero\n"
        "  bytes) and changes neither the IP address, subnet mask and gateway nor the\n"
        "  Q1 address and speed: the unit stays where it was. 0x9001 reads back the\n"
        "  last block taken.\n"
        "  --commission-refuse STEP answer STEP (open, block, user or close) with status\n"
        "                          3 whenever it comes, changing nothing\n"
        "  --commission-silent STEP\n"
        "                          do not answer STEP or any later step (TRANSFER result\n"
        "                          2); the unit does not act on them\n"
        "  --apply-nothing         answer every step of a commissioning as taken (status\n"
        "                          0) but keep and apply nothing: the user texts, 0x9001\n"
        "                          and the unit's position, delays, bus options and\n"
        "                          address stay as they were, also after the reset\n");
}

} // namespace sim
