// Plugins unloaded and loaded again while the game runs (the scenario's unload and load events),
// and the figures --resources and --load-timing write for each load.

#include <cstdio>

#include "sim/game_session.h"
#include "sim/import_timing.h"
#include "sim/process_resources.h"
#include "sim/windows_errors.h"

namespace sim {

void Game::writeResources(const std::string& name, std::uint32_t frame, std::uint64_t stateBytesKept) {
    if (!resources.is_open()) return;
    const ProcessResources now = measureProcessResources();
    // The base of the plugin the row is for, which need not be the watched one.
    const PluginModule* loaded = folder.find(name);
    const HMODULE module = loaded != nullptr ? loaded->module : nullptr;
    char base[24];
    std::snprintf(base, sizeof base, "0x%llx", static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(module)));
    resources << loadEvents << "," << name << "," << frame << "," << base << "," << now.tlsIndex << "," << now.handles << ","
              << now.nextHandle << "," << now.privateBytes << "," << now.heapBytes << "," << now.workingSet << "," << stateBytesKept << "\n";
}

void Game::timedLoad(const std::string& name, std::uint32_t frame, LONGLONG ticks) {
    LoadTime time;
    time.load = loadsTimed++;
    time.plugin = name;
    time.frame = frame;
    time.loadMicroseconds = static_cast<double>(ticks) / ticksPerMicrosecond;
    loadTimes.push_back(std::move(time));
}

// After each frame: the scripts' slice (all of them) goes to every load still waiting for its
// first or next frame; a load with both is written out.
void Game::timeFrame() {
    if (!loadTiming.is_open()) return;
    const double slice = static_cast<double>(sliceTicks()) / ticksPerMicrosecond;
    for (LoadTime& time : loadTimes) {
        if (time.frameMicroseconds.size() < 2) time.frameMicroseconds.push_back(slice);
    }
    while (!loadTimes.empty() && loadTimes.front().frameMicroseconds.size() == 2) {
        const LoadTime& time = loadTimes.front();
        char line[160];
        std::snprintf(line, sizeof line, "%u,%s,%u,%.1f,%.1f,%.1f\n", time.load, time.plugin.c_str(), time.frame,
                      time.loadMicroseconds, time.frameMicroseconds[0], time.frameMicroseconds[1]);
        loadTiming << line;
        loadTimes.erase(loadTimes.begin());
    }
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
    const LONGLONG started = timed::now();
    fault = folder.load(*target);
    if (fault.empty() && loadTiming.is_open()) timedLoad(name, log.frame, timed::now() - started);
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
