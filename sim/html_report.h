#pragma once
// The report as a picture: one self-contained HTML page (inline SVG and CSS, a few lines of
// script, nothing fetched) drawn from the same frame records as the text report. On one frame
// axis: the weather phases as named bands, the share of tunable peds at the values the plugin
// works towards, the native calls per frame (and the frames without any), and a marker for
// each scenario event; below, what Veltrane.ini asked per phase and the list of events.

#include <string>

#include "sim/report.h"

namespace sim {

std::string renderHtml(const RunRecord& run);

}  // namespace sim
