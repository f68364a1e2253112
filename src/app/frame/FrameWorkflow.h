#pragma once
// What the connection workflow asks of the rest of the application: the
// commissioning road implements it; tests implement it with a recorder.

#include <QString>

class IFrameWorkflow {
public:
    virtual ~IFrameWorkflow() = default;

    // Opens the start-up work order and takes the numbered unit from it (the
    // user chooses when the number is negative); false when nothing was read.
    virtual bool LoadWorkOrder(const QString& path, int unitNumber) = 0;
    // The start-up commissioning, once the work order is open.
    virtual void RunStartupCommissioning() = 0;
    // A new connection starts: the wizard made for the last one goes.
    virtual void DeleteWizard() = 0;
    // The unit is back in commission mode after the wait that follows a reset.
    virtual void UnitBackAfterReset() {}
    // The wait after a reset ended without the unit (not back in time, or the
    // engineer disconnected or connected anew): what waited for it is dropped.
    virtual void UnitNotBackAfterReset() {}
};
