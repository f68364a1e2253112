#pragma once
// How a logic object asks the user something: through an agent set on that
// object, not through process-wide functions. The desktop program, the
// command-line companion and tests each give the object the agent that fits;
// an object given none uses the default, which shows the message box of
// UserPrompts.h (so it follows whatever the program installed there).

#include "platform/UserPrompts.h"

class IUserQueryAgent {
public:
    virtual ~IUserQueryAgent() = default;
    virtual MsgAnswer Ask(const MessageBoxRequest& request) = 0;
};

// The agent used where none was set.
[[nodiscard]] IUserQueryAgent& DefaultUserQueryAgent();

// The holder a logic object keeps: the agent set on it, or the default.
class CUserQuery {
public:
    void SetAgent(IUserQueryAgent* agent) { agent_ = agent; }
    [[nodiscard]] IUserQueryAgent& Agent() const { return agent_ ? *agent_ : DefaultUserQueryAgent(); }
    MsgAnswer Ask(const QString& text, MsgIcon icon = MsgIcon::None, MsgButtons buttons = MsgButtons::Ok) const
    {
        return Agent().Ask(MessageBoxRequest{text, {}, icon, buttons, {}});
    }

private:
    IUserQueryAgent* agent_ = nullptr; // not owned
};
