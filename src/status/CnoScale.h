#pragma once
// The program's one C/No colour scale: the GPS status window's bars and the
// sky plot's markers and legend draw a channel in the same colour: the status
// windows' warning colour for a weak channel (as the GPS status window marks
// it), their good colour for the others.

#include <cstdint>
#include <vector>

struct CnoBand {
    int below;           // the band holds C/No values under this (the last holds all)
    std::uint32_t rgb;
    const char* label;   // as the legend names it
};

[[nodiscard]] const std::vector<CnoBand>& CnoBands();
// The colour of a C/No in dBHz before the unit says which channels are weak.
[[nodiscard]] std::uint32_t CnoColour(int cno);
// The colour a channel is drawn in.
[[nodiscard]] std::uint32_t ChannelColour(int cno, bool weak);
