#include "sim/html_report.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <sstream>

#include "tuning/weather_table.h"

namespace sim {

namespace {

// The chart's geometry, in SVG user units (the page scales it to the window's width).
constexpr double kLeft = 180;       // room for the lane labels
constexpr double kPlotWidth = 1000;
constexpr double kWidth = kLeft + kPlotWidth + 40;  // and for the percent scale
constexpr double kBandHeight = 44;
constexpr double kMarkerRow = 12;
constexpr double kShareHeight = 130;
constexpr double kCallsHeight = 90;
constexpr double kIdleHeight = 10;
constexpr double kGap = 14;

std::string escape(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            default: out += c;
        }
    }
    return out;
}

std::string number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", value);
    std::string s = text;
    if (s.size() > 2 && s.compare(s.size() - 2, 2, ".0") == 0) s.resize(s.size() - 2);
    return s;
}

std::string decimal(float value) {
    std::ostringstream out;
    out << value;
    return out.str();
}

// A colour family per kind of weather, so that a glance tells wet from cold from fair; a
// weather we don't group gets a hue of its own from its hash.
int hueOf(const FrameRecord& frame) {
    static const std::map<std::string, int> families = {
        {"Sunny", 45},        {"HighPressure", 40}, {"Clouds", 215},      {"Overcast", 220},
        {"OvercastDark", 225}, {"Misty", 190},      {"Fog", 200},         {"Drizzle", 205},
        {"Rain", 210},        {"Shower", 200},      {"Thunder", 265},     {"Thunderstorm", 270},
        {"Hurricane", 285},   {"Snow", 185},        {"Snowlight", 180},   {"Snowclearing", 175},
        {"Blizzard", 190},    {"GroundBlizzard", 195}, {"Whiteout", 170}, {"Sleet", 195},
        {"Hail", 230},        {"Sandstorm", 30}};
    if (const WeatherEntry* entry = findWeatherEntry(frame.weather)) {
        if (const auto found = families.find(entry->name); found != families.end()) return found->second;
    }
    return static_cast<int>(frame.weather % 360u);
}

// Share of `part` in `whole` in whole percent, rounded down: 100 only when all are there.
std::string percent(std::uint32_t part, std::uint32_t whole) {
    return whole == 0 ? "n/a" : std::to_string(static_cast<std::uint64_t>(part) * 100u / whole);
}

class Page {
public:
    explicit Page(const RunRecord& played)
        : run(played), frames(played.frames), phases(weatherPhases(played.frames)),
          frameWidth(kPlotWidth / static_cast<double>(std::max<std::size_t>(frames.size(), 1))) {
        for (const FrameRecord& f : frames) {
            mostCalls = std::max(mostCalls, f.tally.nativeCalls);
            mostEvents = std::max(mostEvents, f.events.size());
        }
    }

    std::string render() {
        head();
        out << "<figure>\n";
        chart();
        out << "<figcaption>" << legend() << "</figcaption>\n</figure>\n";
        phaseTable();
        eventList();
        out << "<output id=\"page-check\" hidden></output>\n<script>\n" << kScript << "</script>\n</body>\n</html>\n";
        return out.str();
    }

private:
    const RunRecord& run;
    const std::vector<FrameRecord>& frames;
    const std::vector<Phase> phases;
    const double frameWidth;
    std::uint32_t mostCalls = 0;
    std::size_t mostEvents = 0;
    std::ostringstream out;

    static const char* const kStyle;
    static const char* const kScript;

    double x(std::size_t index) const { return kLeft + frameWidth * static_cast<double>(index); }

    std::string title() const {
        return "Veltrane in the simulated game: " + (run.scenarioName.empty() ? std::string("scenario") : run.scenarioName);
    }

