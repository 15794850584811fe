#include "sim/html_report.h"

#include <algorithm>
#include <sstream>

#include "sim/page/lanes.h"
#include "sim/page/markup.h"
#include "sim/page/tables.h"
#include "tuning/tuning_pass.h"

namespace sim {

namespace {

using namespace page;

// The page's style and script, kept in sim/page/ and built in.
#include "sim/page/report_css.inc"
#include "sim/page/report_js.inc"

constexpr double kGap = 14;

std::string title(const RunRecord& run) {
    return "Veltrane in the simulated game: " + (run.scenarioName.empty() ? std::string("scenario") : run.scenarioName);
}

// The title, the scenario's notes, the run's facts with the peds at the end, the ped limit where
// it was reached and a fault that stopped the run.
std::string head(const Plot& plot) {
    const RunRecord& run = plot.run;
    std::ostringstream out;
    out << "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
        << "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
        << "<meta name=\"color-scheme\" content=\"light dark\">\n"
        << "<title>" << escape(title(run)) << "</title>\n<style>\n" << kReportCss << "</style>\n</head>\n<body>\n";
    out << "<h1>" << escape(title(run)) << "</h1>\n";
    if (!run.description.empty()) out << "<p>" << escape(run.description) << "</p>\n";
    if (!run.notes.empty()) {
        out << "<ul id=\"notes\">\n";
        for (const std::string& note : run.notes) out << "<li>note: " << escape(capped(note)) << "</li>\n";
        out << "</ul>\n";
    }
    const RunTotals& t = run.totals;
    out << "<p class=\"facts\">World at the start: " << escape(run.worldAtStart) << "; after " << plot.frames.size()
        << " frame(s): " << escape(pedCount(run.finalPeds)) << ". Peds not exempt at the end: "
        << escape(pedValuesByReach(run.finalPeds, ". Peds not exempt ", "never touched"))
        << ". Plugins: " << escape(pluginList(run)) << ". Native calls: " << t.nativeCalls
        << ", frames with none: " << t.framesWithoutNatives << ". Keystrokes: " << t.keystrokes
        << ". Veltrane.ini at the end: " << escape(run.finalIniStatus) << ". Game directory: <code>"
        << escape(run.gameDirectory) << "</code>.</p>\n";
    // Reach is a property of each frame: a ped beyond it in one frame may come into it later.
    const auto framesBeyond = std::count_if(plot.frames.begin(), plot.frames.end(),
                                            [](const FrameRecord& f) { return f.settled.beyondReach() > 0; });
    if (framesBeyond > 0) {
        out << "<p class=\"limit\" id=\"reach\">The plugin handles at most the first " << kPedCapacity
            << " peds the game lists in a frame, exempt ones included. Peds not exempt were beyond its reach in "
            << framesBeyond << " of the " << plot.frames.size()
            << " frame(s): the shares below count them, the grey area shows them, and each phase under the chart "
               "says how many, in which frames, and how many no plugin had written.</p>\n";
    }
    if (!run.stopReason.empty()) {
        out << "<p class=\"fault\">FAULT: the run stopped in frame "
            << (plot.frames.empty() ? 0 : plot.frames.back().frame) << ": " << escape(run.stopReason) << "</p>\n";
    }
    return out.str();
}

// The lanes top to bottom, the frame axis above and below them.
std::string chart(const Plot& plot) {
    const double top = 28;
    std::string lanes;
    double y = top;
    if (!plot.frames.empty()) {
        for (const auto lane : {weatherLane, eventLane, pluginLane}) {
            const Lane drawn = lane(plot, y);
            lanes += drawn.svg;
            y += drawn.height + kGap;
        }
        const double sharesTop = y;
        const Lane shares = shareLane(plot, y);
        y += shares.height + kGap;
        const Lane calls = callsLane(plot, y);
        y += calls.height;
        lanes += shares.svg + calls.svg + frameColumns(plot, sharesTop, y);
    }
    const double bottom = y + 24;
    std::ostringstream out;
    out << "<svg id=\"run\" viewBox=\"0 0 " << number(kWidth) << " " << number(bottom)
        << "\" data-plot-width=\"" << number(kPlotWidth) << "\" role=\"img\" aria-label=\"" << escape(title(plot.run))
        << ", frame by frame\">\n"
        << "<defs><pattern id=\"no-row\" width=\"8\" height=\"8\" patternUnits=\"userSpaceOnUse\" "
           "patternTransform=\"rotate(45)\"><rect width=\"8\" height=\"8\" class=\"no-row-ground\"/>"
           "<line x1=\"0\" y1=\"0\" x2=\"0\" y2=\"8\" class=\"no-row-line\"/></pattern></defs>\n"
        << axis(plot, top - 6, bottom - 8, y) << lanes << "</svg>\n";
    return out.str();
}

const char* const kLegend =
    "<span class=\"key damage\"></span> damage modifier "
    "<span class=\"key accuracy\"></span> accuracy "
    "<span class=\"key left-alone\"></span> accuracy left alone "
    "<span class=\"key beyond\"></span> beyond the plugin's reach "
    "<span class=\"key loaded\"></span> plugin loaded "
    "<span class=\"key bar\"></span> native calls (most; darker: least) "
    "<span class=\"key idle\"></span> no native call: switched off or writing a fresh file "
    "<span class=\"key unloaded\"></span> no native call: not loaded "
    "<span class=\"key no-row\"></span> weather with no row. "
    "Scenario events: a row per kind, its mark at the row's name; a number beside a mark counts the events of "
    "its kind folded into it, up to the end of the line under it. "
    "Hover for the figures; where a pixel column holds several frames, a lane shows what was there at "
    "all, the least and the most. Shares count every ped the game does not exempt.";

}  // namespace

std::string renderHtml(const RunRecord& run) {
    const Plot plot(run);
    return head(plot) + "<figure>\n" + chart(plot) + "<figcaption>" + kLegend + "</figcaption>\n</figure>\n" +
           phaseTable(plot) + eventList(plot) + "<output id=\"page-check\" hidden></output>\n<script>\n" + kReportJs +
           "</script>\n</body>\n</html>\n";
}

}  // namespace sim
