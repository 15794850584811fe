#pragma once
// The simulated game: loads the stand-in host and the plugin, plays a scenario frame by frame,
// and unloads the plugin at the end. Windows only (it runs under Wine here).

#include <optional>
#include <string>
#include <vector>

namespace sim {

struct GameOptions {
    std::string scenarioPath;
    std::string gameDirectory;  // empty: a scratch directory of the run's own, removed at its end
    std::string tracePath;      // empty: no trace
    std::string htmlPath;       // empty: no HTML page of the run
    std::string hostPath;       // empty: ScriptHookRDR2.dll beside the game
    std::vector<std::string> pluginPaths;  // empty: the scenario's plugins, beside the game
    std::string resourcesPath;  // empty: no figures per load
    std::string loadTimingPath; // empty: no load times
    std::optional<unsigned> frames;
    bool quiet = false;
    bool summary = false;             // totals only, and no record kept per frame (long runs)
    unsigned workingSetEvery = 0;     // sample the working set after every this many frames
    unsigned framePauseMs = 0;        // sleep this long after each frame
    bool profileTiming = false;       // time the plugin's slice of each frame and print only that
    std::size_t scriptStack = 0;      // bytes of stack for the script fibers; 0: the system's default
    std::optional<unsigned> touchedPagesFrame;  // count the watched plugin's pages this frame touches
};

// The process exit code: 0 played to the end, 1 could not start, 2 stopped by a fault.
int playScenario(const GameOptions& options);

}  // namespace sim
