#pragma once
// Keeps the status bar lines shown while it lives. Declare it before any main
// window of the test, which puts its own status bar in its place meanwhile.

#include "platform/UserPrompts.h"

#include <QStringList>

class StatusRecorder {
public:
    StatusRecorder()
    {
        previous_ = SetStatusMessageFunction([this](const QString& text) { shown << text; });
    }
    ~StatusRecorder() { SetStatusMessageFunction(std::move(previous_)); }
    StatusRecorder(const StatusRecorder&) = delete;
    StatusRecorder& operator=(const StatusRecorder&) = delete;

    QStringList shown;

private:
    StatusMessageFunction previous_;
};
