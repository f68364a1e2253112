#include "commissioning/verify/UnitReadBack.h"

#include "platform/LogCategories.h"
#include "platform/MessageIds.h"


#include <cmath>
#include <utility>

namespace {

enum Step { kPosition, kDelays, kBus, kUser, kSteps };

constexpr unsigned kReadDone[kSteps] = {WM_GPS_READ_DONE, WM_TIMECALC_READ_DONE, WM_SYSTEM_READ_DONE,
                                        WM_USERINFO_READ_DONE};

std::int32_t RawDegrees(double degrees)
{
    // The group keeps raw / 10 000 000; rounding gives the raw value back.
    return std::int32_t(std::llround(degrees * 10000000.0));
}

} // namespace

CUnitReadBack::CUnitReadBack(QObject* parent) : CMessageTarget(parent)
{
    for (CDataClass* group : {static_cast<CDataClass*>(&gps_), static_cast<CDataClass*>(&delays_),
                              static_cast<CDataClass*>(&system_), static_cast<CDataClass*>(&user_)})
        group->AddWindow(this);
}

CUnitReadBack::~CUnitReadBack()
{
    gps_.Unregister();
    delays_.Unregister();
    system_.Unregister();
    user_.Unregister();
}

void CUnitReadBack::Start(Done done)
{
    done_ = std::move(done);
    read_ = {};
    step_ = kPosition;
    gps_.Register();
    delays_.Register();
    system_.Register();
    user_.Register();
    ReadStep();
}

void CUnitReadBack::ReadStep()
{
    CDataClass* groups[kSteps] = {&gps_, &delays_, &system_, &user_};
    while (step_ >= 0 && step_ < kSteps) {
        if (groups[step_]->ReadAll())
            return; // its notice continues
        qCWarning(lcCommissioning, "read-back: group %d could not be read (not connected)", step_);
        ++step_;
    }
    Finish();
}

void CUnitReadBack::StoreStep(bool ok)
{
    if (!ok) {
        qCWarning(lcCommissioning, "read-back: group %d failed", step_);
        return;
    }
    switch (step_) {
    case kPosition:
        read_.position = SUnitReadBack::Position{RawDegrees(gps_.GetLatitude()), RawDegrees(gps_.GetLongitude()),
                                                 gps_.GetAltitude(), gps_.GetSurveyedPosition()};
        break;
    case kDelays:
        read_.delays = SUnitReadBack::Delays{delays_.GetGpsAntennaDelay(), delays_.GetFrameClockDelay()};
        break;
    case kBus:
        read_.bus = SUnitReadBack::BusOptions{system_.GetLastDevice(), system_.GetOnePps()};
        break;
    case kUser:
    {
        // The numbers as the unit holds them, also when they make no calendar date.
        const UserDate& d = user_.GetDate();
        read_.user = SUnitReadBack::UserTexts{user_.GetName(),
                                              QString::asprintf("%04d/%02d/%02d", d.year, d.month, d.day).toLatin1(),
                                              user_.GetComments(), user_.GetActions()};
    }
        break;
    default:
        break;
    }
}

void CUnitReadBack::Finish()
{
    step_ = -1;
    gps_.Unregister();
    delays_.Unregister();
    system_.Unregister();
    user_.Unregister();
    if (Done done = std::exchange(done_, nullptr))
        done(read_);
}

MsgResult CUnitReadBack::OnMessage(unsigned message, MsgWParam wParam, MsgLParam)
{
    if (step_ < 0 || step_ >= kSteps || message != kReadDone[step_])
        return 0;
    StoreStep(wParam != 0);
    ++step_;
    ReadStep();
    return 0;
}
