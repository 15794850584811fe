#include "sim/html_report.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>
#include <sstream>

#include "settings/weather_table.h"
#include "tuning/tuning_pass.h"

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
constexpr double kIdleHeight = 20;
constexpr double kPluginRow = 14;
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

// Each weather's hue from its place in the weather table, a golden angle apart, so that
// neighbouring rows (Snow, Snowlight) still differ; a weather with no row is hatched instead.
int hueOf(std::uint32_t weather) {
    const WeatherEntry* entry = findWeatherEntry(weather);
    if (entry == nullptr) return 0;
    const auto index = static_cast<double>(entry - weatherTable.data());
    return static_cast<int>(std::fmod(20.0 + index * 137.508, 360.0));
}

std::string hashText(std::uint32_t weather) {
    char hash[16];
    std::snprintf(hash, sizeof hash, "0x%08X", static_cast<unsigned>(weather));
    return hash;
}

// Share of `part` in `whole` in whole percent, rounded down: 100 only when all are there.
std::string percent(std::uint32_t part, std::uint32_t whole) {
    return whole == 0 ? "n/a" : std::to_string(static_cast<std::uint64_t>(part) * 100u / whole);
}

// "42" or, over several frames, "40-100".
std::string span(double least, double most, const char* unit = "") {
    const std::string low = number(least), high = number(most);
    return (low == high ? low : low + "-" + high) + unit;
}

// Long text for a table cell: at most `limit` characters, then how many more there were.
std::string capped(const std::string& text, std::size_t limit = 400) {
    if (text.size() <= limit) return text;
    return text.substr(0, limit) + " ... (" + std::to_string(text.size() - limit) + " more characters)";
}

