// veltrane-sim.exe: the simulated game's command line.

#include <CLI/CLI.hpp>

#include <cstdint>
#include <iostream>
#include <string>

#include "sim/game.h"
#include "sim/scenario.h"

namespace {

// A whole number from `low` to `high`; the message says so, where the bare conversion would
// only say that "-5" could not be converted.
CLI::Validator wholeNumber(std::uint64_t low, std::uint64_t high) {
    const std::string allowed = std::to_string(low) + "-" + std::to_string(high);
    return CLI::Validator(
        [=](std::string& text) -> std::string {
            std::size_t used = 0;
            unsigned long long value = 0;
            try {
                value = text.empty() || text[0] == '-' || text[0] == '+' ? high + 1 : std::stoull(text, &used);
            } catch (const std::exception&) {
                used = 0;
            }
            if (used != text.size() || value < low || value > high)
                return "\"" + text + "\" is not allowed: a whole number from " + std::to_string(low) + " to " +
                       std::to_string(high);
            return {};
        },
        allowed);
}

}  // namespace

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
    // The default is the source tree's file: --help names it as the tree does, not by the
    // absolute path of the machine that built the game.
    app.add_option("scenario", options.scenarioPath,
                   "Scenario file (JSON); default: sim/scenarios/default.json of the source tree");
    app.add_option("--game-dir", options.gameDirectory,
                   "Directory the game runs in, where Veltrane.ini lives (default: a scratch directory of this "
                   "run's own, removed when the run ends)");
    app.add_option("--trace", options.tracePath, "Write every host and native call to FILE as JSON Lines")
        ->option_text("FILE");
    auto* html = app.add_option("--html", options.htmlPath,
                                "Also write the report as one self-contained HTML page to FILE (charts of the run)")
                     ->option_text("FILE");
    app.add_option("--frames", options.frames,
                   "Play this many frames instead of the scenario's (which has 1 to " + std::to_string(sim::kMostFrames) +
                       "); events past the last frame played are not played, and the report says so")
        ->check(wholeNumber(1, 100000000));
    // One rule for every host and plugin, given here or by a scenario.
    const char* pathRule = "; a file name alone is found beside this program, a path with a folder from the current folder";
    app.add_option("--host", options.hostPath,
                   std::string("Stand-in host DLL (default: ScriptHookRDR2.dll)") + pathRule);
    app.add_option("--plugin", options.pluginPaths,
                   std::string("A plugin for the game folder, instead of the scenario's (default: Veltrane.asi); give "
                               "it again for more") + pathRule)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    auto* resources =
        app.add_option("--resources", options.resourcesPath,
                       "After the start and after each load of a plugin, write the process's TLS index, handle "
                       "count, private bytes, heap bytes and working set to FILE (CSV). Needs --summary: the "
                       "report's record of each frame is kept in the same heaps and would read as the plugin's leak")
            ->option_text("FILE");
    app.add_option("--load-timing", options.loadTimingPath,
                   "For each load of a plugin, write to FILE (CSV) how long its LoadLibrary took (to the end of its "
                   "DllMain) and how long the scripts ran in the first and the next frame after it")
        ->option_text("FILE");
    app.add_flag("-q,--quiet", options.quiet, "Print no report");
    app.add_flag("--summary", options.summary,
                 "Print only the run's totals, and keep no record per frame (for long runs)")
        ->excludes(html);
    app.add_option("--working-set-every", options.workingSetEvery,
                   "Measure the process's working set after every N frames (shown in the report)")
        ->check(wholeNumber(0, 100000000))
        ->option_text("N");
    app.add_option("--frame-pause", options.framePauseMs, "Sleep this many milliseconds after each frame")
        ->check(wholeNumber(0, 60000))
        ->option_text("MS");
    app.add_flag("--profile-timing", options.profileTiming,
                 "Time the plugin's share of each frame, split into kernel32's profile reads, the existence "
                 "query, the natives and its own code; print only those figures (the call log stays off)")
        ->excludes(html);
    app.add_option("--script-stack", options.scriptStack,
                   "Give the script fibers a stack of BYTES (whole pages) and print the most of it each plugin's script "
                   "used; a script that needs more crashes the game, as it would on such a stack")
        ->check(wholeNumber(16384, std::uint64_t{1} << 30))
        ->option_text("BYTES");
    app.add_option("--touched-pages", options.touchedPagesFrame,
                   "In frame N, count the pages of the watched plugin's image that the frame touches (runs, reads "
                   "or writes), and print them after the report")
        ->check(wholeNumber(0, 100000000))
        ->option_text("N");
    try {
        app.parse(argc, argv);
        // Without --summary the game keeps a record of every frame for the report, some hundred
        // bytes each, in the heaps the plugin uses too: the figures after each load would climb
        // with the game's records and read as a leak of the plugin's.
        if (resources->count() > 0 && !options.summary) {
            throw CLI::ValidationError("--resources needs --summary: without it the game keeps a record of every "
                                       "frame for the report, in the same heaps as the plugin, and the heap figures "
                                       "would climb with those records as if the plugin leaked");
        }
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        // Status 1, as for any other start that fails (docs/SIMULATOR.md), not CLI11's own codes.
        std::cerr << "veltrane-sim: " << e.what() << "\n"
                  << CLI::Formatter().make_usage(&app, app.get_name())
                  << "Run with --help for more information.\n";
        return 1;
    }
    return sim::playScenario(options);
}
