// Plugins unloaded and loaded again while the game runs (the scenario's unload and load events),
// and the plugin the report watches through them.

#include "sim/game_session.h"
#include "sim/import_timing.h"
#include "sim/windows_errors.h"

namespace sim {

namespace {

// The plugin of the game folder a scenario's event names; null, with the fault said, when the
// folder has none of that name.
PluginModule* scenarioPlugin(PluginFolder& folder, const std::string& name, const char* verb, std::string& fault) {
    PluginModule* plugin = folder.find(name);
    if (plugin == nullptr) fault = "the scenario " + std::string(verb) + " " + name + ", which is not in the game folder";
    return plugin;
}

}  // namespace

// The plugin the report watches, loaded now: its memory for keystrokes, its imports for timing.
void Game::watch(HMODULE module) {
    watched.module = module;
    watched.memory = ModuleMemory{};
    watched.memory.find(module);
}

void Game::unloadPlugin(const std::string& name) {
    PluginModule* target = scenarioPlugin(folder, name, "unloads", fault);
    if (target == nullptr) return;
    if (target->module == watched.module) {
        watched.module = nullptr;
        watched.memory = ModuleMemory{};
        watched.state.unloaded();
    }
    fault = folder.unload(*target);
    flushLog(nullptr);
    if (!fault.empty()) return;
    noteStackUse(*target);
    const int held = standIn.heldInto(reinterpret_cast<const void*>(target->begin), reinterpret_cast<const void*>(target->end));
    if (held != 0) fault = "after " + name + " was unloaded, the host still holds " + std::to_string(held) + " script(s), fiber(s) or handler(s) in it";
}

void Game::loadPlugin(const std::string& name) {
    PluginModule* target = scenarioPlugin(folder, name, "loads", fault);
    if (target == nullptr) return;
    // DllMain runs now and registers the plugin's script and keyboard handler again.
    const bool loadedAlready = target->module != nullptr;
    const LONGLONG started = timed::now();
    fault = folder.load(*target);
    if (fault.empty() && loadFigures.timesLoads()) loadFigures.timedLoad(name, log.frame, timed::now() - started);
    if (!fault.empty()) {
        // Only a LoadLibrary that failed has a Windows error to tell.
        if (!loadedAlready) fault += ": " + lastErrorText(name);
        return;
    }
    flushLog(nullptr);
    std::uint64_t kept = 0;
    if (_stricmp(name.c_str(), watched.name.c_str()) == 0) {
        watch(target->module);
        kept = watched.state.loaded(target->module);
        if (options.profileTiming && !startTiming()) fault = "the reloaded plugin can't be timed";
    }
    loadFigures.afterLoad(name, log.frame, target->module, kept);
}

}  // namespace sim
