#include "platform/TimerScale.h"

#include <algorithm>
#include <atomic>
#include <cmath>

namespace {
std::atomic<double> scale{1.0};
}

void SetTimerScale(double factor)
{
    scale = factor > 0 ? factor : 1.0;
}

double TimerScale()
{
    return scale;
}

int ScaledPeriod(int periodMs)
{
    const double factor = scale;
    if (factor == 1.0 || periodMs <= 0)
        return periodMs;
    return std::max(1, static_cast<int>(std::lround(periodMs * factor)));
}
