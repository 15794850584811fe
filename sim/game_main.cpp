// veltrane-sim.exe: the simulated game's command line.

#include <CLI/CLI.hpp>

#include "sim/game.h"

int main(int argc, char** argv) {
    CLI::App app{
        "Plays a scenario in a simulated game: loads the stand-in ScriptHookRDR2.dll, then Veltrane.asi "
        "(DllMain runs), runs the frames and prints a report of what the plugin did.",
        "veltrane-sim"};
    // Paths under Wine may start with "/", which must not read as a Windows-style option.
    app.allow_windows_style_options(false);
    // A later --game-dir and the like overrides an earlier one (scripts/play.sh sets its own).
    app.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    sim::GameOptions options;
    options.scenarioPath = VELTRANE_DEFAULT_SCENARIO;
    app.add_option("scenario", options.scenarioPath, "Scenario file (JSON)")->capture_default_str();
    app.add_option("--game-dir", options.gameDirectory,
                   "Directory the game runs in, where Veltrane.ini lives (default: a fresh scratch directory)");
    app.add_option("--trace", options.tracePath, "Write every host and native call to FILE as JSON Lines")
        ->option_text("FILE");
    app.add_option("--frames", options.frames, "Play this many frames instead of the scenario's");
    app.add_option("--host", options.hostPath, "Stand-in host DLL (default: ScriptHookRDR2.dll beside this program)");
    app.add_option("--plugin", options.pluginPath, "Plugin to load (default: Veltrane.asi beside this program)");
    app.add_flag("-q,--quiet", options.quiet, "Print no report");
    app.add_flag("--summary", options.summary,
                 "Print only the run's totals, and keep no record per frame (for long runs)");
    app.add_option("--working-set-every", options.workingSetEvery,
                   "Measure the process's working set after every N frames (shown in the report)")
        ->option_text("N");
    app.add_option("--frame-pause", options.framePauseMs, "Sleep this many milliseconds after each frame")
        ->option_text("MS");
    app.add_flag("--profile-timing", options.profileTiming,
                 "Time the plugin's share of each frame, split into kernel32's profile reads, the existence "
                 "query, the natives and its own code; print only those figures (the call log stays off)");
    CLI11_PARSE(app, argc, argv);
    return sim::playScenario(options);
}
