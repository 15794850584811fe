#pragma once
// One run of the simulated game: the state a scenario is played with, in the parts the files
// that change them own: starting and ending the game (game_start.cpp), plugins unloaded and
// loaded during it (game_plugin_events.cpp), its frames (game.cpp). Windows only.

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
#include "sim/load_figures.h"
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

// The stand-in host once loaded (game_start.cpp's load): its module, and the functions the game
// calls beyond the nine the plugin uses.
struct StandInHost : StandInControls {
    HMODULE module = nullptr;
};

// The plugin the report watches, the first one named: its module while it is loaded, its
// writable memory for keystrokes, and its state across loads (kept only when the scenario
// unloads or loads plugins).
struct WatchedPlugin {
    std::string name;
    HMODULE module = nullptr;
    ModuleMemory memory;
    PluginStateWatch state;
    bool followsLoads = false;
};

// --script-stack: the stack each script fiber is given, and the most of it each plugin's script
// used, by the plugin's file name, in the order the loader loaded them.
struct ScriptStacks {
    std::size_t given = 0;  // bytes; 0: the system's default, neither limited nor measured
    std::vector<std::pair<std::string, std::size_t>> used;
};

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

    // Starting and ending the run (game_start.cpp).
    fs::path scratchDirectory;      // the game directory when no --game-dir was given: this run's own
    HANDLE directoryLock = nullptr; // held while the run plays in its game directory
    StandInHost standIn;
    PluginFolder folder;
    ScriptStacks stacks;
    std::ofstream trace;
    std::ofstream html;
    bool prepare(fs::path& hostPath, std::vector<fs::path>& pluginPaths);
    bool openOutputs();
    bool load(const fs::path& hostPath, const std::vector<fs::path>& pluginPaths);
    bool bindHost(const fs::path& hostPath);
    bool startTiming();
    void unload();
    void noteStackUse(const PluginModule& unloaded);

    // Plugins unloaded and loaded during the run (game_plugin_events.cpp).
    WatchedPlugin watched;
    LoadFigures loadFigures;
    std::string fault;  // the game's own reason to stop the run
    void watch(HMODULE module);
    void unloadPlugin(const std::string& name);
    void loadPlugin(const std::string& name);

    // The frames (game.cpp).
    World world;
    CallLog log;
    RunRecord run;
    TimingRecord timing;
    std::optional<float> resetDamage;  // the game resets every ped's damage modifier to this
    std::string weatherName;
    std::vector<std::string> keystrokeLines;  // the trace's, written after the frame's calls
    PluginTargetsFollower targets;
    std::optional<TouchedPages> touchedPages;  // --touched-pages
    void apply(const ScenarioEvent& event, FrameRecord& record, Draw& draw);
    void flushLog(std::vector<std::string>* described);
};

}  // namespace sim
