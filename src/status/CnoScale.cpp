#include "status/CnoScale.h"

const std::vector<CnoBand>& CnoBands()
{
    // The GPS status window's two bar colours: the warning colour for a weak
    // channel (under 27 dBHz until the unit sends channel states, then as the
    // unit marks it) and green for the others.
    static const std::vector<CnoBand> bands = {
        {27, 0xA02000, "weak (< 27 dBHz)"},
        {1000, 0x00A020, ">= 27 dBHz"},
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
    (void)cno;
    return weak ? CnoBands().front().rgb : CnoBands().back().rgb;
}
