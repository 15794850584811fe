// The game loop of the simulated game. One process plays one scenario:
//   1. the world and the game directory are made, and the game moves into that directory;
//   2. the stand-in ASI loader loads the stand-in host and then every plugin from a game folder
//      of their own (each plugin's DllMain registers with the host);
//   3. each frame: the scenario's events for the frame (weather, peds, edits to Veltrane.ini,
//      keystrokes, fault switches, plugins unloaded and loaded again), then the host runs its
//      scripts until they yield;
//   4. the plugins are unloaded (their DllMain unregisters), then the host; the report is printed.

#include "sim/game.h"

#include <chrono>
#include <cmath>
#include <cstring>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

#include "platform/windows_api.h"
// After windows.h: the working set comes from K32GetProcessMemoryInfo (kernel32), for this
// program only; the plugin never links it.
#include <psapi.h>
#include "settings/ini_reader.h"
#include "settings/settings_file.h"
#include "sim/asi_loader.h"
#include "sim/draw.h"
#include "sim/html_report.h"
#include "sim/plugins.h"
#include "sim/process_resources.h"
#include "sim/report.h"
#include "sim/scenario.h"
#include "sim/shown_text.h"
#include "sim/stand_in_host.h"
#include "sim/touched_pages.h"
#include "sim/trace.h"
#include "tuning/tuning_pass.h"
#include "tuning/weather_table.h"

namespace fs = std::filesystem;

namespace sim {

namespace {

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

// Why a Windows call on `file` failed, in words: call at once after the call, before anything
// else can overwrite the thread's last error.
std::string lastErrorText(const std::string& file) {
    const DWORD code = GetLastError();
    char* words = nullptr;
    const DWORD length = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
        reinterpret_cast<LPSTR>(&words), 0, nullptr);
    std::string text = length > 0 ? std::string(words, length) : "no description";
    if (words != nullptr) LocalFree(words);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ' || text.back() == '.'))
        text.pop_back();
    // Some messages name their file as an insert ("Bad EXE format for %1").
    if (const auto insert = text.find("%1"); insert != std::string::npos) text.replace(insert, 2, file);
    return text + " (Windows error " + std::to_string(code) + ")";
}

// Loads `path`, or says which file and why not.
HMODULE loadModule(const fs::path& path, const char* what) {
    std::error_code error;
    if (!fs::is_regular_file(path, error)) {
        std::cerr << "veltrane-sim: cannot load the " << what << " " << path.string() << ": "
                  << (fs::exists(path, error) ? "not a file" : "no such file") << "\n";
        return nullptr;
    }
    const HMODULE module = LoadLibraryW(path.c_str());
    if (module == nullptr) {
        const std::string reason = lastErrorText(path.filename().string());
        std::cerr << "veltrane-sim: cannot load the " << what << " " << path.string() << ": " << reason << "\n";
    }
    return module;
}

// The raw text of a key, or nullopt when the file, section or key is missing.
std::optional<std::string> rawValue(const char* section, const char* key) {
    static const char kMissing[] = "\x01missing";
    char buffer[kProfileBufferSize];
    GetPrivateProfileStringA(section, key, kMissing, buffer, kProfileBufferSize, kSettingsFileName);
    if (std::string(buffer) == kMissing) return std::nullopt;
    return std::string(buffer);
}

bool iniExists() {
    std::error_code error;
    return fs::exists(fs::path("Veltrane.ini"), error);
}

// What Veltrane.ini asks of the plugin for this weather, as the frame begins; `peds` tell what
// an accuracy of 12829 resolves to in this frame.
std::string askedText(std::uint32_t weather, const std::vector<Ped>& peds) {
    if (!iniExists()) return "no Veltrane.ini (the plugin writes a fresh default file)";
    const IniReader reader{kSettingsFileName};
    std::ostringstream out;
    const auto enabled = rawValue(kSettingsSection, kEnabledKey);
    out << "Enabled=" << (enabled ? shownText(*enabled) : "(missing)");
    if (!reader.readBool(kSettingsSection, kEnabledKey, false)) out << " (off)";
    const WeatherEntry* entry = findWeatherEntry(weather);
    if (entry == nullptr) {
        out << "; no section for this weather: the plugin keeps its last values";
        return out.str();
    }
    const auto accuracyText = rawValue(entry->section, entry->accuracyKey);
    const std::int32_t accuracy = reader.readInt(entry->section, entry->accuracyKey, 0);
    out << ", " << entry->accuracyKey << "=" << (accuracyText ? shownText(*accuracyText) : "(missing)");
    if (accuracy == kAccuracySentinel) {
        out << " (follow the first ped: ";
        if (const auto first = firstTunedAccuracy(peds)) {
            const std::int32_t resolved = followedAccuracy(*first);
            out << "its accuracy " << *first << " resolves to " << resolved;
            if (!isApplicable(resolved)) out << ", outside 0-100: accuracy left alone";
        } else {
            out << "no ped to follow";
        }
        out << ")";
        if (accuracyText && *accuracyText != std::to_string(accuracy)) out << " (reads " << accuracy << ")";
    } else if (!isApplicable(accuracy)) {
        out << " (reads " << accuracy << ": outside 0-100, accuracy left alone)";
    } else if (!accuracyText || std::to_string(accuracy) != *accuracyText) {
        out << " (reads " << accuracy << ")";
    }
    const auto damageText = rawValue(entry->section, entry->damageModKey);
    const float damage = reader.readFloat(entry->section, entry->damageModKey, 0.0f);
    out << ", " << entry->damageModKey << "=" << (damageText ? shownText(*damageText) : "(missing)");
    std::ostringstream damageRead;
    damageRead << damage;
    if (!damageText || damageRead.str() != *damageText) out << " (reads " << damageRead.str() << ")";
    return out.str();
}

std::string weatherLabel(std::uint32_t hash, const std::string& scenarioName) {
    if (const WeatherEntry* entry = findWeatherEntry(hash)) return entry->name;
    return (scenarioName.empty() ? std::string("unnamed weather") : scenarioName) + ", no row in the plugin's table";
}

std::string iniStatus() {
    if (!iniExists()) return "missing";
    std::ifstream in("Veltrane.ini", std::ios::binary);
    std::size_t entries = 0;
    std::string line;
    while (std::getline(in, line)) {
        if (line.find('=') != std::string::npos) ++entries;
    }
    return "present, " + std::to_string(entries) + " key line(s)";
}

// Veltrane.ini as it is now: absent, a directory, or a file and its bytes.
struct IniSnapshot {
    enum class State { Absent, Directory, File } state = State::Absent;
    std::string bytes;