    void head() {
        out << "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
            << "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
            << "<meta name=\"color-scheme\" content=\"light dark\">\n"
            << "<title>" << escape(title()) << "</title>\n<style>\n" << kStyle << "</style>\n</head>\n<body>\n";
        out << "<h1>" << escape(title()) << "</h1>\n";
        if (!run.description.empty()) out << "<p>" << escape(run.description) << "</p>\n";
        const RunTotals& t = run.totals;
        out << "<p class=\"facts\">World at the start: " << escape(run.worldAtStart) << "; after " << frames.size()
            << " frame(s): " << escape(pedCount(run.finalPeds)) << ". Native calls: " << t.nativeCalls
            << ", frames with none: " << t.framesWithoutNatives << ". Veltrane.ini at the end: "
            << escape(run.finalIniStatus) << ". Game directory: <code>" << escape(run.gameDirectory) << "</code>.</p>\n";
        if (!run.stopReason.empty()) {
            out << "<p class=\"fault\">FAULT: the run stopped in frame " << (frames.empty() ? 0 : frames.back().frame)
                << ": " << escape(run.stopReason) << "</p>\n";
        }
    }

    void chart() {
        const double bandTop = 28;
        const double eventsTop = bandTop + kBandHeight + kGap;
        const double eventsHeight = std::max(24.0, static_cast<double>(mostEvents) * kMarkerRow + 8);
        const double sharesTop = eventsTop + eventsHeight + kGap;
        const double callsTop = sharesTop + kShareHeight + kGap;
        const double idleTop = callsTop + kCallsHeight + 3;
        const double bottom = idleTop + kIdleHeight + 24;

        out << "<svg id=\"run\" viewBox=\"0 0 " << number(kWidth) << " " << number(bottom)
            << "\" role=\"img\" aria-label=\"" << escape(title()) << ", frame by frame\">\n";
        out << "<defs><pattern id=\"no-row\" width=\"8\" height=\"8\" patternUnits=\"userSpaceOnUse\" "
               "patternTransform=\"rotate(45)\"><rect width=\"8\" height=\"8\" class=\"no-row-ground\"/>"
               "<line x1=\"0\" y1=\"0\" x2=\"0\" y2=\"8\" class=\"no-row-line\"/></pattern></defs>\n";
        axis(bandTop - 6, bottom - 8, callsTop + kCallsHeight);
        laneLabel(bandTop + kBandHeight / 2, "weather");
        laneLabel(eventsTop + eventsHeight / 2, "scenario events");
        laneLabel(sharesTop + 14, "peds at the values");
        laneLabel(sharesTop + 30, "the plugin works towards");
        laneLabel(callsTop + kCallsHeight / 2, "native calls");
        laneLabel(idleTop + kIdleHeight - 1, "no native call");
        bands(bandTop);
        markers(eventsTop);
        shares(sharesTop);
        calls(callsTop, idleTop);
        frameColumns(sharesTop, idleTop + kIdleHeight);
        out << "</svg>\n";
    }

    void laneLabel(double y, const char* text) {
        out << "<text class=\"lane\" x=\"" << number(kLeft - 10) << "\" y=\"" << number(y) << "\">" << text << "</text>\n";
    }

    // Frame numbers along the top and the bottom, with a faint line at each.
    void axis(double top, double bottom, double gridBottom) {
        static const std::size_t steps[] = {1, 2, 5, 10, 20, 50, 100, 200, 500, 1000, 2000, 5000, 10000, 20000, 50000};
        std::size_t step = steps[std::size(steps) - 1];
        for (const std::size_t s : steps) {
            if (frames.size() / s <= 12) {
                step = s;
                break;
            }
        }
        out << "<g class=\"axis\">\n";
        for (std::size_t i = 0; i < frames.size(); i += step) {
            const double at = x(i) + frameWidth / 2;
            out << "<line x1=\"" << number(at) << "\" x2=\"" << number(at) << "\" y1=\"" << number(top + 2)
                << "\" y2=\"" << number(gridBottom) << "\"/>";
            for (const double y : {top, bottom}) {
                out << "<text x=\"" << number(at) << "\" y=\"" << number(y) << "\">" << frames[i].frame << "</text>";
            }
            out << "\n";
        }
        out << "</g>\n";
        laneLabel(bottom, "frame");
    }

