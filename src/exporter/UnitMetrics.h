#pragma once
// A probe's answer: the unit's reading as metrics. Parts of the reading that
// are absent leave their metrics out; qora_up and the probe's duration are
// always there.

#include "exporter/MetricText.h"
#include "exporter/UnitReading.h"

[[nodiscard]] std::string UnitExposition(const SUnitReading& reading, double probeSeconds, ExpositionFormat format);
