#pragma once
// The chart's lanes, top to bottom on one frame axis; each drawn from the plot's columns, from
// `top` down. Every file of this folder named after a lane draws that lane.

#include <string>

#include "sim/page/plot.h"

namespace sim::page {

// Frame numbers above and below the lanes (the last frame's too), with a faint line at each
// down to `gridBottom`.
std::string axis(const Plot& plot, double top, double bottom, double gridBottom);

// The weather phases as bands, and under them a key of the weathers shown.
Lane weatherLane(const Plot& plot, double top);

// A row per kind of scenario event, its mark in the label; the events of a kind close together
// fold into one mark with their count.
Lane eventLane(const Plot& plot, double top);

// A row per plugin, as high as the share of the column's frames in which it was loaded.
Lane pluginLane(const Plot& plot, double top);

// Of the peds not exempt, the shares at the values the plugin works towards, and beyond its reach.
Lane shareLane(const Plot& plot, double top);

// The native calls per frame on a scale, and the frames without any.
Lane callsLane(const Plot& plot, double top);

// A transparent column over the lanes from `top` to `bottom` for each pixel column: its figures
// on hover, and in data attributes for whoever reads the page without looking at it.
std::string frameColumns(const Plot& plot, double top, double bottom);

}  // namespace sim::page
