#pragma once
// Answers message boxes on the user's behalf while it lives, and keeps what was shown.

#include "platform/UserPrompts.h"

#include <vector>

class PromptRecorder {
public:
    explicit PromptRecorder(MsgAnswer answer = MsgAnswer::Ok)
    {
        previous_ = SetMessageBoxFunction([this, answer](const MessageBoxRequest& request) {
            shown.push_back(request);
            return answer;
        });
    }
    ~PromptRecorder() { SetMessageBoxFunction(std::move(previous_)); }
    PromptRecorder(const PromptRecorder&) = delete;
    PromptRecorder& operator=(const PromptRecorder&) = delete;

    std::vector<MessageBoxRequest> shown;

private:
    MessageBoxFunction previous_;
};
