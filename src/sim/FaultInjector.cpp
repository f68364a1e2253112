#include "sim/FaultInjector.h"

#include <cmath>

namespace sim {
namespace {

constexpr int kDrawBits = 53;

} // namespace

CFaultInjector::CFaultInjector(const FaultOptions& faults)
    : dropEvery_(faults.dropEvery),
      threshold_(std::uint64_t(std::ldexp(faults.dropProbability, kDrawBits))),
      drawing_(faults.dropProbability > 0.0),
      random_(faults.seed)
{
}

bool CFaultInjector::DropNext()
{
    ++count_;
    bool drop = dropEvery_ != 0 && count_ % dropEvery_ == 0;
    if (drawing_) {
        // Draw even when already dropping, so that the draws line up with the
        // requests whatever --drop-every says.
        const std::uint64_t draw = random_() >> (64 - kDrawBits);
        drop = drop || draw < threshold_;
    }
    return drop;
}

} // namespace sim
