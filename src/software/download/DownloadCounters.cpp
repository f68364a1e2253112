#include "software/download/DownloadCounters.h"

CDownloadCounters& CDownloadCounters::Program()
{
    static CDownloadCounters counters;
    return counters;
}
