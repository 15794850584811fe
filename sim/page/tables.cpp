#include "sim/page/tables.h"

#include <algorithm>
#include <sstream>

#include "sim/page/event_marks.h"
#include "sim/page/markup.h"

namespace sim::page {

namespace {

// Rows shown at once, and at most this many more behind a "... N more" to open.
constexpr std::size_t kRowsShown = 30;
constexpr std::size_t kRowsMore = 1000;
constexpr std::size_t kAskedShown = 5;  // changes of what the file asks, per phase

// Rows of a long table: the first kRowsShown, then up to kRowsMore behind a "... N more" to
// open, then how many are not listed at all. `row(i)` writes row i.
template <typename Row>
void cappedRows(std::ostream& out, std::size_t count, const std::string& open, const char* close, const char* what,
                Row row) {
    for (std::size_t i = 0; i < count && i < kRowsShown; ++i) row(i);
    out << close;
    if (count <= kRowsShown) return;
    const std::size_t more = std::min(count - kRowsShown, kRowsMore);
    out << "<details class=\"more\"><summary>... " << count - kRowsShown << " more " << what << "</summary>\n" << open;
    for (std::size_t i = kRowsShown; i < kRowsShown + more; ++i) row(i);
    out << close;
    if (count > kRowsShown + more) {
        out << "<p class=\"unlisted\">... and " << count - kRowsShown - more << " more " << what
            << " not listed here: the text report has every one.</p>\n";
    }
    out << "</details>\n";
}

void phaseRow(std::ostream& out, const Plot& plot, const Phase& phase) {
    const auto& frames = plot.frames;
    const FrameRecord& first = frames[phase.begin];
    out << "<tr><td>" << first.frame << "-" << frames[phase.end - 1].frame << "</td><td>" << escape(first.weatherLabel)
        << "</td><td><ul>";
    std::string asked;
    std::size_t changes = 0;
    std::vector<std::uint32_t> changed, natives;
    for (std::size_t i = phase.begin; i < phase.end; ++i) {
        const FrameRecord& f = frames[i];
        if (f.asked != asked) {
            if (changes++ < kAskedShown) {
                out << "<li>" << (i == phase.begin ? "" : "frame " + std::to_string(f.frame) + ": ")
                    << escape(capped(f.asked)) << "</li>";
            }
            asked = f.asked;
        }
        changed.push_back(f.tally.pedsChanged);
        natives.push_back(f.tally.nativeCalls);
    }
    if (changes > kAskedShown) out << "<li>... " << changes - kAskedShown << " more changes</li>";
    out << "</ul></td><td>" << escape(runLengths(changed)) << "</td><td>"
        << escape(capped(settling(frames, phase.begin, phase.end)));
    if (const std::string reach = reachLine(frames, phase.begin, phase.end); !reach.empty())
        out << "<br>" << escape(capped(reach));
    out << "</td><td>" << escape(runLengths(natives));
    for (const std::string& idle : idleFrames(plot.run, phase.begin, phase.end)) out << "<br>" << escape(idle);
    out << "</td></tr>\n";
}

}  // namespace

std::string phaseTable(const Plot& plot) {
    std::ostringstream out;
    const std::vector<Phase> phases = weatherPhases(plot.frames);
    const std::string open = "<table class=\"phases\">\n<thead><tr><th>Frames</th><th>Weather</th>"
                             "<th>Veltrane.ini asks</th><th>Peds changed per frame</th><th>Settled</th>"
                             "<th>Native calls per frame</th></tr></thead>\n<tbody>\n";
    out << "<h2>Per weather phase</h2>\n" << open;
    cappedRows(out, phases.size(), open, "</tbody>\n</table>\n", "phases",
               [&](std::size_t p) { phaseRow(out, plot, phases[p]); });
    return out.str();
}

std::string eventList(const Plot& plot) {
    struct Listed {
        const FrameRecord* frame;
        const FrameEvent* event;
    };
    std::vector<Listed> listed;
    for (const FrameRecord& f : plot.frames) {
        for (const FrameEvent& event : f.events) listed.push_back({&f, &event});
    }
    std::ostringstream out;
    out << "<h2>Scenario events</h2>\n<ol id=\"events\">\n";
    const std::string more = "<ol class=\"events\" start=\"" + std::to_string(kRowsShown + 1) + "\">\n";
    cappedRows(out, listed.size(), more, "</ol>\n", "events", [&](std::size_t i) {
        const Listed& l = listed[i];
        out << "<li id=\"event-" << i << "\" data-kind=\"" << eventMark(l.event->kind).id << "\" data-frame=\""
            << l.frame->frame << "\"><span class=\"at\">frame " << l.frame->frame << "</span> "
            << escape(capped(l.event->what));
        if (!l.event->note.empty()) out << " <span class=\"note\">" << escape(capped(l.event->note)) << "</span>";
        out << "</li>\n";
    });
    return out.str();
}

}  // namespace sim::page
