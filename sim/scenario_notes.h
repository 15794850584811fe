#pragma once
// What a scenario may not mean, though it can be played: noted, not refused (Scenario::notes).

#include <string>
#include <vector>

#include "sim/scenario.h"

namespace sim {

// A key the plugin never reads may be meant (a test of a misspelt file): a note, not a refusal.
// The note names the nearest section or key the plugin does read.
void noteUnreadKey(const ScenarioEvent& event, const std::string& at, std::vector<std::string>& notes);

// What parses but may not be what the scenario means: a despawn of more peds than the world has,
// two weathers in one frame (the plugin sees only the last). Random events are counted, not noted.
void noteOddEvents(Scenario& scenario);

}  // namespace sim
