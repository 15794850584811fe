#pragma once
// One event of a scenario's "events": its frame, its one action and an optional note.

#include <cstdint>
#include <string>
#include <vector>

#include "sim/draw.h"
#include "sim/scenario.h"
#include "sim/scenario_json.h"

namespace sim {

// What reading one event needs besides the event: the run's length, the seed's draw for file
// parts, where the events go, and where the notes on them go.
struct EventReading {
    std::uint32_t frames;
    Draw& draw;
    std::vector<ScenarioEvent>& out;
    std::vector<std::string>& notes;
};

// Reads the event at `where` ("events[3]") into reading.out: one event, or several for a press
// (down and up) and a reload (an unload and a load for each round).
void parseEvent(const scenario_json::json& object, const std::string& where, EventReading& reading);

}  // namespace sim
