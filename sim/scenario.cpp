#include "sim/scenario.h"

#include <algorithm>

#include "sim/draw.h"
#include "sim/random_events.h"
#include "sim/scenario_events.h"
#include "sim/scenario_json.h"
#include "sim/scenario_notes.h"
#include "sim/scenario_plugins.h"
#include "sim/scenario_values.h"

namespace sim {

using namespace scenario_json;

Scenario parseScenario(const std::string& jsonText) {
    json root = parseJson(jsonText);
    checkKeys(root, "scenario", {"name", "description", "frames", "seed", "ini", "peds", "plugins", "events", "random"});
    Scenario scenario;
    if (root.contains("name")) scenario.name = text(root["name"], "name");
    if (root.contains("description")) scenario.description = text(root["description"], "description");
    if (!root.contains("frames")) fail("scenario", "\"frames\" is missing");
    scenario.frames = integer<std::uint32_t>(root["frames"], "frames", 1, kMostFrames);
    if (root.contains("seed")) scenario.seed = integer<std::uint64_t>(root["seed"], "seed", 0, ~0ull);
    if (root.contains("ini")) {
        const json& ini = root["ini"];
        if (ini.is_null()) {
            scenario.iniStart = Scenario::IniStart::Absent;
        } else {
            scenario.iniStart = Scenario::IniStart::Text;
            scenario.iniText = text(ini, "ini");
        }
    }
    if (root.contains("peds")) scenario.peds = pedGroup(root["peds"], "peds", scenario.notes);
    if (root.contains("plugins")) scenario.plugins = pluginList(root["plugins"]);
    if (root.contains("events")) {
        const json& events = root["events"];
        if (!events.is_array()) fail("events", "expected a list");
        Draw draw(scenario.seed ^ 0xF11Eull);
        EventReading reading{scenario.frames, draw, scenario.events, scenario.notes};
        for (std::size_t i = 0; i < events.size(); ++i) parseEvent(events[i], "events[" + std::to_string(i) + "]", reading);
    }
    if (root.contains("random")) {
        const json& random = root["random"];
        checkKeys(random, "random", {"events", "maxPeds"});
        if (!random.contains("events")) fail("random", "\"events\" is missing");
        const auto count = integer<std::uint32_t>(random["events"], "random.events", 0, 10000000);
        std::int32_t maxPeds = 1500;
        if (random.contains("maxPeds")) maxPeds = integer<std::int32_t>(random["maxPeds"], "random.maxPeds", 0, 100000);
        addRandomEvents(scenario, count, maxPeds);
    }
    std::stable_sort(scenario.events.begin(), scenario.events.end(),
                     [](const ScenarioEvent& a, const ScenarioEvent& b) { return a.frame < b.frame; });
    checkPluginEvents(scenario, scenario.plugins);
    noteOddEvents(scenario);
    return scenario;
}

std::string eventsPastTheEnd(const Scenario& scenario, std::uint32_t frames) {
    const auto first = std::find_if(scenario.events.begin(), scenario.events.end(),
                                    [&](const ScenarioEvent& event) { return event.frame >= frames; });
    if (first == scenario.events.end()) return "";
    const auto left = scenario.events.end() - first;
    return "--frames " + std::to_string(frames) + " ends the run before " + std::to_string(left) + " of the scenario's " +
           std::to_string(scenario.events.size()) + " events, the first in frame " + std::to_string(first->frame) +
           (first->place.empty() ? std::string(" (a random event)") : " (" + first->place + ")") + ": they are not played";
}

}  // namespace sim
