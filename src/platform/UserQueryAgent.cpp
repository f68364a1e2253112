#include "platform/UserQueryAgent.h"

namespace {
class CMessageBoxAgent final : public IUserQueryAgent {
public:
    MsgAnswer Ask(const MessageBoxRequest& request) override { return ShowMessageBox(request); }
};
} // namespace

IUserQueryAgent& DefaultUserQueryAgent()
{
    static CMessageBoxAgent agent;
    return agent;
}
