#pragma once
// Asks the unit for the three status answers the status windows show (GPS
// status, installation status, constellation statistics) and keeps them as
// decoded records, for the commands that print, record or report them. It
// asks as the windows do: only in commission mode, at once and every 5 s
// while refreshing, or one round when told. Any request that fails clears
// what is kept, as the windows clear what they show. Widget-free; lives in
// the command's thread.

#include "link/DeviceMessage.h"
#include "platform/MessageTarget.h"
#include "protocol/ConstellationStatistics.h"
#include "protocol/GpsStatus.h"
#include "protocol/InstallationStatus.h"

#include <initializer_list>

// What the unit last said, as far as its replies went.
struct SCliStatus {
    Protocol::SGpsStatus gps;
    // A GPS reply long enough to carry channel states has come (the weak rule).
    bool channelStatesReceived = false;
    Protocol::SInstallationStatus installation;
    Protocol::SConstellationStatistics constellation;
    // The statistics came whole and no request failed since.
    bool constellationValid = false;
};

class CCliStatusPoller : public CMessageTarget {
    Q_OBJECT
public:
    enum class Kind { Gps, Installation, Constellation };
    static constexpr int kRefreshTimerId = 1;
    static constexpr int kRefreshMs = 5000;

    explicit CCliStatusPoller(QObject* parent = nullptr);
    ~CCliStatusPoller() override;

    // Listens to the unit. With `refresh`, asks for all three at once and
    // again every 5 s until Stop.
    void Start(bool refresh);
    void Stop();
    // Sends these requests now, in this order; without commission mode the
    // kind is cleared instead.
    void Request(std::initializer_list<Kind> kinds);

    [[nodiscard]] const SCliStatus& Status() const { return status_; }

signals:
    // A reply of this kind was decoded whole.
    void Answered(CCliStatusPoller::Kind kind);
    // A request did not reach the unit or was not answered; everything kept is cleared.
    void RequestFailed();

protected:
    MsgResult OnMessage(unsigned message, MsgWParam wParam, MsgLParam lParam) override;
    void OnTimer(int timerId) override;

private:
    void Clear(Kind kind);
    void Decode(const CDeviceMessage& reply);

    SCliStatus status_;
};