    void bands(double top) {
        out << "<g id=\"weather\">\n";
        for (std::size_t p = 0; p < phases.size(); ++p) {
            const FrameRecord& first = frames[phases[p].begin];
            const FrameRecord& last = frames[phases[p].end - 1];
            const bool hasRow = findWeatherEntry(first.weather) != nullptr;
            char hash[16];
            std::snprintf(hash, sizeof hash, "0x%08X", static_cast<unsigned>(first.weather));
            const double left = x(phases[p].begin), width = x(phases[p].end) - left;
            out << "<g class=\"band" << (hasRow ? "" : " no-row") << "\" data-phase=\"" << p << "\" data-first=\""
                << first.frame << "\" data-last=\"" << last.frame << "\" style=\"--hue:" << hueOf(first) << "\">"
                << "<title>frames " << first.frame << "-" << last.frame << ": " << escape(first.weatherLabel) << " ("
                << hash << ")" << (hasRow ? "" : ": the plugin keeps the last weather's values") << "</title>"
                << "<rect x=\"" << number(left) << "\" y=\"" << number(top) << "\" width=\"" << number(width)
                << "\" height=\"" << number(kBandHeight) << "\"/>";
            // The name where it fits; the hover title always has it.
            std::string name = hasRow ? findWeatherEntry(first.weather)->name : first.weatherLabel;
            if (!hasRow) name = name.substr(0, name.find(", no row")) + " (no row)";
            if (width >= 7.0 * static_cast<double>(name.size()) + 6) {
                out << "<text x=\"" << number(left + 4) << "\" y=\"" << number(top + kBandHeight / 2 + 4) << "\">"
                    << escape(name) << "</text>";
            }
            out << "</g>\n";
        }
        out << "</g>\n";
    }

    // One marker per event, whatever its kind: the frame records hold each event's text.
    void markers(double top) {
        out << "<g id=\"markers\">\n";
        std::size_t index = 0;
        for (std::size_t i = 0; i < frames.size(); ++i) {
            for (std::size_t row = 0; row < frames[i].events.size(); ++row, ++index) {
                out << "<circle class=\"marker\" id=\"marker-" << index << "\" data-index=\"" << index
                    << "\" data-frame=\"" << frames[i].frame << "\" cx=\"" << number(x(i) + frameWidth / 2)
                    << "\" cy=\"" << number(top + 8 + static_cast<double>(row) * kMarkerRow) << "\" r=\""
                    << number(std::clamp(frameWidth / 2, 2.5, 5.0)) << "\"><title>" << index + 1 << ". frame "
                    << frames[i].frame << ": " << escape(frames[i].events[row]) << "</title></circle>\n";
            }
        }
        out << "</g>\n";
    }