    bool operator==(const IniSnapshot& other) const { return state == other.state && bytes == other.bytes; }
};

// Reuses `into`'s buffer, so a long run reads the file every frame without growing.
void snapshotIni(IniSnapshot& into) {
    into.bytes.clear();
    std::error_code error;
    const auto status = fs::status(fs::path("Veltrane.ini"), error);
    if (status.type() == fs::file_type::not_found || (error && !fs::exists(status))) {
        into.state = IniSnapshot::State::Absent;
        return;
    }
    if (status.type() == fs::file_type::directory) {
        into.state = IniSnapshot::State::Directory;
        return;
    }
    into.state = IniSnapshot::State::File;
    if (FILE* file = std::fopen("Veltrane.ini", "rb")) {
        char chunk[65536];
        for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, file)) > 0;) into.bytes.append(chunk, n);
        std::fclose(file);
    }
}

// The plugin's writable sections (.data, .bss and the like): all of its module-level state.
struct ModuleMemory {
    std::vector<std::pair<const unsigned char*, std::size_t>> sections;
    std::string copy;

    void find(HMODULE module) {
        const auto* base = reinterpret_cast<const unsigned char*>(module);
        const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
        const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
        const IMAGE_SECTION_HEADER* section = IMAGE_FIRST_SECTION(nt);
        for (WORD i = 0; i < nt->FileHeader.NumberOfSections; ++i, ++section) {
            if ((section->Characteristics & IMAGE_SCN_MEM_WRITE) == 0) continue;
            sections.emplace_back(base + section->VirtualAddress, section->Misc.VirtualSize);
        }
    }
    void save() {
        copy.clear();
        for (const auto& [start, size] : sections) copy.append(reinterpret_cast<const char*>(start), size);
    }
    // What changed since save().
    PluginMemoryChange changes() const {
        PluginMemoryChange change;
        std::size_t offset = 0, first = 0, last = 0;
        std::string now;
        for (const auto& [start, size] : sections) now.append(reinterpret_cast<const char*>(start), size);
        for (; offset < now.size() && offset < copy.size(); ++offset) {
            if (now[offset] == copy[offset]) continue;
            if (change.bytes++ == 0) first = offset;
            last = offset;
        }
        for (std::size_t i = first; change.bytes > 0 && i <= last && i < first + 64; ++i) {
            char hex[3];
            std::snprintf(hex, sizeof hex, "%02x", static_cast<unsigned char>(now[i]));
            change.span += hex;
        }
        return change;
    }
};

