#include "data/AccessLevel.h"

#include <atomic>

namespace {
std::atomic<bool> g_fullControl{true};
} // namespace

bool AppFullControl()
{
    return g_fullControl.load();
}

void SetAppFullControl(bool fullControl)
{
    g_fullControl.store(fullControl);
}
