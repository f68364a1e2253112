#pragma once
// Tests run the program's real timers faster: every period given to
// CMessageTarget::SetTimer is multiplied by this factor (1 in the program).

void SetTimerScale(double factor);
[[nodiscard]] double TimerScale();
// The period a timer of `periodMs` really runs with (at least 1 ms when scaled).
[[nodiscard]] int ScaledPeriod(int periodMs);
