#pragma once
// The plugins a scenario names: their file names in the game folder, and the list of them.
// (checkPluginEvents, declared with the scenario, holds the unloads and loads to that list.)

#include <string>
#include <vector>

#include "sim/scenario_json.h"

namespace sim {

// A plugin's file name in the game folder: "Veltrane.asi", no folder.
std::string pluginName(const scenario_json::json& value, const std::string& where);

// The "plugins" list: file names, none given twice (letter case aside).
std::vector<std::string> pluginList(const scenario_json::json& plugins);

}  // namespace sim