    // Two step lines from 0 to 100 %, broken where there is nothing to measure, and a hatched
    // strip under the frames in which the plugin leaves the accuracy alone.
    void shares(double top) {
        const double low = top + kShareHeight - 6, high = top + 6;
        out << "<g id=\"shares\">\n";
        for (const int level : {0, 50, 100}) {
            const double y = low - (low - high) * level / 100.0;
            out << "<line class=\"grid\" x1=\"" << number(kLeft) << "\" x2=\"" << number(kLeft + kPlotWidth)
                << "\" y1=\"" << number(y) << "\" y2=\"" << number(y) << "\"/><text class=\"scale\" x=\""
                << number(kLeft + kPlotWidth + 2) << "\" y=\"" << number(y + 3) << "\">" << level << "%</text>\n";
        }
        auto line = [&](const char* kind, auto share) {
            std::string path;
            bool drawing = false;
            for (std::size_t i = 0; i < frames.size(); ++i) {
                const std::optional<double> value = share(frames[i]);
                if (!value) {
                    drawing = false;
                    continue;
                }
                const double y = low - (low - high) * *value;
                path += (drawing ? " V" : " M" + number(x(i)) + " ") + number(y) + " H" + number(x(i + 1));
                drawing = true;
            }
            out << "<path class=\"share " << kind << "\" d=\"" << path << "\"/>\n";
        };
        line("damage", [](const FrameRecord& f) -> std::optional<double> {
            if (f.settled.tunable == 0) return std::nullopt;
            return static_cast<double>(f.settled.atDamage) / f.settled.tunable;
        });
        line("accuracy", [](const FrameRecord& f) -> std::optional<double> {
            if (f.settled.tunable == 0 || !f.targets.accuracy) return std::nullopt;
            return static_cast<double>(f.settled.atAccuracy) / f.settled.tunable;
        });
        for (std::size_t i = 0; i < frames.size();) {
            if (frames[i].targets.accuracy) {
                ++i;
                continue;
            }
            std::size_t j = i;
            while (j < frames.size() && !frames[j].targets.accuracy) ++j;
            out << "<rect class=\"left-alone\" x=\"" << number(x(i)) << "\" y=\"" << number(low + 1) << "\" width=\""
                << number(x(j) - x(i)) << "\" height=\"5\"><title>frames " << frames[i].frame << "-"
                << frames[j - 1].frame << ": the plugin leaves the accuracy alone</title></rect>\n";
            i = j;
        }
        out << "</g>\n";
    }

    void calls(double top, double idleTop) {
        out << "<g id=\"calls\">\n";
        const double scale = mostCalls == 0 ? 0 : (kCallsHeight - 4) / mostCalls;
        for (std::size_t i = 0; i < frames.size(); ++i) {
            const std::uint32_t n = frames[i].tally.nativeCalls;
            if (n == 0) {
                out << "<rect class=\"idle\" x=\"" << number(x(i)) << "\" y=\"" << number(idleTop) << "\" width=\""
                    << number(std::max(frameWidth, 1.0)) << "\" height=\"" << number(kIdleHeight) << "\"/>\n";
                continue;
            }
            const double height = std::max(1.0, n * scale);
            out << "<rect class=\"bar\" x=\"" << number(x(i)) << "\" y=\"" << number(top + kCallsHeight - height)
                << "\" width=\"" << number(frameWidth * 0.8) << "\" height=\"" << number(height) << "\"/>\n";
        }
        out << "</g>\n";
    }

    // A column over the lower lanes for each frame: its figures on hover, and in data
    // attributes for whoever reads the page without looking at it.
    void frameColumns(double top, double bottom) {
        out << "<g id=\"frames\">\n";
        for (std::size_t i = 0; i < frames.size(); ++i) {
            const FrameRecord& f = frames[i];
            const SettledCount& s = f.settled;
            out << "<rect class=\"frame\" data-frame=\"" << f.frame << "\" data-tunable=\"" << s.tunable
                << "\" data-damage-share=\"" << percent(s.atDamage, s.tunable) << "\" data-accuracy-share=\""
                << (f.targets.accuracy ? percent(s.atAccuracy, s.tunable) : "left alone") << "\" data-natives=\""
                << f.tally.nativeCalls << "\" x=\"" << number(x(i)) << "\" y=\"" << number(top) << "\" width=\""
                << number(frameWidth) << "\" height=\"" << number(bottom - top) << "\"><title>frame " << f.frame
                << ": " << escape(f.weatherLabel) << "\ndamage modifier " << decimal(f.targets.damageModifier)
                << (f.targets.kept ? " (kept)" : "") << ": " << s.atDamage << " of " << s.tunable << " peds ("
                << percent(s.atDamage, s.tunable) << " %)\n";
            if (f.targets.accuracy) {
                out << "accuracy " << *f.targets.accuracy << ": " << s.atAccuracy << " of " << s.tunable << " peds ("
                    << percent(s.atAccuracy, s.tunable) << " %)\n";
            } else {
                out << "accuracy left alone\n";
            }
            out << f.tally.nativeCalls << " native calls" << (f.tally.nativeCalls == 0 ? " (plugin switched off)" : "")
                << ", " << f.tally.pedsChanged << " peds changed</title></rect>\n";
        }
        out << "</g>\n";
    }

