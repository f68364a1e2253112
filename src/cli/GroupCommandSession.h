#pragma once
// One connection for a command of qora-cli that works through data groups.

#include "link/CommHandler.h"
#include "platform/MessageTarget.h"

#include <QTimer>

#include <functional>
#include <string>

class CDataClass;
class CRequestChannel;

// One connection for a command that works through data groups: it is the
// main window (connection notices) and the handler the groups use, and it
// runs the event loop until the command finishes.
class CGroupCommandSession : public CMessageTarget {
    Q_OBJECT
public:
    explicit CGroupCommandSession(std::string connection);
    ~CGroupCommandSession() override;

    // Connects, calls `ready` once connected (in commission mode when asked),
    // and runs until Finish; returns the status given to it.
    int Run(bool commission, std::function<void()> ready);
    void Finish(int status);
    // How long the command may go without a sign of life from the unit
    // before it gives up (0: no limit); Run starts the count.
    void SetQuietLimit(int ms) { quietLimitMs_ = ms; }
    // A sign of life: the quiet count starts again.
    void KeepAlive();
    // Runs once the command finished, while the connection is still open
    // (a last word to the unit).
    void SetBeforeClose(std::function<void()> action) { beforeClose_ = std::move(action); }
    // Registers the group and makes this session the window it notifies.
    void Attach(CDataClass& group);
    void Attach(CRequestChannel& channel);
    // Group notices come here.
    void SetNoticeHandler(std::function<void(unsigned message, MsgWParam wParam)> handler)
    {
        onNotice_ = std::move(handler);
    }

protected:
    MsgResult OnMessage(unsigned message, MsgWParam wParam, MsgLParam lParam) override;

private:
    std::string connection_;
    CCommHandler handler_;
    bool commission_ = false;
    std::function<void()> ready_;
    std::function<void(unsigned, MsgWParam)> onNotice_;
    int status_ = 0;
    bool finished_ = false;
    bool started_ = false;
    std::function<void()> beforeClose_;
    int quietLimitMs_ = 60000;
    QTimer* limit_ = nullptr;
};
