// Starting and ending a run of the simulated game: the game directory, the output files and the
// starting world (prepare); the ASI loader, the stand-in host and every plugin (load); timing
// wrappers for --profile-timing (startTiming); everything unloaded at the end (unload).

#include <algorithm>
#include <cstdio>
#include <cwctype>
#include <iostream>

#include "settings/settings_file.h"
#include "sim/asi_loader.h"
#include "sim/game_session.h"
#include "sim/import_timing.h"
#include "sim/output_file.h"
#include "sim/trace.h"
#include "sim/windows_errors.h"

namespace sim {

// The folder veltrane-sim.exe is in: the stand-in host, the ASI loader and the plugins are built there.
fs::path besideTheGame() {
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    return fs::path(self).parent_path();
}

fs::path resolvedPath(const std::string& given) {
    const fs::path path(given);
    return path.has_parent_path() ? fs::absolute(path) : besideTheGame() / path;
}

namespace {

// Another run in the same game directory would edit Veltrane.ini under this one's plugin, and
// each run would report the other's edits as its plugin's. A named mutex of the directory (by
// its absolute path, letter case aside) holds it for this run; the system drops it when the
// process ends, however it ends. False when another run holds it; `held` stays empty when the
// system makes no mutex (the run goes on unguarded rather than blame another).
bool holdGameDirectory(const fs::path& directory, HANDLE& held) {
    std::wstring path = directory.lexically_normal().wstring();
    while (path.size() > 1 && (path.back() == L'\\' || path.back() == L'/')) path.pop_back();
    std::uint64_t hash = 0xcbf29ce484222325ull;  // FNV-1a over the path's upper-case UTF-16 units
    for (wchar_t c : path) {
        hash ^= static_cast<std::uint16_t>(std::towupper(c == L'/' ? L'\\' : c));
        hash *= 0x100000001b3ull;
    }
    wchar_t name[64];
    std::swprintf(name, 64, L"Local\\veltrane-sim-game-dir-%016llx", static_cast<unsigned long long>(hash));
    HANDLE mutex = CreateMutexW(nullptr, FALSE, name);
    if (mutex != nullptr && GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(mutex);
        return false;
    }
    held = mutex;
    return true;
}

}  // namespace

bool Game::prepare(fs::path& hostPath, std::vector<fs::path>& pluginPaths) {
    hostPath = resolvedPath(options.hostPath.empty() ? "ScriptHookRDR2.dll" : options.hostPath);
    // Where each plugin was given, for a file that is missing.
    std::vector<std::string> places;
    for (const std::string& path : options.pluginPaths) {
        pluginPaths.push_back(resolvedPath(path));
        places.push_back("--plugin " + path);
    }
    if (pluginPaths.empty()) {
        for (const std::string& name : scenario.plugins) {
            pluginPaths.push_back(resolvedPath(name));
            places.push_back(options.scenarioPath + ": plugins[" + std::to_string(places.size()) + "]");
        }
    }
    for (std::size_t i = 0; i < pluginPaths.size(); ++i) {
        std::error_code error;
        if (!fs::exists(pluginPaths[i], error)) {
            std::cerr << "veltrane-sim: " << places[i] << ": cannot load the plugin " << pluginPaths[i].string()
                      << ": no such file\n";
            return false;
        }
    }
    watched.name = folderName(pluginPaths.front());
    if (!options.pluginPaths.empty()) {
        // The scenario's unloads and loads, against the plugins given instead of its own.
        std::vector<std::string> names;
        for (const fs::path& path : pluginPaths) names.push_back(folderName(path));
        checkPluginEvents(scenario, names);
    }
    for (const ScenarioEvent& event : scenario.events) {
        watched.followsLoads = watched.followsLoads || event.kind == EventKind::Unload || event.kind == EventKind::Load;
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
    if (!holdGameDirectory(directory, directoryLock)) {
        std::cerr << "veltrane-sim: the game directory " << directory.string()
                  << " is in use by another run of the game: give each run a --game-dir of its own (two runs in one "
                     "directory would each take the other's edits to Veltrane.ini for its plugin's)\n";
        return false;
    }
    if (!openOutputs()) return false;
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

// The trace, the page and the figures of each load, as the options ask.
bool Game::openOutputs() {
    if (!options.tracePath.empty() && !openOutputFile(trace, options.tracePath, "the trace file")) return false;
    if (!options.htmlPath.empty() && !openOutputFile(html, options.htmlPath, "the page")) return false;
    return loadFigures.open(options.resourcesPath, options.loadTimingPath);
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
    if (!bindHost(hostPath)) return false;

    // Each plugin's DllMain runs now and registers its script and keyboard handler.
    // In the trace each plugin's name comes before the calls its DllMain made.
    // With --load-timing, each plugin's time runs from the loader's start or the last plugin's
    // return to its own LoadLibrary's return: the loader's listing of the folder is in the first.
    LONGLONG mark = timed::now();
    const std::string failed = folder.loadPlugins([&](const PluginModule& loaded) {
        if (loadFigures.timesLoads()) loadFigures.timedLoad(loaded.name, 0, timed::now() - mark);
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
    const PluginModule* first = folder.find(watched.name);
    if (first == nullptr || first->module == nullptr) return false;
    for (const PluginModule& p : folder.plugins()) run.plugins.push_back(p.name);
    run.watched = static_cast<std::size_t>(first - folder.plugins().data());
    watch(first->module);
    if (watched.followsLoads) watched.state.loaded(watched.module);
    loadFigures.atStart(watched.name, watched.module);
    return !options.profileTiming || startTiming();
}

// The stand-in host, loaded by the loader: the functions the game calls, and the world and call
// log it answers the plugins from.
bool Game::bindHost(const fs::path& hostPath) {
    standIn.module = folder.loadHost();
    if (standIn.module == nullptr) {
        const std::string reason = lastErrorText("ScriptHookRDR2.dll");
        std::cerr << "veltrane-sim: cannot load the host " << hostPath.string() << ": " << reason << "\n";
        return false;
    }
    // GetProcAddress yields a generic function pointer; it goes back to its real type.
    const FARPROC address = GetProcAddress(standIn.module, standin::kControls);
    if (address == nullptr) {
        std::cerr << "veltrane-sim: " << hostPath.string() << " has no " << standin::kControls << "\n";
        return false;
    }
    static_cast<StandInControls&>(standIn) = *reinterpret_cast<StandInControlsFn>(reinterpret_cast<void (*)()>(address))();
    const HostBinding binding{&world, &log};
    standIn.bind(&binding);
    stacks.given = standIn.setScriptStack(options.scriptStack);
    return true;
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
        void* real = patchImport(watched.module, import.dll, import.function, import.wrapper);
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
    if (stacks.given == 0 || standIn.scriptStackUse == nullptr) return;
    const std::size_t used =
        standIn.scriptStackUse(reinterpret_cast<const void*>(unloaded.begin), reinterpret_cast<const void*>(unloaded.end));
    for (auto& [name, most] : stacks.used) {
        if (name == unloaded.name) {
            most = std::max(most, used);
            return;
        }
    }
    stacks.used.emplace_back(unloaded.name, used);
}

Game::~Game() {
    if (directoryLock != nullptr) CloseHandle(directoryLock);
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
    if (standIn.module != nullptr) {
        // Measured as the unload deleted the scripts' fibers.
        for (const PluginModule& unloaded : folder.plugins()) noteStackUse(unloaded);
        // In the order the loader loaded them, whichever was unloaded first during the run.
        std::vector<std::pair<std::string, std::size_t>> ordered;
        for (const PluginModule& loaded : folder.plugins()) {
            for (const auto& entry : stacks.used) {
                if (entry.first == loaded.name) ordered.push_back(entry);
            }
        }
        stacks.used = std::move(ordered);
        if (standIn.shutdown) standIn.shutdown();
        FreeLibrary(standIn.module);
    }
}

}  // namespace sim