// Timing runs: the plugin's imports of the profile functions and of GetFileAttributesA go through these
// wrappers, which add up the time spent in the real functions. Everything here runs on the
// plugin's fiber, within its slice; nothing else calls the wrappers.
namespace timed {

struct Tally {
    LONGLONG ticks = 0;
    std::uint32_t calls = 0;
};

using ReadFn = DWORD(WINAPI*)(LPCSTR, LPCSTR, LPCSTR, LPSTR, DWORD, LPCSTR);
using WriteFn = BOOL(WINAPI*)(LPCSTR, LPCSTR, LPCSTR, LPCSTR);
using AttributesFn = DWORD(WINAPI*)(LPCSTR);

ReadFn realRead = nullptr;
WriteFn realWrite = nullptr;
AttributesFn realAttributes = nullptr;
Tally reads, writes, stats;

LONGLONG now() {
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return counter.QuadPart;
}

DWORD WINAPI read(LPCSTR section, LPCSTR key, LPCSTR fallback, LPSTR buffer, DWORD size, LPCSTR path) {
    const LONGLONG start = now();
    const DWORD result = realRead(section, key, fallback, buffer, size, path);
    reads.ticks += now() - start;
    ++reads.calls;
    return result;
}

BOOL WINAPI write(LPCSTR section, LPCSTR key, LPCSTR value, LPCSTR path) {
    const LONGLONG start = now();
    const BOOL result = realWrite(section, key, value, path);
    writes.ticks += now() - start;
    ++writes.calls;
    return result;
}

// The existence query's one call.
DWORD WINAPI attributes(LPCSTR path) {
    const LONGLONG start = now();
    const DWORD result = realAttributes(path);
    stats.ticks += now() - start;
    ++stats.calls;
    return result;
}

void reset() { reads = writes = stats = Tally{}; }

}  // namespace timed

// Points `module`'s import of `function` from `dll` at `replacement`. Returns what the import
// pointed at before, or nullptr when the module doesn't import it by name.
void* patchImport(HMODULE module, const char* dll, const char* function, void* replacement) {
    auto* base = reinterpret_cast<unsigned char*>(module);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (imports.VirtualAddress == 0) return nullptr;
    for (auto* entry = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress); entry->Name != 0; ++entry) {
        if (_stricmp(reinterpret_cast<const char*>(base + entry->Name), dll) != 0) continue;
        // The names stay in the original thunks; the loader has bound the first thunks to addresses.
        if (entry->OriginalFirstThunk == 0) return nullptr;
        auto* name = reinterpret_cast<IMAGE_THUNK_DATA*>(base + entry->OriginalFirstThunk);
        auto* slot = reinterpret_cast<IMAGE_THUNK_DATA*>(base + entry->FirstThunk);
        for (; name->u1.AddressOfData != 0; ++name, ++slot) {
            if (IMAGE_SNAP_BY_ORDINAL(name->u1.Ordinal)) continue;
            const auto* byName = reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + name->u1.AddressOfData);
            if (std::strcmp(reinterpret_cast<const char*>(byName->Name), function) != 0) continue;
            DWORD protection = 0;
            if (!VirtualProtect(&slot->u1.Function, sizeof slot->u1.Function, PAGE_READWRITE, &protection)) return nullptr;
            void* before = reinterpret_cast<void*>(slot->u1.Function);
            slot->u1.Function = reinterpret_cast<ULONGLONG>(replacement);
            VirtualProtect(&slot->u1.Function, sizeof slot->u1.Function, protection, &protection);
            FlushInstructionCache(GetCurrentProcess(), nullptr, 0);
            return before;
        }
    }
    return nullptr;
}

// Casts between function pointer types and void* (conditionally supported, and fine on Windows).
template <typename To, typename From>
To functionCast(From from) {
    To to;
    static_assert(sizeof to == sizeof from);
    std::memcpy(&to, &from, sizeof to);
    return to;
}

std::uint64_t workingSetBytes() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    if (!K32GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) return 0;
    return counters.WorkingSetSize;
}

class Game {
public:
    Game(const GameOptions& chosen, Scenario played) : options(chosen), scenario(std::move(played)) {}

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
    std::size_t stackUsed = 0;   // the most of it the plugin's script used
    std::optional<TouchedPages> touchedPages;  // --touched-pages
    StandInHeldIntoFn heldInto = nullptr;
    PluginFolder folder;
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
};

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
    for (const ScenarioEvent& event : scenario.events) {
        watchState = watchState || event.kind == EventKind::Unload || event.kind == EventKind::Load;
    }

    fs::path directory;
    if (options.gameDirectory.empty()) {
        directory = fs::temp_directory_path() / "veltrane-sim-game";
        fs::remove_all(directory);
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
        case Scenario::IniStart::Absent: fs::remove("Veltrane.ini"); break;
        case Scenario::IniStart::Text: std::ofstream("Veltrane.ini", std::ios::binary | std::ios::trunc) << scenario.iniText; break;
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
        flushLog(&run.loadCalls);
        mark = timed::now();
    });
    if (!failed.empty()) {
        const std::string reason = lastErrorText(failed);
        std::cerr << "veltrane-sim: cannot load the plugin " << folder.sourceOf(failed).string() << ": " << reason << "\n";
        return false;
    }
    flushLog(&run.loadCalls);
    const PluginModule* watched = folder.find(watchedName);
    if (watched == nullptr || watched->module == nullptr) return false;
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

