// Starting and ending a run of the simulated game: the game directory, the output files and the
// starting world (prepare); the ASI loader, the stand-in host and every plugin (load); timing
// wrappers for --profile-timing (startTiming); everything unloaded at the end (unload).

#include <algorithm>
#include <iostream>

#include "settings/settings_file.h"
#include "sim/asi_loader.h"
#include "sim/game_session.h"
#include "sim/import_timing.h"
#include "sim/trace.h"
#include "sim/windows_errors.h"

namespace sim {

// The folder veltrane-sim.exe is in: the stand-in host, the ASI loader and the plugins are built there.
fs::path besideTheGame() {
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    return fs::path(self).parent_path();
}

bool Game::prepare(fs::path& hostPath, std::vector<fs::path>& pluginPaths) {
    const fs::path beside = besideTheGame();
    hostPath = options.hostPath.empty() ? beside / "ScriptHookRDR2.dll" : fs::absolute(options.hostPath);
    for (const std::string& path : options.pluginPaths) pluginPaths.push_back(fs::absolute(path));
    if (pluginPaths.empty()) {
        for (const std::string& name : scenario.plugins) pluginPaths.push_back(beside / name);
    }
    watchedName = folderName(pluginPaths.front());
    if (!options.pluginPaths.empty()) {
        // The scenario's unloads and loads, against the plugins given instead of its own.
        std::vector<std::string> names;
        for (const fs::path& path : pluginPaths) names.push_back(folderName(path));
        checkPluginEvents(scenario, names);
    }
    for (const ScenarioEvent& event : scenario.events) {
        watchState = watchState || event.kind == EventKind::Unload || event.kind == EventKind::Load;
    }

    fs::path directory;
    if (options.gameDirectory.empty()) {
        // A directory of this process's own, so that runs side by side never share one (one run
        // removing the directory another plays in). A directory left by a process of the same
        // number that ended without removing it goes first.
        directory = fs::temp_directory_path() / ("veltrane-sim-game-" + std::to_string(GetCurrentProcessId()));
        fs::remove_all(directory);
        scratchDirectory = directory;
    } else {
        directory = fs::absolute(options.gameDirectory);
    }
    fs::create_directories(directory);
    if (!options.tracePath.empty()) {
        trace.open(fs::absolute(options.tracePath), std::ios::binary | std::ios::trunc);
        if (!trace) {
            std::cerr << "veltrane-sim: cannot write the trace file " << options.tracePath << "\n";
            return false;
        }
    }
    if (!options.htmlPath.empty()) {
        html.open(fs::absolute(options.htmlPath), std::ios::binary | std::ios::trunc);
        if (!html) {
            std::cerr << "veltrane-sim: cannot write the page " << options.htmlPath << "\n";
            return false;
        }
    }
    if (!options.resourcesPath.empty()) {
        resources.open(fs::absolute(options.resourcesPath), std::ios::binary | std::ios::trunc);
        if (!resources) {
            std::cerr << "veltrane-sim: cannot write the resources file " << options.resourcesPath << "\n";
            return false;
        }
        resources << "load,plugin,frame,base,tls_index,handles,next_handle,private_bytes,heap_bytes,working_set,state_bytes_kept\n";
    }
    if (!options.loadTimingPath.empty()) {
        loadTiming.open(fs::absolute(options.loadTimingPath), std::ios::binary | std::ios::trunc);
        if (!loadTiming) {
            std::cerr << "veltrane-sim: cannot write the load timing file " << options.loadTimingPath << "\n";
            return false;
        }
        LARGE_INTEGER frequency;
        QueryPerformanceFrequency(&frequency);
        ticksPerMicrosecond = static_cast<double>(frequency.QuadPart) / 1e6;
        loadTiming << "load,plugin,frame,load_library_us,first_frame_us,next_frame_us\n";
    }
    // The plugin's "./Veltrane.ini" is relative to the current directory, as in the game.
    fs::current_path(directory);
    run.gameDirectory = directory.string();

    switch (scenario.iniStart) {
        case Scenario::IniStart::Keep: break;
        case Scenario::IniStart::Absent: fs::remove(kSettingsFileName); break;
        case Scenario::IniStart::Text: std::ofstream(kSettingsFileName, std::ios::binary | std::ios::trunc) << scenario.iniText; break;
    }
    Draw draw(scenario.seed);
    spawnGroup(world, scenario.peds, draw);
    run.worldAtStart = pedCount(world.peds());
    return true;
}

bool Game::load(const fs::path& hostPath, const std::vector<fs::path>& pluginPaths) {
    // A folder of this process's own: tests in one Wine prefix run side by side.
    const fs::path gameFolder = fs::temp_directory_path() / ("veltrane-sim-folder-" + std::to_string(GetCurrentProcessId()));
    const std::string installError = folder.install(gameFolder, hostPath, pluginPaths);
    if (!installError.empty()) {
        std::cerr << "veltrane-sim: " << installError << "\n";
        return false;
    }
    const HMODULE loader = loadModule(besideTheGame() / asiloader::kFileName, "ASI loader");
    if (loader == nullptr) return false;
    folder.useLoader(loader);
    host = folder.loadHost();
    if (host == nullptr) {
        const std::string reason = lastErrorText("ScriptHookRDR2.dll");
        std::cerr << "veltrane-sim: cannot load the host " << hostPath.string() << ": " << reason << "\n";
        return false;
    }
    // GetProcAddress yields a generic function pointer; each goes back to its real type.
    auto find = [&](const char* name, auto& function) {
        FARPROC address = GetProcAddress(host, name);
        if (address == nullptr) std::cerr << "veltrane-sim: " << hostPath.string() << " has no " << name << "\n";
        function = reinterpret_cast<std::remove_reference_t<decltype(function)>>(reinterpret_cast<void (*)()>(address));
    };
    StandInBindFn bind = nullptr;
    find(standin::kBind, bind);
    find(standin::kRunFrame, runFrame);
    find(standin::kKeystroke, keystroke);
    find(standin::kStopReason, stopReason);
    find(standin::kShutdown, shutdown);
    find(standin::kSliceTicks, sliceTicks);
    find(standin::kKeepNatives, keepNatives);
    find(standin::kReplayNatives, replayNatives);
    find(standin::kScriptStack, setScriptStack);
    find(standin::kScriptStackUse, scriptStackUse);
    find(standin::kHeldInto, heldInto);
    if (!bind || !runFrame || !keystroke || !stopReason || !shutdown || !sliceTicks || !keepNatives || !replayNatives ||
        !setScriptStack || !scriptStackUse || !heldInto)
        return false;
    const HostBinding binding{&world, &log};
    bind(&binding);
    stackGiven = setScriptStack(options.scriptStack);

    // Each plugin's DllMain runs now and registers its script and keyboard handler.
    // In the trace each plugin's name comes before the calls its DllMain made.
    // With --load-timing, each plugin's time runs from the loader's start or the last plugin's
    // return to its own LoadLibrary's return: the loader's listing of the folder is in the first.
    LONGLONG mark = timed::now();
    const std::string failed = folder.loadPlugins([&](const PluginModule& loaded) {
        if (loadTiming.is_open()) timedLoad(loaded.name, 0, timed::now() - mark);
        if (trace.is_open()) trace << traceLoaderLoads(loaded.name) << "\n";
        run.loadCalls.push_back({loaded.name, {}});
        flushLog(&run.loadCalls.back().calls);
        mark = timed::now();
    });
    if (!failed.empty()) {
        const std::string reason = lastErrorText(failed);
        std::cerr << "veltrane-sim: cannot load the plugin " << folder.sourceOf(failed).string() << ": " << reason << "\n";
        return false;
    }
    flushLog(nullptr);
    const PluginModule* watched = folder.find(watchedName);
    if (watched == nullptr || watched->module == nullptr) return false;
    for (const PluginModule& p : folder.plugins()) run.plugins.push_back(p.name);
    run.watched = static_cast<std::size_t>(watched - folder.plugins().data());
    watch(watched->module);
    if (watchState) watchedState.loaded(plugin);
    writeResources("", 0, 0);
    return !options.profileTiming || startTiming();
}

// The plugin the report watches, loaded now: its memory for keystrokes, its imports for timing.
void Game::watch(HMODULE module) {
    plugin = module;
    pluginMemory = ModuleMemory{};
    pluginMemory.find(plugin);
}

// The log stays off (its cost would land in the plugin's slice), and the plugin's imports of
// the profile functions and of GetFileAttributesA go through the timing wrappers.
bool Game::startTiming() {
    log.enabled = false;
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    timing.timerHz = static_cast<double>(frequency.QuadPart);
    constexpr int kReads = 10000;
    const LONGLONG first = timed::now();
    for (int i = 1; i < kReads; ++i) timed::now();
    timing.timerReadMicroseconds = static_cast<double>(timed::now() - first) * 1e6 / timing.timerHz / kReads;
    timing.warmupFrames = 10;
    timing.scenarioName = scenario.name;
    struct Import {
        const char* dll;
        const char* function;
        void* wrapper;
        void** real;
    };
    const Import imports[] = {
        {"KERNEL32.dll", "GetPrivateProfileStringA", functionCast<void*>(&timed::read), reinterpret_cast<void**>(&timed::realRead)},
        {"KERNEL32.dll", "WritePrivateProfileStringA", functionCast<void*>(&timed::write), reinterpret_cast<void**>(&timed::realWrite)},
        {"KERNEL32.dll", "GetFileAttributesA", functionCast<void*>(&timed::attributes), reinterpret_cast<void**>(&timed::realAttributes)},
    };
    for (const Import& import : imports) {
        void* real = patchImport(plugin, import.dll, import.function, import.wrapper);
        if (real == nullptr) {
            std::cerr << "veltrane-sim: --profile-timing: the plugin imports no " << import.function << " from "
                      << import.dll << "\n";
            return false;
        }
        *import.real = real;
    }
    return true;
}

// The most stack the plugin's script used in the load that just ended (its last image).
void Game::noteStackUse(const PluginModule& unloaded) {
    if (stackGiven == 0 || scriptStackUse == nullptr) return;
    const std::size_t used = scriptStackUse(reinterpret_cast<const void*>(unloaded.begin), reinterpret_cast<const void*>(unloaded.end));
    for (auto& [name, most] : stackUsed) {
        if (name == unloaded.name) {
            most = std::max(most, used);
            return;
        }
    }
    stackUsed.emplace_back(unloaded.name, used);
}

Game::~Game() {
    if (scratchDirectory.empty()) return;
    std::error_code ignored;
    fs::current_path(fs::temp_directory_path(ignored), ignored);
    fs::remove_all(scratchDirectory, ignored);
}

void Game::unload() {
    // Each plugin's DllMain runs now and unregisters its script and keyboard handler.
    folder.unloadAll([&](const PluginModule& unloaded) {
        run.unloadCalls.push_back({unloaded.name, {}});
        flushLog(&run.unloadCalls.back().calls);
    });
    flushLog(nullptr);
    if (host != nullptr) {
        // Measured as the unload deleted the scripts' fibers.
        for (const PluginModule& unloaded : folder.plugins()) noteStackUse(unloaded);
        // In the order the loader loaded them, whichever was unloaded first during the run.
        std::vector<std::pair<std::string, std::size_t>> ordered;
        for (const PluginModule& loaded : folder.plugins()) {
            for (const auto& entry : stackUsed) {
                if (entry.first == loaded.name) ordered.push_back(entry);
            }
        }
        stackUsed = std::move(ordered);
        if (shutdown) shutdown();
        FreeLibrary(host);
    }
}

}  // namespace sim