// What the frames of one pixel column of the chart held: each lane draws from these, so that a
// lane looks the same whether a column holds one frame or a hundred.
struct Column {
    std::size_t begin = 0, end = 0;                            // frames[begin] to frames[end - 1]
    std::vector<std::pair<std::uint32_t, std::size_t>> weathers;  // each weather and its frames, first seen first
    std::size_t events = 0, firstEvent = 0;                    // events, and the first one's number
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

void widen(std::optional<double>& least, std::optional<double>& most, double value) {
    least = least ? std::min(*least, value) : value;
    most = most ? std::max(*most, value) : value;
}

std::vector<Column> columnsOf(const RunRecord& run, std::size_t count) {
    const auto& frames = run.frames;
    std::vector<Column> columns(count);
    std::size_t event = 0;
    for (std::size_t c = 0; c < count; ++c) {
        Column& col = columns[c];
        col.begin = c * frames.size() / count;
        col.end = (c + 1) * frames.size() / count;
        col.firstEvent = event;
        col.loaded.assign(run.plugins.size(), 0);
        for (std::size_t i = col.begin; i < col.end; ++i) {
            const FrameRecord& f = frames[i];
            const auto seen = std::find_if(col.weathers.begin(), col.weathers.end(),
                                           [&](const auto& w) { return w.first == f.weather; });
            if (seen == col.weathers.end()) col.weathers.emplace_back(f.weather, 1); else ++seen->second;
            col.events += f.events.size();
            event += f.events.size();
            const std::uint32_t n = f.tally.nativeCalls;
            col.leastCalls = i == col.begin ? n : std::min(col.leastCalls, n);
            col.mostCalls = std::max(col.mostCalls, n);
            if (n == 0) ++col.idle;
            if (n == 0 && !run.plugins.empty() && run.watched < 64 && !(f.pluginsLoaded >> run.watched & 1u)) ++col.idleUnloaded;
            const SettledCount& s = f.settled;
            col.leastNotExempt = i == col.begin ? s.notExempt : std::min(col.leastNotExempt, s.notExempt);
            col.mostNotExempt = std::max(col.mostNotExempt, s.notExempt);
            col.leastInReach = i == col.begin ? s.inReach : std::min(col.leastInReach, s.inReach);
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
    }
    return columns;
}

class Page {
public:
    explicit Page(const RunRecord& played)
        : run(played), frames(played.frames), phases(weatherPhases(played.frames)),
          frameWidth(kPlotWidth / static_cast<double>(std::max<std::size_t>(frames.size(), 1))),
          columns(columnsOf(played, std::min<std::size_t>(frames.size(), kColumns))) {
        for (const Column& c : columns) {
            mostCalls = std::max(mostCalls, c.mostCalls);
            mostColumnEvents = std::max(mostColumnEvents, static_cast<double>(c.events));
            // A column of one frame stacks a marker per event; a wider one has one marker.
            mostMarkers = std::max(mostMarkers, c.frames() == 1 ? std::min(c.events, kMarkerRows) : std::min<std::size_t>(c.events, 1));
        }
        for (const FrameRecord& f : frames) {
            if (f.settled.beyondReach() > (mostBeyond ? mostBeyond->settled.beyondReach() : 0)) mostBeyond = &f;
        }
    }

    std::string render() {
        head();
        out << "<figure>\n";
        chart();
        out << "<figcaption>" << legend() << "</figcaption>\n</figure>\n";
        phaseTable();
        eventList();
        out << "<output id=\"page-check\" hidden></output>\n<script>\nconst PLOT_WIDTH = " << number(kPlotWidth)
            << ", WEATHER_HEIGHT = " << number(kBandHeight) << ", CALLS_HEIGHT = " << number(kCallsHeight)
            << ", IDLE_HEIGHT = " << number(kIdleHeight) << ", PLUGIN_ROWS_HEIGHT = "
            << number(std::max<double>(1, static_cast<double>(run.plugins.size())) * (kPluginRow - 3)) << ";\n"
            << kScript << "</script>\n</body>\n</html>\n";
        return out.str();
    }

private:
    // At most this many pixel columns: the plot is 1000 units wide.
    static constexpr std::size_t kColumns = 1000;
    static constexpr std::size_t kMarkerRows = 6;
    // Table rows shown at once, and at most this many more behind a "... N more" to open.
    static constexpr std::size_t kRowsShown = 30;
    static constexpr std::size_t kRowsMore = 1000;

    const RunRecord& run;
    const std::vector<FrameRecord>& frames;
    const std::vector<Phase> phases;
    const double frameWidth;
    const std::vector<Column> columns;
    std::uint32_t mostCalls = 0;
    std::size_t mostMarkers = 0;
    double mostColumnEvents = 1;
    const FrameRecord* mostBeyond = nullptr;  // the frame with the most peds beyond reach
    std::ostringstream out;

    static const char* const kStyle;
    static const char* const kScript;

    double x(std::size_t index) const { return kLeft + frameWidth * static_cast<double>(index); }
    double left(const Column& c) const { return x(c.begin); }
    double width(const Column& c) const { return x(c.end) - x(c.begin); }

    std::string title() const {
        return "Veltrane in the simulated game: " + (run.scenarioName.empty() ? std::string("scenario") : run.scenarioName);
    }

    std::string frameSpan(const Column& c) const {
        const std::uint32_t first = frames[c.begin].frame, last = frames[c.end - 1].frame;
        return first == last ? "frame " + std::to_string(first) : "frames " + std::to_string(first) + "-" + std::to_string(last);
    }

    std::string pluginName() const {
        return run.watched < run.plugins.size() ? run.plugins[run.watched] : std::string("the plugin");
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
            << " frame(s): " << escape(pedCount(run.finalPeds)) << ". Plugins: " << escape(pluginList(run))
            << ". Native calls: " << t.nativeCalls << ", frames with none: " << t.framesWithoutNatives
            << ". Keystrokes: " << t.keystrokes << ". Veltrane.ini at the end: " << escape(run.finalIniStatus)
            << ". Game directory: <code>" << escape(run.gameDirectory) << "</code>.</p>\n";
        if (mostBeyond != nullptr) {
            const SettledCount& s = mostBeyond->settled;
            out << "<p class=\"limit\" id=\"reach\">The plugin handles at most the first " << kPedCapacity
                << " peds the game lists in a frame, exempt ones included, and never touches the others. In frame "
                << mostBeyond->frame << ", " << s.beyondReach() << " of " << s.notExempt
                << " peds not exempt were beyond its reach: the shares below count them, and the grey area shows "
                   "them.</p>\n";
        }
        if (!run.stopReason.empty()) {
            out << "<p class=\"fault\">FAULT: the run stopped in frame " << (frames.empty() ? 0 : frames.back().frame)
                << ": " << escape(run.stopReason) << "</p>\n";
        }
    }

    void chart() {
        const double bandTop = 28;
        const double eventsTop = bandTop + kBandHeight + kGap;
        const double eventsHeight = std::max(24.0, static_cast<double>(mostMarkers) * kMarkerRow + 8);
        const double pluginsTop = eventsTop + eventsHeight + kGap;
        const double pluginsHeight = static_cast<double>(run.plugins.size()) * kPluginRow;
        const double sharesTop = pluginsTop + pluginsHeight + kGap;
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
        laneLabel(idleTop + kIdleHeight - 4, "no native call");
        if (!frames.empty()) {
            bands(bandTop);
            markers(eventsTop);
            plugins(pluginsTop);
            shares(sharesTop);
            calls(callsTop, idleTop);
            frameColumns(sharesTop, idleTop + kIdleHeight);
        }
        out << "</svg>\n";
    }

    void laneLabel(double y, const std::string& text) {
        out << "<text class=\"lane\" x=\"" << number(kLeft - 10) << "\" y=\"" << number(y) << "\">" << escape(text)
            << "</text>\n";
    }

    // Frame numbers along the top and the bottom, with a faint line at each.
    void axis(double top, double bottom, double gridBottom) {
        static const std::size_t steps[] = {1, 2, 5, 10, 20, 50, 100, 200, 500, 1000, 2000, 5000, 10000, 20000, 50000,
                                            100000, 200000, 500000, 1000000, 2000000, 5000000, 10000000};
        std::size_t step = steps[std::size(steps) - 1];
        for (const std::size_t s : steps) {
            if (frames.size() / s <= 12) {
                step = s;
                break;
            }
        }
        out << "<g class=\"axis\">\n";
        for (std::size_t i = 0; i < frames.size(); i += step) {
            const double at = x(i) + std::min(frameWidth, 1.0) / 2;
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

    std::string weatherName(std::uint32_t weather, const std::string& label) const {
        if (const WeatherEntry* entry = findWeatherEntry(weather)) return entry->name;
        return label.substr(0, label.find(", no row")) + " (no row)";
    }

    // A band for each run of columns that held one weather only (in a short run, one per phase);
    // a column that held several stacks them, each as high as its share of the column's frames.
    void bands(double top) {
        out << "<g id=\"weather\">\n";
        std::size_t phase = 0;
        for (std::size_t c = 0; c < columns.size();) {
            const Column& col = columns[c];
            if (col.weathers.size() > 1) {
                mixedColumn(col, top);
                ++c;
                continue;
            }
            const std::uint32_t weather = col.weathers.front().first;
            std::size_t d = c + 1;
            while (d < columns.size() && columns[d].weathers.size() == 1 && columns[d].weathers.front().first == weather) ++d;
            const FrameRecord& first = frames[col.begin];
            const FrameRecord& last = frames[columns[d - 1].end - 1];
            const bool hasRow = findWeatherEntry(weather) != nullptr;
            const double from = left(col), wide = x(columns[d - 1].end) - from;
            out << "<g class=\"band" << (hasRow ? "" : " no-row") << "\" data-phase=\"" << phase++ << "\" data-first=\""
                << first.frame << "\" data-last=\"" << last.frame << "\" style=\"--hue:" << hueOf(weather) << "\">"
                << "<title>frames " << first.frame << "-" << last.frame << ": " << escape(first.weatherLabel) << " ("
                << hashText(weather) << ")" << (hasRow ? "" : ": the plugin keeps the last weather's values")
                << "</title><rect x=\"" << number(from) << "\" y=\"" << number(top) << "\" width=\"" << number(wide)
                << "\" height=\"" << number(kBandHeight) << "\"/>";
            // The name where it fits; the hover title always has it.
            const std::string name = weatherName(weather, first.weatherLabel);
            if (wide >= 7.0 * static_cast<double>(name.size()) + 6) {
                out << "<text x=\"" << number(from + 4) << "\" y=\"" << number(top + kBandHeight / 2 + 4) << "\">"
                    << escape(name) << "</text>";
            }
            out << "</g>\n";
            c = d;
        }
        out << "</g>\n";
    }

    void mixedColumn(const Column& col, double top) {
        out << "<g class=\"mix\" data-first=\"" << frames[col.begin].frame << "\" data-last=\""
            << frames[col.end - 1].frame << "\"><title>" << frameSpan(col) << ":";
        for (std::size_t w = 0; w < col.weathers.size(); ++w) {
            const auto& [weather, count] = col.weathers[w];
            const FrameRecord* named = nullptr;
            for (std::size_t i = col.begin; i < col.end && !named; ++i) {
                if (frames[i].weather == weather) named = &frames[i];
            }
            out << (w ? ", " : " ") << escape(weatherName(weather, named->weatherLabel)) << " (" << count << ")";
        }
        out << "</title>";
        double y = top;
        for (const auto& [weather, count] : col.weathers) {
            const double height = kBandHeight * static_cast<double>(count) / static_cast<double>(col.frames());
            out << "<rect class=\"part" << (findWeatherEntry(weather) ? "" : " no-row") << "\" style=\"--hue:"
                << hueOf(weather) << "\" x=\"" << number(left(col)) << "\" y=\"" << number(y) << "\" width=\""
                << number(width(col)) << "\" height=\"" << number(height) << "\"/>";
            y += height;
        }
        out << "</g>\n";
    }

    // A marker per event in a column of one frame (at most kMarkerRows, the last standing for
    // the rest); one marker for all of a wider column's events.
    void markers(double top) {
        out << "<g id=\"markers\" data-events=\"" << (columns.empty() ? 0 : columns.back().firstEvent + columns.back().events)
            << "\">\n";
        for (const Column& col : columns) {
            if (col.events == 0) continue;
            const bool single = col.frames() == 1;
            const std::size_t shown = single ? std::min(col.events, kMarkerRows) : 1;
            std::size_t index = col.firstEvent;
            for (std::size_t row = 0; row < shown; ++row) {
                const std::size_t count = row + 1 == shown ? col.events - row : 1;
                // A column of many frames: a tick as high as its share of the busiest column's events.
                const double y = top + 8 + static_cast<double>(row) * kMarkerRow;
                const double tall = 3 + 13 * static_cast<double>(col.events) / mostColumnEvents;
                if (single) {
                    out << "<circle class=\"marker\" cx=\"" << number(left(col) + width(col) / 2) << "\" cy=\""
                        << number(y) << "\" r=\"" << number(std::clamp(width(col) / 2, 2.5, 5.0)) << "\"";
                } else {
                    out << "<rect class=\"marker many\" x=\"" << number(left(col)) << "\" y=\"" << number(y + 12 - tall)
                        << "\" width=\"" << number(width(col)) << "\" height=\"" << number(tall) << "\"";
                }
                out << " id=\"marker-" << index << "\" data-index=\"" << index << "\" data-count=\"" << count
                    << "\" data-frame=\"" << frames[col.begin].frame << "\"><title>";
                markerTitle(col, index, count);
                out << "</title></" << (single ? "circle" : "rect") << ">\n";
                index += count;
            }
        }
        out << "</g>\n";
    }

    // The events numbered `first` to `first + count - 1` of the column, the first few in words.
    void markerTitle(const Column& col, std::size_t first, std::size_t count) {
        std::size_t index = col.firstEvent, told = 0;
        if (count > 1) out << count << " events, " << frameSpan(col) << ":\n";
        for (std::size_t i = col.begin; i < col.end; ++i) {
            for (const FrameEvent& event : frames[i].events) {
                if (index >= first && index < first + count && told < 5) {
                    out << (told ? "\n" : "") << index + 1 << ". frame " << frames[i].frame << ": "
                        << escape(capped(eventText(event), 200));
                    ++told;
                }
                ++index;
            }
        }
        if (count > told) out << "\n... " << count - told << " more";
    }

    // A row per plugin: as high as the share of the column's frames in which it was loaded.
    void plugins(double top) {
        out << "<g id=\"plugins\">\n";
        for (std::size_t p = 0; p < run.plugins.size() && p < 64; ++p) {
            const double rowTop = top + static_cast<double>(p) * kPluginRow;
            laneLabel(rowTop + kPluginRow - 3, run.plugins[p] + " loaded");
            for (std::size_t c = 0; c < columns.size();) {
                const auto share = [&](std::size_t k) {
                    return static_cast<double>(columns[k].loaded[p]) / static_cast<double>(columns[k].frames());
                };
                const double here = share(c);
                std::size_t d = c + 1;
                while (d < columns.size() && share(d) == here) ++d;
                if (here > 0) {
                    const double height = (kPluginRow - 3) * here;
                    out << "<rect class=\"loaded\" data-plugin=\"" << escape(run.plugins[p]) << "\" x=\""
                        << number(left(columns[c])) << "\" y=\"" << number(rowTop + kPluginRow - 2 - height)
                        << "\" width=\"" << number(x(columns[d - 1].end) - left(columns[c])) << "\" height=\""
                        << number(height) << "\"><title>" << escape(run.plugins[p]) << " loaded in "
                        << (here == 1 ? "every frame" : number(here * 100) + " % of the frames") << " of frames "
                        << frames[columns[c].begin].frame << "-" << frames[columns[d - 1].end - 1].frame
                        << "</title></rect>\n";
                }
                c = d;
            }
        }
        out << "</g>\n";
    }

    // Per column the least and the most share of the peds not exempt at each value: a band
    // between the two, a line where they are equal; broken where there is nothing to measure.
    // A grey area from the top holds the share beyond the plugin's reach, and a hatched strip
    // under the columns in which the plugin leaves the accuracy alone in some frame.
    void shares(double top) {
        const double low = top + kShareHeight - 6, high = top + 6;
        const auto y = [&](double share) { return low - (low - high) * share; };
        out << "<g id=\"shares\">\n";
        for (const int level : {0, 50, 100}) {
            const double at = y(level / 100.0);
            out << "<line class=\"grid\" x1=\"" << number(kLeft) << "\" x2=\"" << number(kLeft + kPlotWidth)
                << "\" y1=\"" << number(at) << "\" y2=\"" << number(at) << "\"/><text class=\"scale\" x=\""
                << number(kLeft + kPlotWidth + 2) << "\" y=\"" << number(at + 3) << "\">" << level << "%</text>\n";
        }
        // One closed outline per stretch of columns with a value: along the most, back along the least.
        const auto area = [&](const char* kind, auto most, auto least, const char* title) {
            for (std::size_t c = 0; c < columns.size();) {
                if (!most(columns[c])) {
                    ++c;
                    continue;
                }
                std::size_t d = c;
                while (d < columns.size() && most(columns[d])) ++d;
                std::string path = "M" + number(left(columns[c])) + " " + number(y(*most(columns[c])));
                for (std::size_t k = c; k < d; ++k) {
                    path += " V" + number(y(*most(columns[k]))) + " H" + number(x(columns[k].end));
                }
                for (std::size_t k = d; k-- > c;) {
                    path += " V" + number(y(*least(columns[k]))) + " H" + number(left(columns[k]));
                }
                out << "<path class=\"share " << kind << "\" d=\"" << path << " Z\"><title>frames "
                    << frames[columns[c].begin].frame << "-" << frames[columns[d - 1].end - 1].frame << ": " << title
                    << "</title></path>\n";
                c = d;
            }
        };
        area("beyond", [](const Column& c) -> std::optional<double> { if (c.mostBeyond > 0) return 1.0; return std::nullopt; },
             [](const Column& c) -> std::optional<double> { return 1.0 - c.mostBeyond; },
             "peds not exempt beyond the plugin's reach (it handles the first 1024 peds the game lists)");
        area("damage", [](const Column& c) { return c.mostDamage; }, [](const Column& c) { return c.leastDamage; },
             "share of the peds not exempt at the damage modifier");
        area("accuracy", [](const Column& c) { return c.mostAccuracy; }, [](const Column& c) { return c.leastAccuracy; },
             "share of the peds not exempt at the accuracy");
        for (std::size_t c = 0; c < columns.size();) {
            if (columns[c].leftAlone == 0) {
                ++c;
                continue;
            }
            std::size_t d = c;
            while (d < columns.size() && columns[d].leftAlone > 0) ++d;
            out << "<rect class=\"left-alone\" x=\"" << number(left(columns[c])) << "\" y=\"" << number(low + 1)
                << "\" width=\"" << number(x(columns[d - 1].end) - left(columns[c])) << "\" height=\"5\"><title>frames "
                << frames[columns[c].begin].frame << "-" << frames[columns[d - 1].end - 1].frame
                << ": the plugin leaves the accuracy alone"
                << (columns[c].leftAlone < columns[c].frames() ? " (in some of them)" : "") << "</title></rect>\n";
            c = d;
        }
        out << "</g>\n";
    }

    // Per column a bar up to the most native calls of its frames and a darker one up to the
    // least; below, in red, the share of its frames without any (at least a sliver when any).
    void calls(double top, double idleTop) {
        out << "<g id=\"calls\">\n";
        const double scale = mostCalls == 0 ? 0 : (kCallsHeight - 4) / mostCalls;
        const bool gaps = frameWidth >= 3;  // room to set bars apart
        for (const Column& col : columns) {
            const double wide = gaps ? width(col) * 0.8 : width(col);
            for (const auto& [kind, n] : {std::pair{"bar most", col.mostCalls}, std::pair{"bar least", col.leastCalls}}) {
                if (n == 0 || (col.leastCalls == col.mostCalls && std::string(kind) == "bar least")) continue;
                const double height = std::max(1.0, n * scale);
                out << "<rect class=\"" << kind << "\" x=\"" << number(left(col)) << "\" y=\""
                    << number(top + kCallsHeight - height) << "\" width=\"" << number(wide) << "\" height=\""
                    << number(height) << "\"/>\n";
            }
        }
        // Red: the watched plugin was loaded (switched off, or writing a fresh file); grey, on top:
        // it was not loaded at all.
        out << "</g>\n<g id=\"idle\">\n";
        for (const Column& col : columns) {
            if (col.idle == 0) continue;
            const double frameCount = static_cast<double>(col.frames());
            double bottom = idleTop + kIdleHeight;
            for (const auto& [kind, n] : {std::pair{"idle", col.idle - col.idleUnloaded}, std::pair{"idle unloaded", col.idleUnloaded}}) {
                if (n == 0) continue;
                const double height = std::max(1.0, kIdleHeight * static_cast<double>(n) / frameCount);
                out << "<rect class=\"" << kind << "\" x=\"" << number(left(col)) << "\" y=\"" << number(bottom - height)
                    << "\" width=\"" << number(width(col)) << "\" height=\"" << number(height) << "\"/>\n";
                bottom -= height;
            }
        }
        out << "</g>\n";
    }

    // A column over the lower lanes for each pixel column: its figures on hover, and in data
    // attributes for whoever reads the page without looking at it.
    void frameColumns(double top, double bottom) {
        out << "<g id=\"frames\">\n";
        for (const Column& col : columns) {
            const FrameRecord& f = frames[col.begin];
            const bool single = col.frames() == 1;
            const SettledCount& s = f.settled;
            std::string damage, accuracy;
            if (single) {
                damage = percent(s.atDamage, s.notExempt);
                accuracy = f.targets.accuracy ? percent(s.atAccuracy, s.notExempt) : "left alone";
            } else {
                damage = col.mostDamage ? span(std::floor(*col.leastDamage * 100), std::floor(*col.mostDamage * 100)) : "n/a";
                accuracy = col.mostAccuracy
                               ? span(std::floor(*col.leastAccuracy * 100), std::floor(*col.mostAccuracy * 100)) +
                                     (col.leftAlone > 0 ? ", left alone in " + std::to_string(col.leftAlone) : "")
                               : "left alone";
            }
            out << "<rect class=\"frame\" data-frame=\"" << f.frame << "\" data-last=\"" << frames[col.end - 1].frame
                << "\" data-not-exempt=\"" << span(col.leastNotExempt, col.mostNotExempt) << "\" data-in-reach=\""
                << span(col.leastInReach, col.mostInReach) << "\" data-damage-share=\"" << damage
                << "\" data-accuracy-share=\"" << accuracy << "\" data-natives=\""
                << span(col.leastCalls, col.mostCalls) << "\" x=\"" << number(left(col)) << "\" y=\"" << number(top)
                << "\" width=\"" << number(width(col)) << "\" height=\"" << number(bottom - top) << "\"><title>";
            if (single) {
                frameTitle(f);
            } else {
                out << frameSpan(col) << " (" << col.frames() << " frames; least and most of them)\n"
                    << "peds not exempt: " << span(col.leastNotExempt, col.mostNotExempt) << ", within the plugin's reach: "
                    << span(col.leastInReach, col.mostInReach) << "\ndamage modifier share: " << damage
                    << " %\naccuracy share: " << accuracy << (col.mostAccuracy ? " %" : "") << "\n"
                    << span(col.leastCalls, col.mostCalls) << " native calls; " << col.idle << " frame(s) without any";
            }
            out << "</title></rect>\n";
        }
        out << "</g>\n";
    }

    void frameTitle(const FrameRecord& f) {
        const SettledCount& s = f.settled;
        const std::string of = " of " + std::to_string(s.notExempt) + " peds not exempt";
        out << "frame " << f.frame << ": " << escape(f.weatherLabel) << "\ndamage modifier "
            << decimal(f.targets.damageModifier) << (f.targets.kept ? " (kept)" : "") << ": " << s.atDamage << of << " ("
            << percent(s.atDamage, s.notExempt) << " %)\n";
        if (f.targets.accuracy) {
            out << "accuracy " << *f.targets.accuracy << ": " << s.atAccuracy << of << " ("
                << percent(s.atAccuracy, s.notExempt) << " %)\n";
        } else {
            out << "accuracy left alone\n";
        }
        if (s.beyondReach() > 0) out << s.beyondReach() << of << " beyond the plugin's reach, never touched\n";
        out << f.tally.nativeCalls << " native calls";
        if (f.tally.nativeCalls == 0) {
            const bool loaded = run.plugins.empty() || run.watched >= 64 || (f.pluginsLoaded >> run.watched & 1u);
            out << (loaded ? " (" + pluginName() + " switched off, or writing a fresh file)"
                           : " (" + pluginName() + " not loaded)");
        }
        out << ", " << f.tally.pedsChanged << " peds changed\n" << escape(pluginsInFrame(run, f));
    }

    static std::string legend() {
        return "<span class=\"key damage\"></span> damage modifier "
               "<span class=\"key accuracy\"></span> accuracy "
               "<span class=\"key left-alone\"></span> accuracy left alone "
               "<span class=\"key beyond\"></span> beyond the plugin's reach "
               "<span class=\"key loaded\"></span> plugin loaded "
               "<span class=\"key bar\"></span> native calls (most; darker: least) "
               "<span class=\"key idle\"></span> no native call: switched off or writing a fresh file "
               "<span class=\"key unloaded\"></span> no native call: not loaded "
               "<span class=\"key marker\"></span> scenario event "
               "<span class=\"key no-row\"></span> weather with no row. "
               "Hover for the figures; where a pixel column holds several frames, a lane shows what was there at "
               "all, the least and the most. Shares count every ped the game does not exempt.";
    }

    // Rows of a long table: the first kRowsShown, then up to kRowsMore behind a "... N more" to
    // open, then how many are not listed at all. `row(i)` writes row i.
    template <typename Row>
    void cappedRows(std::size_t count, const std::string& open, const char* close, const char* what, Row row) {
        for (std::size_t i = 0; i < count && i < kRowsShown; ++i) row(i);
        out << close;
        if (count <= kRowsShown) return;
        const std::size_t more = std::min(count - kRowsShown, kRowsMore);
        out << "<details class=\"more\"><summary>... " << count - kRowsShown << " more " << what << "</summary>\n"
            << open;
        for (std::size_t i = kRowsShown; i < kRowsShown + more; ++i) row(i);
        out << close;
        if (count > kRowsShown + more) {
            out << "<p class=\"unlisted\">... and " << count - kRowsShown - more << " more " << what
                << " not listed here: the text report has every one.</p>\n";
        }
        out << "</details>\n";
    }

    // What Veltrane.ini asked in each phase, and how the phase went, in the text report's words.
    void phaseTable() {
        const char* open = "<table class=\"phases\">\n<thead><tr><th>Frames</th><th>Weather</th>"
                           "<th>Veltrane.ini asks</th><th>Peds changed per frame</th><th>Settled</th>"
                           "<th>Native calls per frame</th></tr></thead>\n<tbody>\n";
        out << "<h2>Per weather phase</h2>\n" << open;
        cappedRows(phases.size(), open, "</tbody>\n</table>\n", "phases", [&](std::size_t p) {
            const Phase& phase = phases[p];
            const FrameRecord& first = frames[phase.begin];
            out << "<tr><td>" << first.frame << "-" << frames[phase.end - 1].frame << "</td><td>"
                << escape(first.weatherLabel) << "</td><td><ul>";
            std::string asked;
            std::size_t changes = 0;
            std::vector<std::uint32_t> changed, natives;
            for (std::size_t i = phase.begin; i < phase.end; ++i) {
                const FrameRecord& f = frames[i];
                if (f.asked != asked) {
                    if (changes++ < 5) {
                        out << "<li>" << (i == phase.begin ? "" : "frame " + std::to_string(f.frame) + ": ")
                            << escape(capped(f.asked)) << "</li>";
                    }
                    asked = f.asked;
                }
                changed.push_back(f.tally.pedsChanged);
                natives.push_back(f.tally.nativeCalls);
            }
            if (changes > 5) out << "<li>... " << changes - 5 << " more changes</li>";
            out << "</ul></td><td>" << escape(runLengths(changed)) << "</td><td>"
                << escape(capped(settling(frames, phase.begin, phase.end))) << "</td><td>"
                << escape(runLengths(natives));
            for (const std::string& idle : idleFrames(run, phase.begin, phase.end)) out << "<br>" << escape(idle);
            out << "</td></tr>\n";
        });
    }

    void eventList() {
        struct Listed {
            const FrameRecord* frame;
            const FrameEvent* event;
        };
        std::vector<Listed> listed;
        for (const FrameRecord& f : frames) {
            for (const FrameEvent& event : f.events) listed.push_back({&f, &event});
        }
        out << "<h2>Scenario events</h2>\n<ol id=\"events\">\n";
        const std::string more = "<ol class=\"events\" start=\"" + std::to_string(kRowsShown + 1) + "\">\n";
        cappedRows(listed.size(), more.c_str(), "</ol>\n", "events", [&](std::size_t i) {
            const Listed& l = listed[i];
            out << "<li id=\"event-" << i << "\" data-frame=\"" << l.frame->frame << "\"><span class=\"at\">frame "
                << l.frame->frame << "</span> " << escape(capped(l.event->what));
            if (!l.event->note.empty()) out << " <span class=\"note\">" << escape(capped(l.event->note)) << "</span>";
            out << "</li>\n";
        });
    }
};

const char* const Page::kStyle = R"css(:root {
  color-scheme: light dark;
  --bg: #ffffff; --fg: #1d1f23; --muted: #5d6470; --grid: #dde1e6;
  --damage: #c2410c; --accuracy: #1d4ed8; --bar: #8391a3; --idle: #dc2626; --marker: #7c3aed;
  --band-s: 60%; --band-l: 82%; --hot: #fde68a; --loaded: #15803d;
}
@media (prefers-color-scheme: dark) {
  :root {
    --bg: #15171b; --fg: #e6e8eb; --muted: #9aa3ad; --grid: #2f343b;
    --damage: #fb923c; --accuracy: #60a5fa; --bar: #64748b; --idle: #f87171; --marker: #c4b5fd;
    --band-s: 40%; --band-l: 28%; --hot: #574514; --loaded: #4ade80;
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
.band.no-row rect, .part.no-row { fill: url(#no-row); }
.part { fill: hsl(var(--hue) var(--band-s) var(--band-l)); }
.no-row-ground { fill: hsl(0 0% var(--band-l)); }
.no-row-line { stroke: var(--muted); stroke-width: 3; }
.marker { fill: var(--marker); stroke: var(--bg); stroke-width: 1; }
.marker.hot { fill: var(--idle); }
.marker.many { stroke: none; }
.share { stroke-width: 2; stroke-linejoin: round; }
.share.damage { stroke: var(--damage); fill: var(--damage); fill-opacity: 0.3; stroke-width: 4; }
.share.accuracy { stroke: var(--accuracy); fill: var(--accuracy); fill-opacity: 0.3; }
.share.beyond { stroke: none; fill: var(--muted); fill-opacity: 0.3; }
.limit { font-weight: bold; }
.loaded { fill: var(--loaded); }
.left-alone { fill: var(--accuracy); opacity: 0.35; }
.bar { fill: var(--bar); opacity: 0.55; }
.bar.least { opacity: 1; }
.idle { fill: var(--idle); }
.idle.unloaded { fill: var(--muted); }
.frame { fill: transparent; }
.frame:hover { fill: var(--fg); opacity: 0.08; }
.key { display: inline-block; width: 1.6em; height: 0.7em; margin-left: 0.8em; vertical-align: middle; }
.key.damage { background: var(--damage); } .key.accuracy { background: var(--accuracy); }
.key.left-alone { background: var(--accuracy); opacity: 0.35; } .key.bar { background: var(--bar); }
.key.idle { background: var(--idle); } .key.unloaded { background: var(--muted); } .key.loaded { background: var(--loaded); }
.key.beyond { background: var(--muted); opacity: 0.3; } .key.marker { background: var(--marker); border-radius: 50%; width: 0.7em; }
.key.no-row { background: repeating-linear-gradient(45deg, var(--muted) 0 2px, transparent 2px 6px); }
table { border-collapse: collapse; width: 100%; table-layout: fixed; }
th, td { text-align: left; vertical-align: top; padding: 0.35em 0.6em; border-bottom: 1px solid var(--grid); }
td, li, .facts, code { overflow-wrap: anywhere; }
th:first-child, td:first-child { width: 8em; }
details.more > summary { cursor: pointer; color: var(--muted); margin: 0.5em 0; }
.note { color: var(--muted); font-style: italic; }
.note::before { content: "\2014  "; }
td ul { margin: 0; padding-left: 1.1em; }
#events li.hot { background: var(--hot); }
.at { color: var(--muted); }
)css";

// Hovering a marker lights its line in the list and the other way round. Then the page counts
// what the browser laid out inside the chart (bands, markers, list lines) into #page-check.
const char* const Page::kScript = R"js((function () {
  "use strict";
  const svg = document.getElementById("run");
  for (const marker of svg.querySelectorAll(".marker")) {
    const line = document.getElementById("event-" + marker.dataset.index);
    if (!line) continue;  // past the listed events
    const on = () => { marker.classList.add("hot"); line.classList.add("hot"); };
    const off = () => { marker.classList.remove("hot"); line.classList.remove("hot"); };
    for (const element of [marker, line]) {
      element.addEventListener("mouseenter", on);
      element.addEventListener("mouseleave", off);
    }
  }
  const box = svg.getBoundingClientRect();
  const inside = (element) => {
    const r = element.getBoundingClientRect();
    return r.width > 0 && r.height > 0 && r.left >= box.left - 1 && r.right <= box.right + 1 &&
           r.top >= box.top - 1 && r.bottom <= box.bottom + 1;
  };
  const laidOut = (selector) => Array.from(svg.querySelectorAll(selector)).filter(inside);
  // The share of a lane's area that its rectangles cover, in percent: what a reader sees of it.
  const ink = (selector, height) => {
    let area = 0;
    for (const element of laidOut(selector)) {
      const b = element.getBBox();
      area += b.width * b.height;
    }
    return (100 * area / (PLOT_WIDTH * height)).toFixed(1);
  };
  const check = document.getElementById("page-check");
  check.dataset.bands = laidOut(".band rect").length;
  check.dataset.markers = laidOut(".marker").length;
  check.dataset.listed = document.querySelectorAll("li[id^='event-']").length;
  check.dataset.mixed = laidOut(".mix").length;
  check.dataset.weatherInk = ink("#weather rect", WEATHER_HEIGHT);
  check.dataset.callsInk = ink(".bar.most", CALLS_HEIGHT);
  check.dataset.idleInk = ink(".idle", IDLE_HEIGHT);
  check.dataset.loadedInk = ink(".loaded", PLUGIN_ROWS_HEIGHT);
  check.dataset.shares = laidOut(".share.damage").length;
})();
)js";

}  // namespace

std::string renderHtml(const RunRecord& run) { return Page(run).render(); }

}  // namespace sim
