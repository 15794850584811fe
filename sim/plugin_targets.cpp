#include "sim/plugin_targets.h"

#include <algorithm>
#include <limits>

#include "settings/weather_table.h"
#include "tuning/tuning_pass.h"

namespace sim {

namespace {

// The plugin's handle buffer holds the first kPedCapacity peds of the world's list.
std::size_t handled(const std::vector<Ped>& peds) { return std::min<std::size_t>(peds.size(), kPedCapacity); }

}  // namespace

std::optional<std::int32_t> firstTunedAccuracy(const std::vector<Ped>& peds) {
    for (std::size_t i = 0; i < handled(peds); ++i) {
        if (!peds[i].exempt) return peds[i].accuracy;
    }
    return std::nullopt;
}

PluginTargets PluginTargetsFollower::afterFrame(const IniReader& reader, std::uint32_t weather, bool pluginRan) {
    PluginTargets targets;
    std::int32_t wanted = accuracy;
    targets.damageModifier = damageModifier;
    if (const WeatherEntry* entry = findWeatherEntry(weather)) {
        wanted = reader.readInt(entry->section, entry->accuracyKey, 0);
        targets.damageModifier = reader.readFloat(entry->section, entry->damageModKey, 0.0f);
    } else {
        targets.kept = true;
    }
    // The pass replaces the sentinel by what it resolves to, and keeps that.
    if (wanted == kAccuracySentinel && firstPed) wanted = followedAccuracy(*firstPed);
    if (inAccuracyRange(wanted)) targets.accuracy = wanted;
    if (pluginRan) {
        accuracy = wanted;
        damageModifier = targets.damageModifier;
    }
    return targets;
}

SettledCount countSettled(const std::vector<Ped>& peds, const PluginTargets& targets) {
    SettledCount count;
    const std::size_t reach = handled(peds);
    for (std::size_t i = 0; i < peds.size(); ++i) {
        const Ped& ped = peds[i];
        if (ped.exempt) continue;
        ++count.notExempt;
        if (i < reach) ++count.inReach;
        else if (!ped.written) ++count.unwrittenBeyondReach;
        // As the plugin compares: a NaN on either side counts as the value it wants.
        const float damage = ped.damageReadsNaN ? std::numeric_limits<float>::quiet_NaN() : ped.damageModifier;
        if (!(damage < targets.damageModifier || damage > targets.damageModifier)) ++count.atDamage;
        if (targets.accuracy && ped.accuracy == *targets.accuracy) ++count.atAccuracy;
    }
    return count;
}

}  // namespace sim
