#include "sim/scenario_plugins.h"

#include <algorithm>

#include "platform/profile_text.h"
#include "sim/scenario.h"

namespace sim {

using namespace scenario_json;

std::string pluginName(const json& value, const std::string& where) {
    const std::string name = text(value, where);
    const bool asi = name.size() > 4 && profile_text::sameName(std::string_view(name).substr(name.size() - 4), ".asi");
    if (!asi || name.find_first_of("/\\:") != std::string::npos) fail(where, "a plugin's file name ending in .asi, no folder");
    return name;
}

std::vector<std::string> pluginList(const json& plugins) {
    if (!plugins.is_array() || plugins.empty()) fail("plugins", "expected a list of file names");
    std::vector<std::string> names;
    for (std::size_t i = 0; i < plugins.size(); ++i) {
        const std::string at = "plugins[" + std::to_string(i) + "]";
        const std::string name = pluginName(plugins[i], at);
        for (const std::string& earlier : names) {
            if (profile_text::sameName(earlier, name)) fail(at, name + " is in the list already (file names compare without letter case)");
        }
        names.push_back(name);
    }
    return names;
}

void checkPluginEvents(const Scenario& scenario, const std::vector<std::string>& plugins) {
    // Every plugin of the game folder is loaded before the first frame.
    struct State {
        bool loaded = true;
        std::string why = "it is loaded before the first frame";
    };
    std::vector<State> states(plugins.size());
    std::string listed;
    for (const std::string& name : plugins) listed += (listed.empty() ? "" : ", ") + name;
    for (const ScenarioEvent& event : scenario.events) {
        if (event.kind != EventKind::Unload && event.kind != EventKind::Load) continue;
        const bool load = event.kind == EventKind::Load;
        const auto found = std::find_if(plugins.begin(), plugins.end(),
                                        [&](const std::string& name) { return profile_text::sameName(name, event.text); });
        if (found == plugins.end())
            fail(event.place, event.text + " is not one of the game's plugins (" + listed + ")");
        State& state = states[static_cast<std::size_t>(found - plugins.begin())];
        if (state.loaded == load) {
            fail(event.place, "frame " + std::to_string(event.frame) + ": " + event.text + " is " +
                                  (load ? "loaded already" : "not loaded") + " (" + state.why + ")");
        }
        state.loaded = load;
        state.why = std::string(load ? "loaded again" : "unloaded") + " in frame " + std::to_string(event.frame) +
                    " by " + event.place;
    }
}

}  // namespace sim
