#pragma once
// A scenario for the simulated game: the world at the start, then what happens at which frame
// (weather, peds coming and going, edits to Veltrane.ini, keystrokes, fault switches).
// docs/SIMULATOR.md describes the JSON form; parseScenario checks it and says what is wrong.

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "sim/keystroke.h"

namespace sim {

struct ScenarioError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// A group of peds, their values drawn evenly from the ranges.
struct PedGroup {
    std::int32_t count = 0;
    std::int32_t accuracyMin = 50, accuracyMax = 50;
    float damageMin = 1.0f, damageMax = 1.0f;
    double exemptShare = 0.0;  // 0 to 1: the share of the group the game exempts
};

enum class EventKind {
    Weather,     // the game's weather changes
    Spawn,       // a group of peds appears
    Despawn,     // the oldest peds vanish
    SetKey,      // the player sets a key in Veltrane.ini
    DeleteKey,   // the player deletes a key
    DeleteFile,  // the player deletes Veltrane.ini (a file or an empty directory)
    WriteFile,   // the player replaces the whole file (garbage included)
    MakeDirectory,  // a directory named Veltrane.ini takes the file's place
    Keystroke,   // one keystroke message
    Fault,       // a fault switch of the world goes on or off
    ResetDamage, // from now on the game resets every ped's damage modifier before each frame
    Unload,      // a plugin is unloaded (FreeLibrary)
    Load,        // an unloaded plugin is loaded again (LoadLibrary)
};

struct ScenarioEvent {
    std::uint32_t frame = 0;
    std::string place;                           // where the scenario gives it: "events[3]"
    EventKind kind = EventKind::Weather;
    std::string weatherName;                     // Weather: as the scenario named it
    std::uint32_t weatherHash = 0;               // Weather
    PedGroup peds;                               // Spawn
    std::int32_t count = 0;                      // Despawn; Fault: peds whose damage reads NaN
    std::string section, key, text;              // SetKey, DeleteKey; WriteFile: the whole text;
                                                 // Unload, Load: the plugin's file name
    std::uint32_t keyCode = 0;                   // Keystroke
    std::uint32_t lastKeyCode = 0;               // Keystroke: one message per code up to this one
    KeystrokeFlags flags;                        // Keystroke
    bool setsReportedCount = false;              // Fault: the worldGetAllPeds count switch
    std::optional<std::int32_t> reportedCount;   // Fault: nullopt turns the switch off
    bool setsNaNDamage = false;                  // Fault: the NaN damage switch (count peds)
    std::optional<std::int32_t> exemptAnswer;    // Fault: what the exempt test answers for exempt peds
    std::optional<std::uint32_t> slotHighHalf;   // Fault: the upper half of every slot the game fills
    std::optional<float> resetDamage;            // ResetDamage: nullopt stops the resets
    std::string note;                            // the scenario's own words on the event
};

// A scenario plays from 1 to this many frames.
inline constexpr std::uint32_t kMostFrames = 1000000;

struct Scenario {
    std::string name;
    std::string description;
    std::uint32_t frames = 0;     // 1 to kMostFrames
    std::uint64_t seed = 1;
    // Veltrane.ini before the plugin loads: keep whatever the game directory has, start
    // without a file (the plugin writes its defaults), or start with the given text.
    enum class IniStart { Keep, Absent, Text } iniStart = IniStart::Keep;
    std::string iniText;
    PedGroup peds;                      // the world at the start
    // The plugins in the game folder, by file name, found beside the game; the first is the
    // one the report watches.
    std::vector<std::string> plugins{"Veltrane.asi"};
    std::vector<ScenarioEvent> events;  // by frame; events of one frame in file order
    // What the scenario may not mean, though it can be played: "events[2].set.key: the plugin
    // reads no key "Acuracy_Rain" in [WeatherType_Rain]; the nearest is "Accuracy_Rain"".
    std::vector<std::string> notes;
};


// Throws ScenarioError, with the place of the first mistake.
Scenario parseScenario(const std::string& json);

// A run of `frames` frames (--frames) that ends before some of the scenario's events, said with
// the first of them: "--frames 50 ends the run before 2 of the scenario's 9 events, the first in
// frame 60 (events[7]): they are not played". Empty when every event is played.
std::string eventsPastTheEnd(const Scenario& scenario, std::uint32_t frames);

// Refuses, with the event's place, an unload or load that names none of `plugins` (file names,
// without letter case), a load of a loaded plugin or an unload of an unloaded one: every plugin
// is loaded before the first frame. parseScenario checks against the scenario's own list; the
// game checks again against the plugins it is given instead (--plugin).
void checkPluginEvents(const Scenario& scenario, const std::vector<std::string>& plugins);

// "set WeatherType_Rain.DamageMod_Rain = 0.5", "weather Rain (0x54A69840)", ...
std::string describe(const ScenarioEvent& event);

}  // namespace sim
