#pragma once
// One run of the simulated game: the state a scenario is played with, shared by the files that
// start the game (game_start.cpp), load and unload plugins during it (game_plugin_events.cpp)
// and play its frames (game.cpp). Windows only.

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "platform/windows_api.h"
#include "sim/draw.h"
#include "sim/game.h"
#include "sim/host_calls.h"
#include "sim/module_memory.h"
#include "sim/plugin_targets.h"
#include "sim/plugins.h"
#include "sim/report.h"
#include "sim/scenario.h"
#include "sim/stand_in_host.h"
#include "sim/touched_pages.h"
#include "sim/world.h"

namespace sim {

void spawnGroup(World& world, const PedGroup& group, Draw& draw);

// The folder veltrane-sim.exe is in: the stand-in host, the ASI loader and the plugins are built there.
std::filesystem::path besideTheGame();

// A host or plugin as given: a file name alone is found beside the game, a path with a folder
// from the current folder (--plugin, --host and a scenario's plugins alike).
std::filesystem::path resolvedPath(const std::string& given);

namespace fs = std::filesystem;

class Game {
public:
    Game(const GameOptions& chosen, Scenario played) : options(chosen), scenario(std::move(played)) {}
    Game(const Game&) = delete;
    Game& operator=(const Game&) = delete;
    // Removes the run's scratch game directory, if it made one.
    ~Game();

    int play();

private:
    const GameOptions& options;
    Scenario scenario;
    World world;
    CallLog log;
    RunRecord run;
    std::ofstream trace;
    std::ofstream html;
    HMODULE host = nullptr;
    HMODULE plugin = nullptr;
    StandInRunFrameFn runFrame = nullptr;
    StandInKeystrokeFn keystroke = nullptr;
    StandInStopReasonFn stopReason = nullptr;
    StandInShutdownFn shutdown = nullptr;
    StandInSliceTicksFn sliceTicks = nullptr;
    StandInKeepNativesFn keepNatives = nullptr;
    StandInReplayNativesFn replayNatives = nullptr;
    StandInScriptStackFn setScriptStack = nullptr;
    StandInScriptStackUseFn scriptStackUse = nullptr;
    std::size_t stackGiven = 0;  // bytes of stack for each script fiber; 0: the system's default
    // The most of it each plugin's script used, by the plugin's file name.
    std::vector<std::pair<std::string, std::size_t>> stackUsed;
    std::optional<TouchedPages> touchedPages;  // --touched-pages
    StandInHeldIntoFn heldInto = nullptr;
    PluginFolder folder;
    fs::path scratchDirectory;      // the game directory when no --game-dir was given: this run's own
    HANDLE directoryLock = nullptr; // held while the run plays in its game directory
    std::string watchedName;        // the plugin the report watches: the first one named
    PluginStateWatch watchedState;  // kept only when the scenario unloads or loads plugins
    bool watchState = false;
    std::ofstream resources;        // --resources: one line per load
    // --load-timing: one line per load, written once the second frame after it has run.
    struct LoadTime {
        std::uint32_t load = 0;
        std::string plugin;
        std::uint32_t frame = 0;
        double loadMicroseconds = 0;
        std::vector<double> frameMicroseconds;
    };
    std::ofstream loadTiming;
    std::vector<LoadTime> loadTimes;  // waiting for their frames
    std::uint32_t loadsTimed = 0;
    double ticksPerMicrosecond = 0;
    std::uint32_t loadEvents = 0;
    std::string fault;              // the game's own reason to stop the run
    std::optional<float> resetDamage;  // the game resets every ped's damage modifier to this
    TimingRecord timing;
    std::string weatherName;
    ModuleMemory pluginMemory;
    std::vector<std::string> keystrokeLines;
    PluginTargetsFollower targets;

    bool prepare(fs::path& hostPath, std::vector<fs::path>& pluginPaths);
    bool load(const fs::path& hostPath, const std::vector<fs::path>& pluginPaths);
    void watch(HMODULE module);
    void unloadPlugin(const std::string& name);
    void loadPlugin(const std::string& name);
    void writeResources(const std::string& name, std::uint32_t frame, std::uint64_t stateBytesKept);
    void timedLoad(const std::string& name, std::uint32_t frame, LONGLONG ticks);
    void timeFrame();
    bool startTiming();
    void apply(const ScenarioEvent& event, FrameRecord& record, Draw& draw);
    void flushLog(std::vector<std::string>* described);
    void unload();
    void noteStackUse(const PluginModule& unloaded);
};

}  // namespace sim
