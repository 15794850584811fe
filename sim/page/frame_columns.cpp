#include <cmath>
#include <sstream>

#include "sim/page/lanes.h"
#include "sim/page/markup.h"

namespace sim::page {

namespace {

std::string pluginName(const RunRecord& run) {
    return run.watched < run.plugins.size() ? run.plugins[run.watched] : std::string("the plugin");
}

void frameTitle(std::ostream& out, const RunRecord& run, const FrameRecord& f) {
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
    if (s.beyondReach() > 0) out << s.beyondReach() << of << " beyond the plugin's reach; " << untouchedSoFar(f) << "\n";
    out << f.tally.nativeCalls << " native calls";
    if (f.tally.nativeCalls == 0) {
        const bool loaded = run.plugins.empty() || run.watched >= 64 || (f.pluginsLoaded >> run.watched & 1u);
        out << (loaded ? " (" + pluginName(run) + " switched off, or writing a fresh file)"
                       : " (" + pluginName(run) + " not loaded)");
    }
    out << ", " << f.tally.pedsChanged << " peds changed\n" << escape(pluginsInFrame(run, f));
}

}  // namespace

std::string frameColumns(const Plot& plot, double top, double bottom) {
    std::ostringstream out;
    out << "<g id=\"frames\">\n";
    for (const Column& col : plot.columns) {
        const FrameRecord& f = plot.frames[col.begin];
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
        out << "<rect class=\"frame\" data-frame=\"" << f.frame << "\" data-last=\"" << plot.frames[col.end - 1].frame
            << "\" data-not-exempt=\"" << span(col.leastNotExempt, col.mostNotExempt) << "\" data-in-reach=\""
            << span(col.leastInReach, col.mostInReach) << "\" data-damage-share=\"" << damage
            << "\" data-accuracy-share=\"" << accuracy << "\" data-natives=\"" << span(col.leastCalls, col.mostCalls)
            << "\" x=\"" << number(plot.left(col)) << "\" y=\"" << number(top) << "\" width=\""
            << number(plot.width(col)) << "\" height=\"" << number(bottom - top) << "\"><title>";
        if (single) {
            frameTitle(out, plot.run, f);
        } else {
            out << plot.frameSpan(col) << " (" << col.frames() << " frames; least and most of them)\n"
                << "peds not exempt: " << span(col.leastNotExempt, col.mostNotExempt) << ", within the plugin's reach: "
                << span(col.leastInReach, col.mostInReach) << "\ndamage modifier share: " << damage
                << " %\naccuracy share: " << accuracy << (col.mostAccuracy ? " %" : "") << "\n"
                << span(col.leastCalls, col.mostCalls) << " native calls; " << col.idle << " frame(s) without any";
        }
        out << "</title></rect>\n";
    }
    out << "</g>\n";
    return out.str();
}

}  // namespace sim::page