    static std::string legend() {
        return "<span class=\"key damage\"></span> damage modifier "
               "<span class=\"key accuracy\"></span> accuracy "
               "<span class=\"key left-alone\"></span> accuracy left alone "
               "<span class=\"key bar\"></span> native calls "
               "<span class=\"key idle\"></span> no native call "
               "<span class=\"key marker\"></span> scenario event "
               "<span class=\"key no-row\"></span> weather with no row. "
               "Hover for each frame's figures; shares count the peds the game does not exempt.";
    }

    // What Veltrane.ini asked in each phase, and how the phase went, in the text report's words.
    void phaseTable() {
        out << "<h2>Per weather phase</h2>\n<table class=\"phases\">\n<thead><tr><th>Frames</th><th>Weather</th>"
               "<th>Veltrane.ini asks</th><th>Peds changed per frame</th><th>Settled</th>"
               "<th>Native calls per frame</th></tr></thead>\n<tbody>\n";
        for (const Phase& phase : phases) {
            const FrameRecord& first = frames[phase.begin];
            out << "<tr><td>" << first.frame << "-" << frames[phase.end - 1].frame << "</td><td>"
                << escape(first.weatherLabel) << "</td><td><ul>";
            std::string asked;
            std::vector<std::uint32_t> changed, natives;
            for (std::size_t i = phase.begin; i < phase.end; ++i) {
                const FrameRecord& f = frames[i];
                if (f.asked != asked) {
                    out << "<li>" << (i == phase.begin ? "" : "frame " + std::to_string(f.frame) + ": ")
                        << escape(f.asked) << "</li>";
                    asked = f.asked;
                }
                changed.push_back(f.tally.pedsChanged);
                natives.push_back(f.tally.nativeCalls);
            }
            out << "</ul></td><td>" << escape(runLengths(changed)) << "</td><td>"
                << escape(settling(frames, phase.begin, phase.end)) << "</td><td>" << escape(runLengths(natives))
                << "</td></tr>\n";
        }
        out << "</tbody>\n</table>\n";
    }

    void eventList() {
        out << "<h2>Scenario events</h2>\n<ol id=\"events\">\n";
        std::size_t index = 0;
        for (const FrameRecord& f : frames) {
            for (const std::string& event : f.events) {
                out << "<li id=\"event-" << index << "\" data-frame=\"" << f.frame << "\"><span class=\"at\">frame "
                    << f.frame << "</span> " << escape(event) << "</li>\n";
                ++index;
            }
        }
        out << "</ol>\n";
    }
};

