#include "sim/page/plot.h"

#include <algorithm>

namespace sim::page {

namespace {

void widen(std::optional<double>& least, std::optional<double>& most, double value) {
    least = least ? std::min(*least, value) : value;
    most = most ? std::max(*most, value) : value;
}

void add(Column& col, const RunRecord& run, const FrameRecord& f, bool first) {
    const auto seen = std::find_if(col.weathers.begin(), col.weathers.end(),
                                   [&](const auto& w) { return w.first == f.weather; });
    if (seen == col.weathers.end()) col.weathers.emplace_back(f.weather, 1); else ++seen->second;
    const std::uint32_t n = f.tally.nativeCalls;
    col.leastCalls = first ? n : std::min(col.leastCalls, n);
    col.mostCalls = std::max(col.mostCalls, n);
    if (n == 0) ++col.idle;
    if (n == 0 && !run.plugins.empty() && run.watched < 64 && !(f.pluginsLoaded >> run.watched & 1u)) ++col.idleUnloaded;
    const SettledCount& s = f.settled;
    col.leastNotExempt = first ? s.notExempt : std::min(col.leastNotExempt, s.notExempt);
    col.mostNotExempt = std::max(col.mostNotExempt, s.notExempt);
    col.leastInReach = first ? s.inReach : std::min(col.leastInReach, s.inReach);
    col.mostInReach = std::max(col.mostInReach, s.inReach);
    if (s.notExempt > 0) {
        const double whole = s.notExempt;
        widen(col.leastDamage, col.mostDamage, s.atDamage / whole);
        if (f.targets.accuracy) widen(col.leastAccuracy, col.mostAccuracy, s.atAccuracy / whole);
        col.mostBeyond = std::max(col.mostBeyond, s.beyondReach() / whole);
    }
    if (!f.targets.accuracy) ++col.leftAlone;
    for (std::size_t p = 0; p < run.plugins.size() && p < 64; ++p) {
        if (f.pluginsLoaded >> p & 1u) ++col.loaded[p];
    }
}

}  // namespace

std::vector<Column> columnsOf(const RunRecord& run, std::size_t count) {
    const auto& frames = run.frames;
    std::vector<Column> columns(count);
    for (std::size_t c = 0; c < count; ++c) {
        Column& col = columns[c];
        col.begin = c * frames.size() / count;
        col.end = (c + 1) * frames.size() / count;
        col.loaded.assign(run.plugins.size(), 0);
        for (std::size_t i = col.begin; i < col.end; ++i) add(col, run, frames[i], i == col.begin);
    }
    return columns;
}

Plot::Plot(const RunRecord& played)
    : run(played), frames(played.frames),
      frameWidth(kPlotWidth / static_cast<double>(std::max<std::size_t>(played.frames.size(), 1))),
      columns(columnsOf(played, std::min(played.frames.size(), kColumns))) {}

std::string Plot::frameSpan(std::size_t first, std::size_t last) const {
    const std::uint32_t from = frames[first].frame, to = frames[last].frame;
    return from == to ? "frame " + std::to_string(from) : "frames " + std::to_string(from) + "-" + std::to_string(to);
}

}  // namespace sim::page
