#pragma once
// The beep of an edit that refuses what was typed, pasted or dropped. One
// replaceable function for every control, so tests can count the beeps.

#include <functional>

class QString;
class QWidget;

void InputBeep();
// An empty function restores the system's beep; returns the one replaced.
std::function<void()> SetInputBeepFunction(std::function<void()> beep);

// The beep, and why: a tip under the edit, as an edit control tells of a
// character it does not take. An empty message only beeps.
void InputRefusal(QWidget& edit, const QString& message);
// Where the messages go instead of the tip (tests); an empty function
// restores the tip. Returns the one replaced.
std::function<void(const QString&)> SetInputRefusalFunction(std::function<void(const QString&)> tell);