const char* const Page::kStyle = R"css(:root {
  color-scheme: light dark;
  --bg: #ffffff; --fg: #1d1f23; --muted: #5d6470; --grid: #dde1e6;
  --damage: #c2410c; --accuracy: #1d4ed8; --bar: #8391a3; --idle: #dc2626; --marker: #7c3aed;
  --band-s: 60%; --band-l: 82%; --hot: #fde68a;
}
@media (prefers-color-scheme: dark) {
  :root {
    --bg: #15171b; --fg: #e6e8eb; --muted: #9aa3ad; --grid: #2f343b;
    --damage: #fb923c; --accuracy: #60a5fa; --bar: #64748b; --idle: #f87171; --marker: #c4b5fd;
    --band-s: 40%; --band-l: 28%; --hot: #574514;
  }
}
body { background: var(--bg); color: var(--fg); font: 14px/1.45 system-ui, sans-serif; margin: 1.5em; }
h1 { font-size: 1.4em; margin: 0 0 0.3em; }
h2 { font-size: 1.15em; margin-top: 1.6em; }
.facts, figcaption { color: var(--muted); }
.fault { color: var(--idle); font-weight: bold; }
figure { margin: 1em 0; }
svg { width: 100%; height: auto; display: block; font-size: 12px; }
svg text { fill: var(--fg); }
svg .lane { text-anchor: end; fill: var(--muted); }
svg .axis line, svg .grid { stroke: var(--grid); stroke-width: 1; }
svg .axis text { text-anchor: middle; fill: var(--muted); font-size: 11px; }
svg .scale { fill: var(--muted); font-size: 10px; }
.band rect { fill: hsl(var(--hue) var(--band-s) var(--band-l)); stroke: var(--bg); stroke-width: 1; }
.band.no-row rect { fill: url(#no-row); }
.no-row-ground { fill: hsl(0 0% var(--band-l)); }
.no-row-line { stroke: var(--muted); stroke-width: 3; }
.marker { fill: var(--marker); stroke: var(--bg); stroke-width: 1; }
.marker.hot { fill: var(--idle); }
.share { fill: none; stroke-width: 2; }
.share.damage { stroke-width: 5; }
.share.damage { stroke: var(--damage); }
.share.accuracy { stroke: var(--accuracy); stroke-dasharray: 6 3; }
.left-alone { fill: var(--accuracy); opacity: 0.35; }
.bar { fill: var(--bar); }
.idle { fill: var(--idle); }
.frame { fill: transparent; }
.frame:hover { fill: var(--fg); opacity: 0.08; }
.key { display: inline-block; width: 1.6em; height: 0.7em; margin-left: 0.8em; vertical-align: middle; }
.key.damage { background: var(--damage); } .key.accuracy { background: var(--accuracy); }
.key.left-alone { background: var(--accuracy); opacity: 0.35; } .key.bar { background: var(--bar); }
.key.idle { background: var(--idle); } .key.marker { background: var(--marker); border-radius: 50%; width: 0.7em; }
.key.no-row { background: repeating-linear-gradient(45deg, var(--muted) 0 2px, transparent 2px 6px); }
table { border-collapse: collapse; width: 100%; }
th, td { text-align: left; vertical-align: top; padding: 0.35em 0.6em; border-bottom: 1px solid var(--grid); }
td ul { margin: 0; padding-left: 1.1em; }
#events li.hot { background: var(--hot); }
.at { color: var(--muted); }
)css";

// Hovering a marker lights its line in the list and the other way round. Then the page counts
// what the browser laid out inside the chart (bands, markers, list lines) into #page-check.
const char* const Page::kScript = R"js((function () {
  "use strict";
  const svg = document.getElementById("run");
  const list = document.getElementById("events");
  for (const marker of svg.querySelectorAll(".marker")) {
    const line = document.getElementById("event-" + marker.dataset.index);
    const on = () => { marker.classList.add("hot"); line.classList.add("hot"); };
    const off = () => { marker.classList.remove("hot"); line.classList.remove("hot"); };
    for (const element of [marker, line]) {
      element.addEventListener("mouseenter", on);
      element.addEventListener("mouseleave", off);
    }
  }
  const box = svg.getBoundingClientRect();
  const laidOut = (selector) => Array.from(svg.querySelectorAll(selector)).filter((element) => {
    const r = element.getBoundingClientRect();
    return r.width > 0 && r.height > 0 && r.left >= box.left - 1 && r.right <= box.right + 1 &&
           r.top >= box.top - 1 && r.bottom <= box.bottom + 1;
  }).length;
  const check = document.getElementById("page-check");
  check.dataset.bands = laidOut(".band rect");
  check.dataset.markers = laidOut(".marker");
  check.dataset.listed = list.children.length;
})();
)js";

}  // namespace

std::string renderHtml(const RunRecord& run) { return Page(run).render(); }

}  // namespace sim
