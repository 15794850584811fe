#include <sstream>

#include "sim/page/lanes.h"
#include "sim/page/markup.h"
#include "tuning/tuning_pass.h"

namespace sim::page {

namespace {

constexpr double kHeight = 130;

class ShareLane {
public:
    ShareLane(const Plot& drawn, double top) : plot(drawn), low(top + kHeight - 6), high(top + 6) {}

    // Per column the least and the most share of the peds not exempt at each value: a band
    // between the two, a line where they are equal; broken where there is nothing to measure.
    // A grey area from the top holds the share beyond the plugin's reach, and a hatched strip
    // under the columns in which the plugin leaves the accuracy alone in some frame.
    Lane draw() {
        out << "<g id=\"shares\">\n";
        for (const int level : {0, 50, 100}) {
            const double at = y(level / 100.0);
            out << "<line class=\"grid\" x1=\"" << number(kLeft) << "\" x2=\"" << number(kLeft + kPlotWidth)
                << "\" y1=\"" << number(at) << "\" y2=\"" << number(at) << "\"/><text class=\"scale\" x=\""
                << number(kLeft + kPlotWidth + 2) << "\" y=\"" << number(at + 3) << "\">" << level << "%</text>\n";
        }
        const std::string beyond = "peds not exempt beyond the plugin's reach (it handles the first " +
                                   std::to_string(kPedCapacity) + " peds the game lists)";
        area("beyond", [](const Column& c) -> std::optional<double> { if (c.mostBeyond > 0) return 1.0; return std::nullopt; },
             [](const Column& c) -> std::optional<double> { return 1.0 - c.mostBeyond; }, beyond);
        area("damage", [](const Column& c) { return c.mostDamage; }, [](const Column& c) { return c.leastDamage; },
             "share of the peds not exempt at the damage modifier");
        area("accuracy", [](const Column& c) { return c.mostAccuracy; }, [](const Column& c) { return c.leastAccuracy; },
             "share of the peds not exempt at the accuracy");
        leftAlone();
        out << "</g>\n" << laneLabel(high + 8, "peds at the values", kLabelRight)
            << laneLabel(high + 24, "the plugin works towards", kLabelRight);
        return {out.str(), kHeight};
    }

private:
    const Plot& plot;
    const double low, high;
    std::ostringstream out;

    double y(double share) const { return low - (low - high) * share; }

    // One closed outline per stretch of columns with a value: along the most, back along the least.
    template <typename Most, typename Least>
    void area(const char* kind, Most most, Least least, const std::string& title) {
        const auto& columns = plot.columns;
        for (std::size_t c = 0; c < columns.size();) {
            if (!most(columns[c])) {
                ++c;
                continue;
            }
            std::size_t d = c;
            while (d < columns.size() && most(columns[d])) ++d;
            std::string path = "M" + number(plot.left(columns[c])) + " " + number(y(*most(columns[c])));
            for (std::size_t k = c; k < d; ++k) path += " V" + number(y(*most(columns[k]))) + " H" + number(plot.x(columns[k].end));
            for (std::size_t k = d; k-- > c;) path += " V" + number(y(*least(columns[k]))) + " H" + number(plot.left(columns[k]));
            out << "<path class=\"share " << kind << "\" d=\"" << path << " Z\"><title>frames "
                << plot.frames[columns[c].begin].frame << "-" << plot.frames[columns[d - 1].end - 1].frame << ": " << title
                << "</title></path>\n";
            c = d;
        }
    }

    void leftAlone() {
        const auto& columns = plot.columns;
        for (std::size_t c = 0; c < columns.size();) {
            if (columns[c].leftAlone == 0) {
                ++c;
                continue;
            }
            std::size_t d = c;
            while (d < columns.size() && columns[d].leftAlone > 0) ++d;
            out << "<rect class=\"left-alone\" x=\"" << number(plot.left(columns[c])) << "\" y=\"" << number(low + 1)
                << "\" width=\"" << number(plot.x(columns[d - 1].end) - plot.left(columns[c]))
                << "\" height=\"5\"><title>frames " << plot.frames[columns[c].begin].frame << "-"
                << plot.frames[columns[d - 1].end - 1].frame << ": the plugin leaves the accuracy alone"
                << (columns[c].leftAlone < columns[c].frames() ? " (in some of them)" : "") << "</title></rect>\n";
            c = d;
        }
    }
};

}  // namespace

Lane shareLane(const Plot& plot, double top) { return ShareLane(plot, top).draw(); }

}  // namespace sim::page
