#include "cli/TextProgress.h"

#include <algorithm>
#include <cstdio>

std::string CTextProgress::Update(int percent)
{
    percent = std::clamp(percent, 0, 100);
    if (percent == shown_)
        return {};
    shown_ = percent;
    char number[8];
    std::snprintf(number, sizeof number, "%3d %%", percent);
    if (!terminal_)
        return std::string(number) + '\n';
    const int filled = percent * kBarWidth / 100;
    lineOpen_ = true;
    return "\r[" + std::string(static_cast<std::size_t>(filled), '#') +
           std::string(static_cast<std::size_t>(kBarWidth - filled), ' ') + "] " + number;
}

std::string CTextProgress::Break()
{
    if (!lineOpen_)
        return {};
    lineOpen_ = false;
    return "\n";
}
