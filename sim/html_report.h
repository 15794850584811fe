#pragma once
// The report as a picture: one self-contained HTML page (inline SVG, the style and script of
// sim/page/ built in, nothing fetched) drawn from the same frame records as the text report. On
// top, the scenario's notes, the run's facts and the peds not exempt at the end (apart within the
// plugin's reach and beyond it). On one frame axis of at most 1,000 columns, each lane drawn from
// the frames of each column (what was there at all, the least and the most): the weather phases as
// named bands with a key of the weathers, the scenario events as a row of marks per kind, a row
// per plugin while it was loaded, the share of the peds not exempt at the values the plugin works
// towards (and the share beyond its reach), the native calls per frame on a scale and the frames
// without any; below, what Veltrane.ini asked per phase, how it settled and who was beyond reach
// in which frames, and the events with their notes, each list capped with the rest to open. The
// lanes are drawn by sim/page/, one file each.

#include <string>

#include "sim/report.h"

namespace sim {

std::string renderHtml(const RunRecord& run);

}  // namespace sim
