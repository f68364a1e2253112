#include "status/CnoScale.h"

const std::vector<CnoBand>& CnoBands()
{
    // The lowest band is the GPS status window's weak rule before the unit
    // sends channel states (under 27 dBHz).
    static const std::vector<CnoBand> bands = {
        {27, 0xA02000, "< 27 dBHz, weak"},
        {35, 0xFF8C00, "27-34 dBHz"},
        {42, 0xFFD700, "35-41 dBHz"},
        {48, 0x7CC832, "42-47 dBHz"},
        {1000, 0x00A020, ">= 48 dBHz"},
    };
    return bands;
}

std::uint32_t CnoColour(int cno)
{
    for (const CnoBand& band : CnoBands())
        if (cno < band.below)
            return band.rgb;
    return CnoBands().back().rgb;
}

std::uint32_t ChannelColour(int cno, bool weak)
{
    return weak ? CnoBands().front().rgb : CnoColour(cno);
}
