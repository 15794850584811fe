#pragma once
// What every lane of the page's chart shares: the geometry, and the run's frames gathered into at
// most kColumns pixel columns. Each lane draws from the columns, so that it looks the same
// whether a column holds one frame or a hundred.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "sim/report.h"

namespace sim::page {

// In SVG user units; the page scales the chart to the window's width.
inline constexpr double kLeft = 180;  // room for the lane labels
inline constexpr double kLabelRight = kLeft - 10;  // where they end
inline constexpr double kPlotWidth = 1000;
inline constexpr double kWidth = kLeft + kPlotWidth + 40;  // and for the scales on the right
inline constexpr std::size_t kColumns = 1000;              // one per unit of the plot at most

// What the frames of one pixel column held.
struct Column {
    std::size_t begin = 0, end = 0;                            // frames[begin] to frames[end - 1]
    std::vector<std::pair<std::uint32_t, std::size_t>> weathers;  // each weather and its frames, first seen first
    std::uint32_t leastCalls = 0, mostCalls = 0;
    std::size_t idle = 0;                                      // frames without a native call
    std::size_t idleUnloaded = 0;                              // of them, the watched plugin not loaded
    std::optional<double> leastDamage, mostDamage, leastAccuracy, mostAccuracy;  // shares 0 to 1
    std::size_t leftAlone = 0;                                 // frames leaving the accuracy alone
    double mostBeyond = 0;                                     // share of peds not exempt beyond reach
    std::uint32_t leastNotExempt = 0, mostNotExempt = 0, leastInReach = 0, mostInReach = 0;
    std::vector<std::size_t> loaded;                           // per plugin, frames it was loaded

    std::size_t frames() const { return end - begin; }
};

std::vector<Column> columnsOf(const RunRecord& run, std::size_t count);

// One lane's SVG and how high it is.
struct Lane {
    std::string svg;
    double height = 0;
};

struct Plot {
    explicit Plot(const RunRecord& played);

    const RunRecord& run;
    const std::vector<FrameRecord>& frames;
    const double frameWidth;
    const std::vector<Column> columns;

    // Where frames[index] begins.
    double x(std::size_t index) const { return kLeft + frameWidth * static_cast<double>(index); }
    double left(const Column& c) const { return x(c.begin); }
    double width(const Column& c) const { return x(c.end) - x(c.begin); }
    // "frame 12" or "frames 12-15", of frames[first] to frames[last].
    std::string frameSpan(std::size_t first, std::size_t last) const;
    std::string frameSpan(const Column& c) const { return frameSpan(c.begin, c.end - 1); }
};

}  // namespace sim::page
