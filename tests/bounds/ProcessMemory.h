#pragma once
// This process's resident and peak resident size, from /proc/self/status.
// CTest runs every case in a process of its own, so a case can read its peak.

#include <fstream>
#include <string>

namespace bounds {

// The value of a "Name:   1234 kB" line in KiB; -1 when it cannot be read.
inline long StatusKiB(const char* name)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::string prefix = std::string(name) + ':';
    while (std::getline(status, line))
        if (line.rfind(prefix, 0) == 0)
            return std::stol(line.substr(prefix.size()));
    return -1;
}

inline long ResidentKiB() { return StatusKiB("VmRSS"); }
inline long PeakResidentKiB() { return StatusKiB("VmHWM"); }

} // namespace bounds
