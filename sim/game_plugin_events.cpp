// Plugins unloaded and loaded again while the game runs (the scenario's unload and load events),
// and the figures --resources writes after each load.

#include <cstdio>

#include "sim/game_session.h"
#include "sim/process_resources.h"
#include "sim/windows_errors.h"

namespace sim {

void Game::writeResources(const std::string& name, std::uint32_t frame, std::uint64_t stateBytesKept) {
    if (!resources.is_open()) return;
    const ProcessResources now = measureProcessResources();
    char base[24];
    std::snprintf(base, sizeof base, "0x%llx", static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(plugin)));
    resources << loadEvents << "," << name << "," << frame << "," << base << "," << now.tlsIndex << "," << now.handles << ","
              << now.nextHandle << "," << now.privateBytes << "," << now.heapBytes << "," << now.workingSet << "," << stateBytesKept << "\n";
}

void Game::unloadPlugin(const std::string& name) {
    PluginModule* target = folder.find(name);
    if (target == nullptr) {
        fault = "the scenario unloads " + name + ", which is not in the game folder";
        return;
    }
    const bool watched = target->module == plugin;
    if (watched) {
        plugin = nullptr;
        pluginMemory = ModuleMemory{};
        watchedState.unloaded();
    }
    fault = folder.unload(*target);
    flushLog(nullptr);
    if (!fault.empty()) return;
    noteStackUse(*target);
    const int held = heldInto(reinterpret_cast<const void*>(target->begin), reinterpret_cast<const void*>(target->end));
    if (held != 0) fault = "after " + name + " was unloaded, the host still holds " + std::to_string(held) + " script(s), fiber(s) or handler(s) in it";
}

void Game::loadPlugin(const std::string& name) {
    PluginModule* target = folder.find(name);
    if (target == nullptr) {
        fault = "the scenario loads " + name + ", which is not in the game folder";
        return;
    }
    // DllMain runs now and registers the plugin's script and keyboard handler again.
    const bool loadedAlready = target->module != nullptr;
    fault = folder.load(*target);
    if (!fault.empty()) {
        // Only a LoadLibrary that failed has a Windows error to tell.
        if (!loadedAlready) fault += ": " + lastErrorText(name);
        return;
    }
    flushLog(nullptr);
    ++loadEvents;
    std::uint64_t kept = 0;
    if (_stricmp(name.c_str(), watchedName.c_str()) == 0) {
        watch(target->module);
        kept = watchedState.loaded(target->module);
        if (options.profileTiming && !startTiming()) fault = "the reloaded plugin can't be timed";
    }
    writeResources(name, log.frame, kept);
}

}  // namespace sim
