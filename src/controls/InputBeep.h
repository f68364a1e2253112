#pragma once
// The beep of an edit that refuses what was typed, pasted or dropped. One
// replaceable function for every control, so tests can count the beeps.

#include <functional>

void InputBeep();
// An empty function restores the system's beep; returns the one replaced.
std::function<void()> SetInputBeepFunction(std::function<void()> beep);
