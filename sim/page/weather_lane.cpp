#include <algorithm>
#include <cmath>
#include <sstream>

#include "sim/page/lanes.h"
#include "sim/page/markup.h"
#include "settings/weather_table.h"

namespace sim::page {

namespace {

constexpr double kBandHeight = 44;
constexpr double kKeyRow = 18;      // a line of the key under the bands
constexpr double kCharWidth = 6.6;  // a character of the key's text, about

// Each weather's hue from its place in the weather table, a golden angle apart, so that
// neighbouring rows (Snow, Snowlight) still differ; a weather with no row is hatched instead.
int hueOf(std::uint32_t weather) {
    const WeatherEntry* entry = findWeatherEntry(weather);
    if (entry == nullptr) return 0;
    const auto index = static_cast<double>(entry - weatherTable.data());
    return static_cast<int>(std::fmod(20.0 + index * 137.508, 360.0));
}

std::string weatherName(std::uint32_t weather, const std::string& label) {
    if (const WeatherEntry* entry = findWeatherEntry(weather)) return entry->name;
    return label.substr(0, label.find(", no row")) + " (no row)";
}

// What the bands, the parts of mixed columns and the key's swatches of one weather share.
std::string looks(std::uint32_t weather) {
    return " data-weather=\"" + hashText(weather) + "\" style=\"--hue:" + std::to_string(hueOf(weather)) + "\"";
}

class WeatherLane {
public:
    WeatherLane(const Plot& drawn, double laneTop) : plot(drawn), top(laneTop) {}

    Lane draw() {
        out << "<g id=\"weather\" data-height=\"" << number(kBandHeight) << "\">\n";
        std::size_t phase = 0;
        for (std::size_t c = 0; c < plot.columns.size();) {
            if (plot.columns[c].weathers.size() > 1) {
                mixedColumn(plot.columns[c++]);
                continue;
            }
            const std::uint32_t weather = plot.columns[c].weathers.front().first;
            std::size_t d = c + 1;
            while (d < plot.columns.size() && plot.columns[d].weathers.size() == 1 &&
                   plot.columns[d].weathers.front().first == weather) {
                ++d;
            }
            band(phase++, plot.columns[c], plot.columns[d - 1]);
            c = d;
        }
        out << "</g>\n" << laneLabel(top + kBandHeight / 2, "weather", kLabelRight);
        const double keyHeight = key(top + kBandHeight + 6);
        return {out.str(), kBandHeight + 6 + keyHeight};
    }

private:
    const Plot& plot;
    const double top;
    std::ostringstream out;

    // A band over the columns `from` to `to`, which held one weather only (in a short run, one
    // per phase), named where the name fits; the hover title always has it.
    void band(std::size_t phase, const Column& from, const Column& to) {
        const FrameRecord& first = plot.frames[from.begin];
        const FrameRecord& last = plot.frames[to.end - 1];
        const bool hasRow = findWeatherEntry(first.weather) != nullptr;
        const double x = plot.left(from), wide = plot.x(to.end) - x;
        out << "<g class=\"band" << (hasRow ? "" : " no-row") << "\" data-phase=\"" << phase << "\" data-first=\""
            << first.frame << "\" data-last=\"" << last.frame << "\"" << looks(first.weather) << "><title>frames "
            << first.frame << "-" << last.frame << ": " << escape(first.weatherLabel) << " (" << hashText(first.weather)
            << ")" << (hasRow ? "" : ": the plugin keeps the last weather's values") << "</title><rect x=\"" << number(x)
            << "\" y=\"" << number(top) << "\" width=\"" << number(wide) << "\" height=\"" << number(kBandHeight) << "\"/>";
        const std::string name = weatherName(first.weather, first.weatherLabel);
        if (wide >= 7.0 * static_cast<double>(name.size()) + 6) {
            out << "<text x=\"" << number(x + 4) << "\" y=\"" << number(top + kBandHeight / 2 + 4) << "\">"
                << escape(name) << "</text>";
        }
        out << "</g>\n";
    }

    // A column of several weathers stacks them, each as high as its share of the column's frames.
    void mixedColumn(const Column& col) {
        out << "<g class=\"mix\" data-first=\"" << plot.frames[col.begin].frame << "\" data-last=\""
            << plot.frames[col.end - 1].frame << "\"><title>" << plot.frameSpan(col) << ":";
        for (std::size_t w = 0; w < col.weathers.size(); ++w) {
            const auto& [weather, count] = col.weathers[w];
            const auto named = std::find_if(plot.frames.begin() + static_cast<std::ptrdiff_t>(col.begin),
                                            plot.frames.begin() + static_cast<std::ptrdiff_t>(col.end),
                                            [&](const FrameRecord& f) { return f.weather == weather; });
            out << (w ? ", " : " ") << escape(weatherName(weather, named->weatherLabel)) << " (" << count << ")";
        }
        out << "</title>";
        double y = top;
        for (const auto& [weather, count] : col.weathers) {
            const double height = kBandHeight * static_cast<double>(count) / static_cast<double>(col.frames());
            out << "<rect class=\"part" << (findWeatherEntry(weather) ? "" : " no-row") << "\"" << looks(weather)
                << " x=\"" << number(plot.left(col)) << "\" y=\"" << number(y) << "\" width=\""
                << number(plot.width(col)) << "\" height=\"" << number(height) << "\"/>";
            y += height;
        }
        out << "</g>\n";
    }

    // Each weather shown, first seen first, with its colour and its share of the frames; lines
    // of the key wrap at the plot's width. Returns the key's height.
    double key(double keyTop) {
        struct Seen {
            std::uint32_t weather;
            const FrameRecord* first;
            std::size_t frames = 0, phases = 0;
        };
        std::vector<Seen> seen;
        for (std::size_t i = 0; i < plot.frames.size(); ++i) {
            const FrameRecord& f = plot.frames[i];
            auto it = std::find_if(seen.begin(), seen.end(), [&](const Seen& s) { return s.weather == f.weather; });
            if (it == seen.end()) it = seen.insert(seen.end(), {f.weather, &f});
            ++it->frames;
            if (i == 0 || plot.frames[i - 1].weather != f.weather) ++it->phases;
        }
        out << "<g id=\"weather-key\">\n";
        double x = kLeft, y = keyTop;
        for (const Seen& s : seen) {
            const std::string name = weatherName(s.weather, s.first->weatherLabel);
            const double wide = 20 + kCharWidth * static_cast<double>(name.size()) + 14;
            if (x > kLeft && x + wide > kLeft + kPlotWidth) {
                x = kLeft;
                y += kKeyRow;
            }
            out << "<g class=\"weather-key" << (findWeatherEntry(s.weather) ? "" : " no-row") << "\"" << looks(s.weather)
                << "><title>" << escape(s.first->weatherLabel) << " (" << hashText(s.weather) << "): " << s.frames
                << " frame(s) in " << s.phases << " phase(s)</title><rect x=\"" << number(x) << "\" y=\"" << number(y)
                << "\" width=\"16\" height=\"11\"/><text x=\"" << number(x + 20) << "\" y=\"" << number(y + 10)
                << "\">" << escape(name) << "</text></g>\n";
            x += wide;
        }
        out << "</g>\n";
        return seen.empty() ? 0 : y + kKeyRow - keyTop;
    }
};

}  // namespace

Lane weatherLane(const Plot& plot, double top) { return WeatherLane(plot, top).draw(); }

}  // namespace sim::page
