#pragma once
// The tables under the chart: what Veltrane.ini asked per weather phase and how the phase went,
// in the text report's words, and the scenario's events with their notes. Each shows its first
// rows and keeps more behind a "... N more" to open.

#include <string>

#include "sim/page/plot.h"

namespace sim::page {

std::string phaseTable(const Plot& plot);
std::string eventList(const Plot& plot);

}  // namespace sim::page
