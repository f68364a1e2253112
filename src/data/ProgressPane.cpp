#include "data/ProgressPane.h"

namespace {
ProgressBarFactory& Factory()
{
    static ProgressBarFactory factory;
    return factory;
}
} // namespace

void SetProgressBarFactory(ProgressBarFactory factory)
{
    Factory() = std::move(factory);
}

std::unique_ptr<IProgressBar> CreateProgressBar()
{
    return Factory() ? Factory()() : nullptr;
}
