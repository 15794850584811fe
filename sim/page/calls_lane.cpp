#include <algorithm>
#include <sstream>
#include <string>
#include <utility>

#include "sim/page/lanes.h"
#include "sim/page/markup.h"

namespace sim::page {

namespace {

constexpr double kCallsHeight = 90;
constexpr double kIdleGap = 3;
constexpr double kIdleHeight = 20;

// The step of the calls' scale: 1, 2 or 5 times a power of ten, at most three steps up to `most`.
std::uint32_t scaleStep(std::uint32_t most) {
    for (std::uint64_t power = 1;; power *= 10) {
        for (const std::uint64_t m : {1, 2, 5}) {
            if (most / (m * power) <= 3) return static_cast<std::uint32_t>(m * power);
        }
    }
}

}  // namespace

// Per column a bar up to the most native calls of its frames and a darker one up to the least,
// on a scale at the right; below, in red, the share of its frames without any (at least a
// sliver when any).
Lane callsLane(const Plot& plot, double top) {
    std::uint32_t mostCalls = 0;
    for (const Column& c : plot.columns) mostCalls = std::max(mostCalls, c.mostCalls);
    const double base = top + kCallsHeight;
    const double perCall = mostCalls == 0 ? 0 : (kCallsHeight - 4) / mostCalls;
    std::ostringstream out;
    out << "<g id=\"calls\" data-height=\"" << number(kCallsHeight) << "\">\n";
    const std::uint32_t step = scaleStep(mostCalls);
    for (std::uint64_t level = 0; level <= mostCalls; level += step) {
        const double at = base - static_cast<double>(level) * perCall;
        out << "<line class=\"grid calls-grid\" data-value=\"" << level << "\" x1=\"" << number(kLeft) << "\" x2=\""
            << number(kLeft + kPlotWidth) << "\" y1=\"" << number(at) << "\" y2=\"" << number(at)
            << "\"/><text class=\"scale\" x=\"" << number(kLeft + kPlotWidth + 2) << "\" y=\"" << number(at + 3) << "\">"
            << level << "</text>\n";
    }
    const bool gaps = plot.frameWidth >= 3;  // room to set bars apart
    for (const Column& col : plot.columns) {
        const double wide = gaps ? plot.width(col) * 0.8 : plot.width(col);
        for (const auto& [kind, n] : {std::pair{"bar most", col.mostCalls}, std::pair{"bar least", col.leastCalls}}) {
            if (n == 0 || (col.leastCalls == col.mostCalls && std::string(kind) == "bar least")) continue;
            const double height = std::max(1.0, n * perCall);
            out << "<rect class=\"" << kind << "\" x=\"" << number(plot.left(col)) << "\" y=\"" << number(base - height)
                << "\" width=\"" << number(wide) << "\" height=\"" << number(height) << "\"/>\n";
        }
    }
    // Red: the watched plugin was loaded (switched off, or writing a fresh file); grey, on top:
    // it was not loaded at all.
    const double idleTop = base + kIdleGap;
    out << "</g>\n<g id=\"idle\" data-height=\"" << number(kIdleHeight) << "\">\n";
    for (const Column& col : plot.columns) {
        if (col.idle == 0) continue;
        double bottom = idleTop + kIdleHeight;
        for (const auto& [kind, n] : {std::pair{"idle", col.idle - col.idleUnloaded}, std::pair{"idle unloaded", col.idleUnloaded}}) {
            if (n == 0) continue;
            const double height = std::max(1.0, kIdleHeight * static_cast<double>(n) / static_cast<double>(col.frames()));
            out << "<rect class=\"" << kind << "\" x=\"" << number(plot.left(col)) << "\" y=\"" << number(bottom - height)
                << "\" width=\"" << number(plot.width(col)) << "\" height=\"" << number(height) << "\"/>\n";
            bottom -= height;
        }
    }
    out << "</g>\n" << laneLabel(top + kCallsHeight / 2 - 4, "native calls", kLabelRight)
        << laneLabel(top + kCallsHeight / 2 + 10, "per frame", kLabelRight)
        << laneLabel(idleTop + kIdleHeight - 4, "no native call", kLabelRight);
    return {out.str(), kCallsHeight + kIdleGap + kIdleHeight};
}

}  // namespace sim::page
