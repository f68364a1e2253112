#pragma once
// Reads back, through the application's communication handler, what a unit
// reports of the values a commissioning wrote: the GPS position and mode, the
// two delays, the bus options and the user texts, one group after another.

#include "commissioning/verify/VerifyTable.h"
#include "data/gps/GpsData.h"
#include "data/system/SystemData.h"
#include "data/system/UserData.h"
#include "data/timing/TimingData.h"
#include "platform/MessageTarget.h"

#include <functional>

class CUnitReadBack : public CMessageTarget {
    Q_OBJECT
public:
    using Done = std::function<void(const SUnitReadBack& read)>;

    explicit CUnitReadBack(QObject* parent = nullptr);
    ~CUnitReadBack() override;

    // Starts the reads on a connected unit; `done` runs once, when every group
    // answered or failed (a group that failed stays empty in the result).
    void Start(Done done);
    [[nodiscard]] bool Running() const { return step_ >= 0; }

protected:
    MsgResult OnMessage(unsigned message, MsgWParam wParam, MsgLParam lParam) override;

private:
    void ReadStep();
    void StoreStep(bool ok);
    void Finish();

    CGPSData gps_;
    CRFData delays_;
    CSystemData system_;
    CUserData user_;
    SUnitReadBack read_;
    Done done_;
    int step_ = -1; // -1: not running
};
