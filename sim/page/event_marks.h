#pragma once
// The kinds of scenario event the page tells apart, each with its own row, mark and colour in
// the chart; the event list names the kind of each line, so that hovering links the two.

#include "sim/scenario.h"

namespace sim::page {

struct EventMark {
    const char* id;     // "file": the CSS class, the mark's id in the SVG ("mark-file"), data-kind
    const char* label;  // "Veltrane.ini edits"
    const char* shape;  // the mark's SVG, centred on 0,0
};

const EventMark& eventMark(EventKind kind);

}  // namespace sim::page