void Game::writeResources(const std::string& name, std::uint32_t frame, std::uint64_t stateBytesKept) {
    if (!resources.is_open()) return;
    const ProcessResources now = measureProcessResources();
    char base[24];
    std::snprintf(base, sizeof base, "0x%llx", static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(plugin)));
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
    const LONGLONG started = timed::now();
    fault = folder.load(*target);
    if (fault.empty() && loadTiming.is_open()) timedLoad(name, log.frame, timed::now() - started);
    if (!fault.empty()) {
        fault += ": " + lastErrorText(name);
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

void Game::flushLog(std::vector<std::string>* described) {
    for (const HostCall& call : log.calls) {
        if (trace.is_open()) trace << traceCall(call) << "\n";
        if (described != nullptr) described->push_back(callKindName(call.kind));
    }
    log.clear();
}

void Game::apply(const ScenarioEvent& event, FrameRecord& record, Draw& draw) {
    const std::string what = describe(event);
    record.events.push_back(what);
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
            fs::remove("Veltrane.ini", ignored);  // a file, or an empty directory
            break;
        }
        case EventKind::MakeDirectory: {
            std::error_code ignored;
            fs::remove("Veltrane.ini", ignored);
            fs::create_directory("Veltrane.ini", ignored);
            break;
        }
        case EventKind::WriteFile:
            std::ofstream("Veltrane.ini", std::ios::binary | std::ios::trunc) << event.text;
            break;
        case EventKind::Keystroke: {
            pluginMemory.save();
            for (std::uint64_t code = event.keyCode; code <= event.lastKeyCode; ++code) {
                keystroke(static_cast<std::uint32_t>(code), &event.flags);
                ++run.totals.keystrokes;
            }
            const PluginMemoryChange change = pluginMemory.changes();
            if (watchState) watchedState.ran();
            run.totals.keystrokeBytesChanged += change.bytes;
            // Written after the frame's calls, which the frame's tally still needs.
            if (trace.is_open()) keystrokeLines.push_back(traceKeystrokes(event.frame, event.keyCode, event.lastKeyCode, change));
            break;
        }
        case EventKind::Fault:
            if (event.setsReportedCount) world.faults.reportedPedCount = event.reportedCount;
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

void Game::unload() {
    // Each plugin's DllMain runs now and unregisters its script and keyboard handler.
    folder.unloadAll();
    flushLog(&run.unloadCalls);
    if (host != nullptr) {
        // Measured as the unload deleted the script's fiber.
        if (scriptStackUse) stackUsed = scriptStackUse();
        if (shutdown) shutdown();
        FreeLibrary(host);
    }
}

int Game::play() {
    fs::path hostPath;
    std::vector<fs::path> pluginPaths;
    if (!prepare(hostPath, pluginPaths)) return 1;
    run.scenarioName = scenario.name;
    run.description = scenario.description;
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
        if (keepThisFrame) keepNatives(1);
        const bool countPages = options.touchedPagesFrame == frame && plugin != nullptr;
        if (countPages && !startTouchedPages(plugin)) {
            run.stopReason = "the plugin's pages can't be made inaccessible for --touched-pages";
            break;
        }
        const bool goOn = runFrame() != 0;
        if (countPages) touchedPages = stopTouchedPages();
        if (keepThisFrame) keepNatives(0);
        if (watchState) watchedState.ran();
        timeFrame();
        if (options.profileTiming) {
            const double micro = 1e6 / timing.timerHz;
            FrameTiming t;
            t.slice = static_cast<double>(sliceTicks()) * micro;
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
                timing.nativeReplays.push_back(static_cast<double>(replayNatives()) * micro);
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
        if (!options.summary) record.pedValuesAfter = pedValues(world.peds());
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
            run.stopReason = stopReason();
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
        if (stackGiven > 0) {
            std::cout << "script stack: " << stackUsed << " of " << stackGiven << " bytes used at most\n"
                      << std::flush;
        }
        if (touchedPages) {
            std::cout << "pages of " << watchedName << " touched in frame " << *options.touchedPagesFrame << ": "
                      << touchedPages->touched << " of " << touchedPages->pages << " (";
            const char* separator = "";
            for (const TouchedSection& section : touchedPages->sections) {
                std::cout << separator << section.name << " " << section.touched << "/" << section.pages;
                separator = ", ";
            }
            std::cout << ")\n" << std::flush;
        }
    }
    if (html.is_open()) html << renderHtml(run) << std::flush;
    if (!run.stopReason.empty()) {
        std::cerr << "veltrane-sim: fatal: " << run.stopReason << "\n";
        return 2;
    }
    return 0;
}

}  // namespace

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
    }
}

}  // namespace sim
