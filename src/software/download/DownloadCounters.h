#pragma once
// The two counts every download engine of the program shares: how often the
// unit answered "busy" in a row, and how many requests were lost in the
// current failure window. One engine's reply in its idle state clears the
// busy count the others see, so the counts live outside the engines. The
// dialog's engine uses the program's one object; tests give each engine an
// object of their own.

class CDownloadCounters {
public:
    // The object the engines of this program share unless given another.
    [[nodiscard]] static CDownloadCounters& Program();

    [[nodiscard]] int BusyRetries() const { return busyRetries_; }
    void SetBusyRetries(int count) { busyRetries_ = count; }
    void CountBusyRetry() { ++busyRetries_; }

    [[nodiscard]] int SendFailures() const { return sendFailures_; }
    void ClearSendFailures() { sendFailures_ = 0; }
    // Counts one more lost request and gives the new count.
    int CountSendFailure() { return ++sendFailures_; }

    void Reset()
    {
        busyRetries_ = 0;
        sendFailures_ = 0;
    }

private:
    int busyRetries_ = 0;
    int sendFailures_ = 0;
};
