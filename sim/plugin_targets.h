#pragma once
// What the plugin works towards in each frame, followed from outside: the settings file as it
// read it, the weather, and its own state carried from frame to frame (a weather with no row
// keeps the last values; 12829 follows the first ped). And how many of the peds not exempt
// hold those values, and how many of them were within the plugin's reach: it handles at most
// the first kPedCapacity peds the game lists (exempt ones included), and never touches the rest.

#include <cstdint>
#include <optional>
#include <vector>

#include "settings/ini_reader.h"
#include "sim/world.h"
#include "tuning/tuning_pass.h"

namespace sim {

// The accuracy the plugin follows while the file says 12829: that of the first ped it handles
// that the game does not exempt (nullopt: none), as the frame begins.
std::optional<std::int32_t> firstTunedAccuracy(const std::vector<Ped>& peds);
// What that accuracy resolves to, as the plugin's pass resolves it (applied only when 0 to 100).
inline std::int32_t followedAccuracy(std::int32_t firstPed) { return firstPed | kFollowedAccuracyBits; }

struct PluginTargets {
    float damageModifier = 0.0f;
    std::optional<std::int32_t> accuracy;  // nullopt: the plugin leaves the accuracy alone
    bool kept = false;                     // a weather with no row: the last values, kept
};

class PluginTargetsFollower {
public:
    // Before the frame's scripts run.
    void beforeFrame(const std::vector<Ped>& peds) { firstPed = firstTunedAccuracy(peds); }
    // After they ran: `reader` reads the file as it is now, `pluginRan` says whether the plugin
    // ran its pass in the frame (it made native calls).
    PluginTargets afterFrame(const IniReader& reader, std::uint32_t weather, bool pluginRan);

private:
    std::optional<std::int32_t> firstPed;
    // The plugin's own values, zero at load like its state.
    std::int32_t accuracy = 0;
    float damageModifier = 0.0f;
};

struct SettledCount {
    std::uint32_t notExempt = 0;   // every ped of the world the game does not exempt
    std::uint32_t inReach = 0;     // of them, those among the first kPedCapacity peds listed
    std::uint32_t atDamage = 0;    // of all not exempt, with the damage modifier it works towards
    std::uint32_t atAccuracy = 0;  // with the accuracy (0 while it leaves the accuracy alone)
    std::uint32_t unwrittenBeyondReach = 0;  // of those beyond its reach, the ones it never wrote
    std::uint32_t beyondReach() const { return notExempt - inReach; }
};

SettledCount countSettled(const std::vector<Ped>& peds, const PluginTargets& targets);

}  // namespace sim
