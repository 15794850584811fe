#include <algorithm>
#include <array>
#include <sstream>
#include <string>
#include <vector>

#include "sim/page/event_marks.h"
#include "sim/page/lanes.h"
#include "sim/page/markup.h"

namespace sim::page {

namespace {

constexpr double kRow = 16;
constexpr double kHalfMark = 5.5;   // the widest mark's half width
constexpr double kCountAt = 6.5;    // where a mark's count begins, from its centre
constexpr double kDigit = 6;        // a digit of the count, at most
constexpr double kMarkGap = 2;
constexpr std::size_t kTold = 5;  // events told in words in a mark's hover title

constexpr std::array<EventMark, 6> kMarks = {{
    {"weather", "weather changes", "<circle id=\"mark-weather\" r=\"4.5\"/>"},
    {"peds", "peds spawn, despawn", "<rect id=\"mark-peds\" x=\"-4\" y=\"-4\" width=\"8\" height=\"8\"/>"},
    {"file", "Veltrane.ini edits", "<path id=\"mark-file\" d=\"M0-5.5 5.5 0 0 5.5-5.5 0Z\"/>"},
    {"keys", "keystrokes", "<path id=\"mark-keys\" d=\"M0-5 5 4H-5Z\"/>"},
    {"plugins", "plugins unload, load", "<path id=\"mark-plugins\" d=\"M0 5 5-4H-5Z\"/>"},
    {"faults", "faults, damage resets",
     "<path id=\"mark-faults\" d=\"M-4-2.5-2.5-4 0-1.5 2.5-4 4-2.5 1.5 0 4 2.5 2.5 4 0 1.5-2.5 4-4 2.5-1.5 0Z\"/>"},
}};

std::size_t markIndex(EventKind kind) {
    switch (kind) {
        case EventKind::Weather: return 0;
        case EventKind::Spawn:
        case EventKind::Despawn: return 1;
        case EventKind::SetKey:
        case EventKind::DeleteKey:
        case EventKind::DeleteFile:
        case EventKind::WriteFile:
        case EventKind::MakeDirectory: return 2;
        case EventKind::Keystroke: return 3;
        case EventKind::Unload:
        case EventKind::Load: return 4;
        case EventKind::Fault:
        case EventKind::ResetDamage: return 5;
    }
    return 5;
}

// One event where the chart puts it: its frame and its number in the run (and in the list).
struct Placed {
    std::size_t frame;
    std::size_t number;
    const FrameEvent* event;
};

class EventLane {
public:
    EventLane(const Plot& drawn, double laneTop) : plot(drawn), top(laneTop) {
        for (std::size_t i = 0; i < plot.frames.size(); ++i) {
            for (const FrameEvent& event : plot.frames[i].events) byKind[markIndex(event.kind)].push_back({i, total++, &event});
        }
    }

    Lane draw() {
        out << "<defs>";
        for (std::size_t k = 0; k < kMarks.size(); ++k) {
            if (!byKind[k].empty()) out << kMarks[k].shape;
        }
        out << "</defs>\n<g id=\"markers\" data-events=\"" << total << "\">\n";
        double y = top + kRow / 2;
        for (std::size_t k = 0; k < kMarks.size(); ++k) {
            if (byKind[k].empty()) continue;
            row(kMarks[k], byKind[k], y);
            y += kRow;
        }
        out << "</g>\n";
        y = top + kRow / 2;
        for (std::size_t k = 0; k < kMarks.size(); ++k) {
            if (byKind[k].empty()) continue;
            out << "<use class=\"mark-key " << kMarks[k].id << "\" href=\"#mark-" << kMarks[k].id << "\" x=\""
                << number(kLeft - 18) << "\" y=\"" << number(y) << "\"/>"
                << laneLabel(y + 4, kMarks[k].label, kLeft - 28);
            y += kRow;
        }
        if (total == 0) out << laneLabel(y + 4, "scenario events: none", kLabelRight);
        return {out.str(), y - kRow / 2 - top + (total == 0 ? kRow : 0) + 2};
    }

private:
    const Plot& plot;
    const double top;
    std::array<std::vector<Placed>, kMarks.size()> byKind;
    std::size_t total = 0;
    std::ostringstream out;

    double centre(std::size_t frame) const { return plot.x(frame) + plot.frameWidth / 2; }

    // How far right of its centre a mark of `count` events reaches, with its count.
    static double reach(std::size_t count) {
        if (count == 1) return kHalfMark;
        return kCountAt + kDigit * static_cast<double>(std::to_string(count).size());
    }

    // An event that would not stand clear of the mark before it folds into that mark.
    void row(const EventMark& kind, const std::vector<Placed>& events, double y) {
        for (std::size_t i = 0; i < events.size();) {
            const double from = centre(events[i].frame);
            std::size_t j = i + 1;
            while (j < events.size() && centre(events[j].frame) - kHalfMark - kMarkGap < from + reach(j - i)) ++j;
            mark(kind, events.data() + i, j - i, y);
            i = j;
        }
    }

    // The `count` events from `first` on as one mark: its shape at the first one, their count
    // beside it, and a line under it to the last one.
    void mark(const EventMark& kind, const Placed* first, std::size_t count, double y) {
        const Placed* last = first + count - 1;
        const double from = centre(first->frame), to = centre(last->frame);
        out << "<g class=\"marker " << kind.id << "\" data-kind=\"" << kind.id << "\" data-index=\"" << first->number
            << "\" data-count=\"" << count << "\" data-frame=\"" << plot.frames[first->frame].frame
            << "\" data-last=\"" << plot.frames[last->frame].frame << "\"><title>";
        if (count > 1) out << count << " " << kind.label << ", " << plot.frameSpan(first->frame, last->frame) << ":\n";
        for (std::size_t i = 0; i < count && i < kTold; ++i) {
            out << (i ? "\n" : "") << first[i].number + 1 << ". frame " << plot.frames[first[i].frame].frame << ": "
                << escape(capped(eventText(*first[i].event), 200));
        }
        if (count > kTold) out << "\n... " << count - kTold << " more";
        out << "</title>";
        if (to - from >= 2) {
            out << "<line class=\"reach\" x1=\"" << number(from) << "\" x2=\"" << number(to) << "\" y1=\""
                << number(y + 7) << "\" y2=\"" << number(y + 7) << "\"/>";
        }
        out << "<use href=\"#mark-" << kind.id << "\" x=\"" << number(from) << "\" y=\"" << number(y) << "\"/>";
        if (count > 1) {
            out << "<text class=\"count\" x=\"" << number(from + kCountAt) << "\" y=\"" << number(y + 3.5) << "\">" << count
                << "</text>";
        }
        out << "</g>\n";
    }
};

}  // namespace

const EventMark& eventMark(EventKind kind) { return kMarks[markIndex(kind)]; }

Lane eventLane(const Plot& plot, double top) { return EventLane(plot, top).draw(); }

}  // namespace sim::page
