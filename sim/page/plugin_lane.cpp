#include <sstream>

#include "sim/page/lanes.h"
#include "sim/page/markup.h"

namespace sim::page {

namespace {

constexpr double kRow = 14;

}  // namespace

Lane pluginLane(const Plot& plot, double top) {
    std::ostringstream out;
    const auto& columns = plot.columns;
    const std::size_t rows = std::min<std::size_t>(plot.run.plugins.size(), 64);
    out << "<g id=\"plugins\" data-height=\"" << number(static_cast<double>(std::max<std::size_t>(rows, 1)) * (kRow - 3))
        << "\">\n";
    for (std::size_t p = 0; p < rows; ++p) {
        const std::string& name = plot.run.plugins[p];
        const double rowTop = top + static_cast<double>(p) * kRow;
        out << laneLabel(rowTop + kRow - 3, name + " loaded", kLabelRight);
        const auto share = [&](std::size_t k) {
            return static_cast<double>(columns[k].loaded[p]) / static_cast<double>(columns[k].frames());
        };
        for (std::size_t c = 0; c < columns.size();) {
            const double here = share(c);
            std::size_t d = c + 1;
            while (d < columns.size() && share(d) == here) ++d;
            if (here > 0) {
                const double height = (kRow - 3) * here;
                out << "<rect class=\"loaded\" data-plugin=\"" << escape(name) << "\" x=\"" << number(plot.left(columns[c]))
                    << "\" y=\"" << number(rowTop + kRow - 2 - height) << "\" width=\""
                    << number(plot.x(columns[d - 1].end) - plot.left(columns[c])) << "\" height=\"" << number(height)
                    << "\"><title>" << escape(name) << " loaded in "
                    << (here == 1 ? "every frame" : number(here * 100) + " % of the frames") << " of frames "
                    << plot.frames[columns[c].begin].frame << "-" << plot.frames[columns[d - 1].end - 1].frame
                    << "</title></rect>\n";
            }
            c = d;
        }
    }
    out << "</g>\n";
    return {out.str(), static_cast<double>(plot.run.plugins.size()) * kRow};
}

}  // namespace sim::page
