#pragma once
// One run of the command-line companion: opens the connection as the desktop
// tool does, then carries out one command and sets the exit status.

#include "link/CommHandler.h"
#include "platform/MessageTarget.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Exit statuses.
inline constexpr int kExitOk = 0;
inline constexpr int kExitOtherUnit = 1;     // identify: connected, but not a QORA unit
inline constexpr int kExitRequestFailed = 1; // raw: at least one request failed
inline constexpr int kExitNoConnection = 2;
inline constexpr int kExitCancelled = 3;       // a question was answered no
inline constexpr int kExitUsage = 64;

class CCliSession : public CMessageTarget {
    Q_OBJECT
public:
    using Requests = std::vector<std::vector<std::uint8_t>>;

    explicit CCliSession(std::string connection);
    ~CCliSession() override;

    // Start a command; the session quits the event loop with the exit status.
    void StartIdentify();
    void StartRaw(Requests requests);

protected:
    MsgResult OnMessage(unsigned message, MsgWParam wParam, MsgLParam lParam) override;

private:
    void OnNotice(ConnectionNotice notice);
    void OnReply(MsgWParam wParam, MsgLParam lParam);
    void SendNext();
    void Finish(int status);

    std::string connection_;
    CCommHandler handler_;
    std::function<void(bool qora)> onConnected_;
    Requests requests_;
    std::size_t next_ = 0;
    bool anyFailed_ = false;
    bool finished_ = false;
};
