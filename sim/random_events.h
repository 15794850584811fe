#pragma once
// A scenario's "random" block: events drawn from its seed, for long runs nobody writes by hand.

#include <cstdint>

#include "sim/scenario.h"

namespace sim {

// The "random" block: `count` events at frames drawn evenly over the run, each of a kind drawn
// with these weights: weather 12 (one in five a weather without a row), spawn 20, despawn 20,
// set 30, deleteKey 10, deleteFile 4, writeFile 4. Spawns that would take the world beyond
// `maxPeds` (counting the first group and the random events' own peds) despawn instead.
void addRandomEvents(Scenario& scenario, std::uint32_t count, std::int32_t maxPeds);

}  // namespace sim
