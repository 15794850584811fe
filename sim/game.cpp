// The game loop of the simulated game. One process plays one scenario:
//   1. the world and the game directory are made, and the game moves into that directory;
//   2. the stand-in ASI loader loads the stand-in host and then every plugin from a game folder
//      of their own (each plugin's DllMain registers with the host);
//   3. each frame: the scenario's events for the frame (weather, peds, edits to Veltrane.ini,
//      keystrokes, fault switches, plugins unloaded and loaded again), then the host runs its
//      scripts until they yield;
//   4. the plugins are unloaded (their DllMain unregisters), then the host; the report is printed.

//   Starting and ending a run is in game_start.cpp, plugins unloaded and loaded during it in
//   game_plugin_events.cpp; this file plays the frames.

#include "sim/game.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

#include "platform/windows_api.h"
#include "settings/ini_reader.h"
#include "settings/settings_file.h"
#include "sim/game_session.h"
#include "sim/html_report.h"
#include "sim/import_timing.h"
#include "sim/ini_watch.h"
#include "sim/process_resources.h"
#include "sim/report.h"
#include "sim/trace.h"

namespace sim {

void spawnGroup(World& world, const PedGroup& group, Draw& draw) {
    for (std::int32_t i = 0; i < group.count; ++i) {
        // Exactly the group's share is exempt, spread evenly through it.
        const bool exempt = static_cast<std::int64_t>((i + 1) * group.exemptShare) >
                            static_cast<std::int64_t>(i * group.exemptShare);
        const std::int32_t accuracy = draw.between(group.accuracyMin, group.accuracyMax);
        const float damage = draw.between(group.damageMin, group.damageMax);
        world.spawn(accuracy, damage, exempt);
    }
}

void Game::flushLog(std::vector<std::string>* described) {
    for (const HostCall& call : log.calls) {
        if (trace.is_open()) trace << traceCall(call) << "\n";
        if (described != nullptr) described->push_back(callKindName(call.kind));
    }
    log.clear();
}

void Game::apply(const ScenarioEvent& event, FrameRecord& record, Draw& draw) {
    const std::string what = describe(event);
    record.events.push_back({what, event.note, event.kind});
    if (trace.is_open()) trace << traceEvent(event.frame, what) << "\n";
    switch (event.kind) {
        case EventKind::Weather:
            world.weather = event.weatherHash;
            weatherName = event.weatherName;
            break;
        case EventKind::Spawn: spawnGroup(world, event.peds, draw); break;
        case EventKind::Despawn:
            for (std::int32_t i = 0; i < event.count && !world.peds().empty(); ++i) world.despawn(world.peds().front().handle);
            break;
        case EventKind::SetKey:
            WritePrivateProfileStringA(event.section.c_str(), event.key.c_str(), event.text.c_str(), kSettingsFileName);
            break;
        case EventKind::DeleteKey:
            WritePrivateProfileStringA(event.section.c_str(), event.key.c_str(), nullptr, kSettingsFileName);
            break;
        case EventKind::DeleteFile: {
            std::error_code ignored;
            fs::remove(kSettingsFileName, ignored);  // a file, or an empty directory
            break;
        }
        case EventKind::MakeDirectory: {
            std::error_code ignored;
            fs::remove(kSettingsFileName, ignored);
            fs::create_directory(kSettingsFileName, ignored);
            break;
        }
        case EventKind::WriteFile:
            std::ofstream(kSettingsFileName, std::ios::binary | std::ios::trunc) << event.text;
            break;
        case EventKind::Keystroke: {
            watched.memory.save();
            for (std::uint64_t code = event.keyCode; code <= event.lastKeyCode; ++code) {
                standIn.keystroke(static_cast<std::uint32_t>(code), &event.flags);
                ++record.keystrokes;
            }
            const PluginMemoryChange change = watched.memory.changes();
            if (watched.followsLoads) watched.state.ran();
            run.totals.keystrokeBytesChanged += change.bytes;
            // Written after the frame's calls, which the frame's tally still needs.
            if (trace.is_open()) keystrokeLines.push_back(traceKeystrokes(event.frame, event.keyCode, event.lastKeyCode, change));
            break;
        }
        case EventKind::Fault:
            if (event.setsReportedCount) world.faults.reportedPedCount = event.reportedCount;
            if (event.exemptAnswer) {
                for (Ped& ped : world.peds()) ped.exemptAnswer = *event.exemptAnswer;
            }
            if (event.slotHighHalf) world.slotHighHalf = *event.slotHighHalf;
            if (event.setsNaNDamage) {
                std::int32_t left = event.count;
                for (Ped& ped : world.peds()) {
                    ped.damageReadsNaN = !ped.exempt && left > 0;
                    if (ped.damageReadsNaN) --left;
                }
            }
            break;
        case EventKind::ResetDamage: resetDamage = event.resetDamage; break;
        case EventKind::Unload: unloadPlugin(event.text); break;
        case EventKind::Load: loadPlugin(event.text); break;
    }
}

int Game::play() {
    fs::path hostPath;
    std::vector<fs::path> pluginPaths;
    if (!prepare(hostPath, pluginPaths)) return 1;
    run.scenarioName = scenario.name;
    run.description = scenario.description;
    run.notes = scenario.notes;
    if (options.frames) {
        if (std::string left = eventsPastTheEnd(scenario, *options.frames); !left.empty()) run.notes.push_back(left);
    }
    // Without a report to hold them, the notes go where errors go.
    if (options.quiet || options.profileTiming) {
        for (const std::string& note : run.notes) std::cerr << "veltrane-sim: note: " << note << "\n";
    }
    if (!load(hostPath, pluginPaths)) {
        unload();
        return 1;
    }

    Draw draw(scenario.seed ^ 0x5EEDull);
    const std::uint32_t frames = options.frames.value_or(scenario.frames);
    if (options.workingSetEvery > 0) run.totals.workingSet.reserve(frames / options.workingSetEvery + 1);
    const auto started = std::chrono::steady_clock::now();
    auto next = scenario.events.begin();
    FrameRecord record;
    IniSnapshot before, after;
    for (std::uint32_t frame = 0; frame < frames; ++frame) {
        log.frame = frame;
        record = FrameRecord{};
        record.frame = frame;
        for (; next != scenario.events.end() && next->frame == frame && fault.empty(); ++next) apply(*next, record, draw);
        if (!fault.empty()) {
            run.stopReason = fault;
            break;
        }
        if (resetDamage) {
            for (Ped& ped : world.peds()) ped.damageModifier = *resetDamage;
        }
        record.weather = world.weather;
        record.pluginsLoaded = folder.loadedMask();
        if (!options.summary && !options.profileTiming) {
            record.weatherLabel = weatherLabel(world.weather, weatherName);
            record.asked = askedText(world.weather, world.peds());
            targets.beforeFrame(world.peds());
        }
        snapshotIni(before);

        const NativeCounters countersBefore = world.counters;
        timed::reset();
        // The host keeps the natives of the last warm-up frame, and plays them again by
        // itself after each timed frame: what those natives cost on the host's side.
        const bool keepThisFrame = options.profileTiming && frame + 1 == timing.warmupFrames;
        if (keepThisFrame) standIn.keepNatives(1);
        const bool countPages = options.touchedPagesFrame == frame && watched.module != nullptr;
        if (countPages && !startTouchedPages(watched.module)) {
            run.stopReason = "the plugin's pages can't be made inaccessible for --touched-pages";
            break;
        }
        const bool goOn = standIn.runFrame() != 0;
        if (countPages) touchedPages = stopTouchedPages();
        if (keepThisFrame) standIn.keepNatives(0);
        if (watched.followsLoads) watched.state.ran();
        if (loadFigures.timesLoads()) loadFigures.afterFrame(standIn.sliceTicks());
        if (options.profileTiming) {
            const double micro = 1e6 / timing.timerHz;
            FrameTiming t;
            t.slice = static_cast<double>(standIn.sliceTicks()) * micro;
            t.profileReads = static_cast<double>(timed::reads.ticks) * micro;
            t.profileWrites = static_cast<double>(timed::writes.ticks) * micro;
            t.existence = static_cast<double>(timed::stats.ticks) * micro;
            t.reads = timed::reads.calls;
            t.writes = timed::writes.calls;
            t.existenceQueries = timed::stats.calls;
            t.nativeCalls = world.counters.calls - countersBefore.calls;
            t.pedWrites = world.counters.accuracyWrites + world.counters.damageWrites - countersBefore.accuracyWrites -
                          countersBefore.damageWrites;
            timing.frames.push_back(t);
            if (frame >= timing.warmupFrames) {
                timing.nativeReplays.push_back(static_cast<double>(standIn.replayNatives()) * micro);
            }
        }

        snapshotIni(after);
        if (!(after == before)) {
            record.iniDuringFrame = before.state == IniSnapshot::State::Absent ? IniDuringFrame::Created
                                                                                : IniDuringFrame::Changed;
        }
        record.tally = tallyFrame(log.calls, world);
        record.pedsInWorld = static_cast<std::int32_t>(world.peds().size());
        record.iniExistsAfter = after.state != IniSnapshot::State::Absent;
        if (!options.summary) record.pedValuesAfter = pedValuesByReach(world.peds(), " / ", "untouched so far");
        if (!options.summary && !options.profileTiming) {
            record.targets = targets.afterFrame(IniReader{kSettingsFileName}, world.weather, record.tally.nativeCalls > 0);
            record.settled = countSettled(world.peds(), record.targets);
        }
        flushLog(nullptr);
        for (const std::string& line : keystrokeLines) trace << line << "\n";
        keystrokeLines.clear();
        if (trace.is_open()) trace << traceFrame(record) << "\n";
        addFrame(run.totals, record);
        if (options.workingSetEvery > 0 && (frame + 1) % options.workingSetEvery == 0) {
            run.totals.workingSet.push_back({frame + 1ull, workingSetBytes()});
        }
        if (!options.summary && !options.profileTiming) run.frames.push_back(std::move(record));
        if (options.framePauseMs > 0) Sleep(options.framePauseMs);
        if (!goOn) {
            run.stopReason = standIn.stopReason();
            break;
        }
    }
    run.totals.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    timing.peds = static_cast<std::int32_t>(world.peds().size());

    log.frame = static_cast<std::uint32_t>(run.totals.frames);
    unload();
    run.finalPeds = world.peds();
    run.finalIniStatus = iniStatus();
    if (!options.quiet) {
        std::cout << (options.profileTiming ? renderTiming(timing) : options.summary ? renderSummary(run) : renderReport(run))
                  << std::flush;
        // One figure per plugin: each script has a fiber and a stack of its own.
        for (const auto& [name, used] : stacks.used) {
            std::cout << "script stack: " << used << " of " << stacks.given << " bytes used at most by " << name
                      << "'s script\n";
        }
        if (touchedPages) {
            std::cout << "pages of " << watched.name << " touched in frame " << *options.touchedPagesFrame << ": "
                      << touchedPages->touched << " of " << touchedPages->pages << " (";
            const char* separator = "";
            for (const TouchedSection& section : touchedPages->sections) {
                std::cout << separator << section.name << " " << section.touched << "/" << section.pages;
                separator = ", ";
            }
            std::cout << ")\n";
        }
        std::cout << std::flush;
    }
    if (html.is_open()) html << renderHtml(run) << std::flush;
    if (!run.stopReason.empty()) {
        std::cerr << "veltrane-sim: fatal: " << run.stopReason << "\n";
        return 2;
    }
    return 0;
}

int playScenario(const GameOptions& options) {
    std::ifstream in(options.scenarioPath, std::ios::binary);
    if (!in) {
        std::cerr << "veltrane-sim: cannot read the scenario " << options.scenarioPath << "\n";
        return 1;
    }
    std::stringstream text;
    text << in.rdbuf();
    try {
        Game game(options, parseScenario(text.str()));
        return game.play();
    } catch (const ScenarioError& e) {
        std::cerr << "veltrane-sim: " << options.scenarioPath << ": " << e.what() << "\n";
        return 1;
    } catch (const fs::filesystem_error& e) {
        std::cerr << "veltrane-sim: " << e.what() << "\n";
        return 1;
    } catch (const std::exception& e) {
        // Never the bare end of an uncaught exception: what went wrong, and the status of a fault.
        std::cerr << "veltrane-sim: fatal: " << e.what() << "\n";
        return 2;
    }
}

}  // namespace sim
