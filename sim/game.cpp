// The game loop of the simulated game. One process plays one scenario:
//   1. the world and the game directory are made, and the game moves into that directory;
//   2. the stand-in host is loaded, then the plugin (its DllMain registers with the host);
//   3. each frame: the scenario's events for the frame (weather, peds, edits to Veltrane.ini,
//      keystrokes, fault switches), then the host runs its scripts until they yield;
//   4. the plugin is unloaded (its DllMain unregisters), then the host; the report is printed.

#include "sim/game.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

#include "platform/windows_api.h"
#include "settings/ini_reader.h"
#include "settings/settings_file.h"
#include "sim/report.h"
#include "sim/scenario.h"
#include "sim/stand_in_host.h"
#include "sim/trace.h"
#include "tuning/tuning_pass.h"
#include "tuning/weather_table.h"

namespace fs = std::filesystem;

namespace sim {

namespace {

// Deterministic draws for the peds' values (splitmix64), the same on every machine.
class Draw {
public:
    explicit Draw(std::uint64_t seed) : state(seed) {}
    std::uint64_t next() {
        std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    std::int32_t between(std::int32_t low, std::int32_t high) {
        const auto span = static_cast<std::uint64_t>(static_cast<std::int64_t>(high) - low) + 1;
        return static_cast<std::int32_t>(low + static_cast<std::int64_t>(next() % span));
    }
    // Two decimals, so the report's values read well.
    float between(float low, float high) {
        const double unit = static_cast<double>(next() >> 11) / 9007199254740992.0;
        return static_cast<float>(std::round((low + (high - low) * unit) * 100.0) / 100.0);
    }

private:
    std::uint64_t state;
};

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

std::string windowsError(const std::string& what) {
    return what + " (Windows error " + std::to_string(GetLastError()) + ")";
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

// What Veltrane.ini asks of the plugin for this weather, as the frame begins.
std::string askedText(std::uint32_t weather) {
    if (!iniExists()) return "no Veltrane.ini (the plugin writes a fresh default file)";
    const IniReader reader{kSettingsFileName};
    std::ostringstream out;
    const auto enabled = rawValue(kSettingsSection, kEnabledKey);
    out << "Enabled=" << (enabled ? *enabled : "(missing)");
    if (!reader.readBool(kSettingsSection, kEnabledKey, false)) out << " (off)";
    const WeatherEntry* entry = findWeatherEntry(weather);
    if (entry == nullptr) {
        out << "; no section for this weather: the plugin keeps its last values";
        return out.str();
    }
    const auto accuracyText = rawValue(entry->section, entry->accuracyKey);
    const std::int32_t accuracy = reader.readInt(entry->section, entry->accuracyKey, 0);
    out << ", " << entry->accuracyKey << "=" << (accuracyText ? *accuracyText : "(missing)");
    if (accuracy == kAccuracySentinel) {
        out << " (follow the first ped)";
    } else if (static_cast<std::uint32_t>(accuracy) > 100u) {
        out << " (reads " << accuracy << ": outside 0-100, accuracy left alone)";
    } else if (!accuracyText || std::to_string(accuracy) != *accuracyText) {
        out << " (reads " << accuracy << ")";
    }
    const auto damageText = rawValue(entry->section, entry->damageModKey);
    const float damage = reader.readFloat(entry->section, entry->damageModKey, 0.0f);
    out << ", " << entry->damageModKey << "=" << (damageText ? *damageText : "(missing)");
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
    HMODULE host = nullptr;
    HMODULE plugin = nullptr;
    StandInRunFrameFn runFrame = nullptr;
    StandInKeystrokeFn keystroke = nullptr;
    StandInStopReasonFn stopReason = nullptr;
    StandInShutdownFn shutdown = nullptr;
    std::string weatherName;

    bool prepare(fs::path& hostPath, fs::path& pluginPath);
    bool load(const fs::path& hostPath, const fs::path& pluginPath);
    void apply(const ScenarioEvent& event, FrameRecord& record, Draw& draw);
    void flushLog(std::vector<std::string>* described);
    void unload();
};

bool Game::prepare(fs::path& hostPath, fs::path& pluginPath) {
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    const fs::path beside = fs::path(self).parent_path();
    hostPath = options.hostPath.empty() ? beside / "ScriptHookRDR2.dll" : fs::absolute(options.hostPath);
    pluginPath = options.pluginPath.empty() ? beside / "Veltrane.asi" : fs::absolute(options.pluginPath);

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

bool Game::load(const fs::path& hostPath, const fs::path& pluginPath) {
    host = LoadLibraryW(hostPath.c_str());
    if (host == nullptr) {
        std::cerr << "veltrane-sim: " << windowsError("cannot load the host " + hostPath.string()) << "\n";
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
    if (!bind || !runFrame || !keystroke || !stopReason || !shutdown) return false;
    const HostBinding binding{&world, &log};
    bind(&binding);

    // DllMain runs now and registers the plugin's script and keyboard handler.
    plugin = LoadLibraryW(pluginPath.c_str());
    if (plugin == nullptr) {
        std::cerr << "veltrane-sim: " << windowsError("cannot load the plugin " + pluginPath.string()) << "\n";
        return false;
    }
    flushLog(&run.loadCalls);
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
            fs::remove("Veltrane.ini", ignored);
            break;
        }
        case EventKind::WriteFile:
            std::ofstream("Veltrane.ini", std::ios::binary | std::ios::trunc) << event.text;
            break;
        case EventKind::Keystroke: keystroke(event.keyCode, packKeystrokeFlags(event.flags)); break;
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
    }
}

void Game::unload() {
    if (plugin != nullptr) {
        // DllMain runs now and unregisters the script and the keyboard handler.
        FreeLibrary(plugin);
        flushLog(&run.unloadCalls);
    }
    if (host != nullptr) {
        if (shutdown) shutdown();
        FreeLibrary(host);
    }
}

int Game::play() {
    fs::path hostPath, pluginPath;
    if (!prepare(hostPath, pluginPath)) return 1;
    run.scenarioName = scenario.name;
    run.description = scenario.description;
    if (!load(hostPath, pluginPath)) {
        unload();
        return 1;
    }

    Draw draw(scenario.seed ^ 0x5EEDull);
    const std::uint32_t frames = options.frames.value_or(scenario.frames);
    auto next = scenario.events.begin();
    for (std::uint32_t frame = 0; frame < frames; ++frame) {
        log.frame = frame;
        FrameRecord record;
        record.frame = frame;
        for (; next != scenario.events.end() && next->frame == frame; ++next) apply(*next, record, draw);
        record.weather = world.weather;
        record.weatherLabel = weatherLabel(world.weather, weatherName);
        record.asked = askedText(world.weather);

        const bool goOn = runFrame() != 0;

        record.tally = tallyFrame(log.calls, world);
        record.pedsInWorld = static_cast<std::int32_t>(world.peds().size());
        record.iniExistsAfter = iniExists();
        record.pedValuesAfter = pedValues(world.peds());
        flushLog(nullptr);
        if (trace.is_open()) trace << traceFrame(record) << "\n";
        run.frames.push_back(std::move(record));
        if (!goOn) {
            run.stopReason = stopReason();
            break;
        }
    }

    log.frame = static_cast<std::uint32_t>(run.frames.size());
    unload();
    run.finalPeds = world.peds();
    run.finalIniStatus = iniStatus();
    if (!options.quiet) std::cout << renderReport(run) << std::flush;
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
