#include "sim/scenario_notes.h"

#include <algorithm>
#include <cstdint>

#include "platform/profile_text.h"
#include "settings/settings_file.h"
#include "settings/weather_table.h"
#include "text/edit_distance.h"

namespace sim {

namespace {

// The keys the plugin reads from a section of its settings file; none for a section it never reads.
std::vector<std::string> keysReadIn(const std::string& section) {
    if (profile_text::sameName(section, kSettingsSection)) return {kEnabledKey};
    for (const WeatherEntry& entry : weatherTable) {
        if (profile_text::sameName(section, entry.section)) return {entry.accuracyKey, entry.damageModKey};
    }
    return {};
}

}  // namespace

void noteUnreadKey(const ScenarioEvent& event, const std::string& at, std::vector<std::string>& notes) {
    const std::vector<std::string> keys = keysReadIn(event.section);
    if (keys.empty()) {
        std::vector<std::string> sections{kSettingsSection};
        for (const WeatherEntry& entry : weatherTable) sections.emplace_back(entry.section);
        notes.push_back(at + ".section: the plugin reads no section \"" + event.section + "\"; the nearest is \"" +
                        nearestText(event.section, sections).text + "\"");
        return;
    }
    if (std::none_of(keys.begin(), keys.end(), [&](const std::string& key) { return profile_text::sameName(key, event.key); }))
        notes.push_back(at + ".key: the plugin reads no key \"" + event.key + "\" in [" + event.section +
                        "]; the nearest is \"" + nearestText(event.key, keys).text + "\"");
}

void noteOddEvents(Scenario& scenario) {
    std::int64_t peds = scenario.peds.count;
    const ScenarioEvent* lastWeather = nullptr;
    for (const ScenarioEvent& event : scenario.events) {
        const bool placed = !event.place.empty();
        if (event.kind == EventKind::Spawn) peds += event.peds.count;
        if (event.kind == EventKind::Despawn) {
            if (placed && event.count > peds)
                scenario.notes.push_back(event.place + ".despawn: " + std::to_string(event.count) + " peds in frame " +
                                         std::to_string(event.frame) + ", when the world has " + std::to_string(peds) +
                                         " (the game despawns what there is)");
            peds = std::max<std::int64_t>(0, peds - event.count);
        }
        if (event.kind != EventKind::Weather) continue;
        if (placed && lastWeather != nullptr && lastWeather->frame == event.frame && !lastWeather->place.empty())
            scenario.notes.push_back(event.place + ".weather: a second weather in frame " + std::to_string(event.frame) +
                                     " (after " + lastWeather->place + "): the plugin sees only this one");
        lastWeather = &event;
    }
}

}  // namespace sim
