// Every data group's handling of the unit's replies, fed the way the handler
// delivers them: the group listens to the application's handler, a read (or a
// write) is started so that a reply is awaited, and each fuzzed reply goes
// into the receive queue followed by WM_DEVICE_MESSAGE.
//
// Input: a group byte (low bits: which group; 0x80: write instead of read),
// then records of one flag byte and a 16-bit big-endian length with the reply.
// Flags let a record take the identifier the group waits for (0x01) and a
// length byte that matches its size (0x02) and the group's addressing byte
// (0x10), so that the fuzzer reaches the value decoders; 0x04 delivers a
// failed request instead, 0x08 starts the operation again first.

#include "FuzzSupport.h"
#include "PlayedHandler.h"

#include "data/constlog/ConstLogData.h"
#include "data/gps/GpsData.h"
#include "data/system/SystemData.h"
#include "data/system/UserData.h"
#include "data/timing/TimingData.h"
#include "data/version/VersionData.h"

#include <memory>
#include <vector>

namespace {

enum Flag : std::uint8_t { kTakeId = 0x01, kFitLength = 0x02, kFailure = 0x04, kRestart = 0x08, kOwnAddress = 0x10 };
constexpr int kGroups = 7;
constexpr std::size_t kMaxRecords = 64;

std::unique_ptr<CDataClass> MakeGroup(int which)
{
    switch (which) {
    case 0: return std::make_unique<CGPSData>();
    case 1: return std::make_unique<CVersionData>();
    case 2: {
        auto group = std::make_unique<CConstLogData>();
        // What the default would save to a file: build the log's bytes instead.
        group->SetStatisticsHandler([](CConstLogData& g) {
            bool suspect = false;
            (void)ConstLogFileBytes(g.Report(), &suspect);
        });
        return group;
    }
    case 3: return std::make_unique<CClockTimingData>();
    case 4: return std::make_unique<CRFData>();
    case 5: return std::make_unique<CSystemData>();
    default: return std::make_unique<CUserData>();
    }
}

void Start(CDataClass& group, bool write)
{
    if (auto* constLog = dynamic_cast<CConstLogData*>(&group))
        constLog->Start();
    else if (write)
        group.WriteAll();
    else
        group.ReadAll();
}

// The texts the dialogs show of what the group stored.
void ShowValues(CDataClass& group)
{
    if (auto* gps = dynamic_cast<CGPSData*>(&group)) {
        (void)GpsDateText(gps->GetDateTime());
        (void)GpsTimeText(gps->GetDateTime());
        (void)AltitudeFieldText(gps->GetAltitude(), QStringLiteral("0"));
        (void)AltitudeText(gps->GetAltitude(), QStringLiteral("1"), true);
    } else if (auto* version = dynamic_cast<CVersionData*>(&group)) {
        (void)UnitText(DisplaySerialNumber(version->GetSerialNumber()));
        (void)UnitText(version->GetSoftwareVersionInactive());
    } else if (auto* system = dynamic_cast<CSystemData*>(&group)) {
        (void)FrameNumberOffsetText(*system);
        (void)TimeSlotOffsetText(*system);
    } else if (auto* user = dynamic_cast<CUserData*>(&group)) {
        (void)FieldTextFromUnit(user->GetComments());
        (void)UserDateText(user->GetDate());
        (void)user->UserBlock();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::PlayedHandler& played = fuzz::PlayedHandler::Instance();
    fuzz::InputReader input({data, size});
    const std::uint8_t choice = input.Byte();
    const bool write = (choice & 0x80) != 0;

    std::unique_ptr<CDataClass> group = MakeGroup((choice & 0x7F) % kGroups);
    group->Register();
    Start(*group, write);
    (void)played.TakeRequests();

    for (std::size_t n = 0; n < kMaxRecords && !input.Empty(); ++n) {
        const std::uint8_t flags = input.Byte();
        std::vector<std::uint8_t> reply;
        const auto bytes = input.Record();
        reply.assign(bytes.begin(), bytes.end());
        if (flags & kRestart)
            Start(*group, write);
        if ((flags & kTakeId) && reply.size() >= 7) {
            const auto& pending = write ? group->PendingWrites() : group->PendingReads();
            const std::uint16_t id = pending.empty() ? 0 : pending.front();
            // Read replies carry the identifier at 5, write replies at 3.
            const std::size_t at = write ? 3 : 5;
            reply[at] = static_cast<std::uint8_t>(id >> 8);
            reply[at + 1] = static_cast<std::uint8_t>(id);
        }
        if ((flags & kOwnAddress) && reply.size() >= 2)
            reply[1] = group->GetAddress();
        if ((flags & kFitLength) && reply.size() >= 8)
            reply[7] = static_cast<std::uint8_t>(reply.size() - 5);
        if (flags & kFailure)
            played.Failure(0x841705);
        else
            played.Reply(reply);
        (void)played.TakeRequests();
    }

    ShowValues(*group);
    group->Unregister();
    group.reset();
    fuzz::DeliverPosted();
    (void)played.TakeRequests();
    return 0;
}
