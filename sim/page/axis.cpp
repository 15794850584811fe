#include <algorithm>
#include <sstream>
#include <vector>

#include "sim/page/lanes.h"
#include "sim/page/markup.h"

namespace sim::page {

namespace {

// A label needs this much room, centred on its tick.
constexpr double kLabelRoom = 44;

// The first index of every step of 1, 2 or 5 times a power of ten that gives at most 12 ticks,
// and the last index, which drops a regular tick too close to it.
std::vector<std::size_t> ticks(const Plot& plot) {
    const std::size_t count = plot.frames.size();
    std::size_t step = 1;
    for (std::size_t scale = 1; count / step > 12; scale *= 10) {
        for (const std::size_t m : {1, 2, 5}) {
            step = m * scale;
            if (count / step <= 12) break;
        }
    }
    std::vector<std::size_t> at;
    for (std::size_t i = 0; i < count; i += step) at.push_back(i);
    const std::size_t last = count - 1;
    if (at.back() != last) {
        if (at.size() > 1 && plot.x(last) - plot.x(at.back()) < kLabelRoom) at.pop_back();
        at.push_back(last);
    }
    return at;
}

}  // namespace

std::string axis(const Plot& plot, double top, double bottom, double gridBottom) {
    if (plot.frames.empty()) return {};
    std::ostringstream out;
    out << "<g class=\"axis\">\n";
    for (const std::size_t i : ticks(plot)) {
        const double at = plot.x(i) + std::min(plot.frameWidth, 1.0) / 2;
        out << "<line x1=\"" << number(at) << "\" x2=\"" << number(at) << "\" y1=\"" << number(top + 2)
            << "\" y2=\"" << number(gridBottom) << "\"/>";
        for (const double y : {top, bottom}) {
            out << "<text x=\"" << number(at) << "\" y=\"" << number(y) << "\">" << plot.frames[i].frame << "</text>";
        }
        out << "\n";
    }
    out << "</g>\n" << laneLabel(top, "frame", kLabelRight) << laneLabel(bottom, "frame", kLabelRight);
    return out.str();
}

}  // namespace sim::page
