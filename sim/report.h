#pragma once
// What the simulated game saw in one run, and the report it prints: per weather phase what
// Veltrane.ini asked for, how many peds changed per frame and how long they took to settle (and
// for how many: the plugin reaches only the first peds the game lists), the native calls per
// frame, which plugins were loaded, and anything that went wrong.

#include <cstdint>
#include <string>
#include <vector>

#include "sim/host_calls.h"
#include "sim/plugin_targets.h"
#include "sim/scenario.h"
#include "sim/world.h"

namespace sim {

// One frame's calls, counted.
struct FrameTally {
    std::uint32_t nativeCalls = 0;
    std::uint32_t pedsChanged = 0;        // distinct peds written
    std::uint32_t strayHandleCalls = 0;   // ped natives on handles no ped of the world has
    std::uint32_t accuracyWrites = 0;
    std::uint32_t damageWrites = 0;
    std::uint32_t pedsWrittenTwice = 0;   // more than one write to one ped in the frame
    std::uint32_t exemptPedsTouched = 0;  // any call but PedExemptTest on an exempt ped
    std::uint32_t keyboardMessages = 0;   // keystrokes handed to handlers: one per handler each
    std::uint32_t nativesInKeyboardHandlers = 0;
};

// Counts `calls`, all made in one frame; `world` tells which peds are exempt.
FrameTally tallyFrame(const std::vector<HostCall>& calls, World& world);

// What happened to Veltrane.ini while the frame's scripts ran (the scenario's own edits come
// before, and don't count). The plugin may create a missing file; nothing else may change it.
enum class IniDuringFrame { Unchanged, Created, Changed };

// One scenario event as it happened, and the scenario's own note on it (empty: none).
struct FrameEvent {
    std::string what;  // describe(): "weather Rain (0x54A69840)"
    std::string note;
    EventKind kind = EventKind::Weather;
};

struct FrameRecord {
    std::uint32_t frame = 0;
    std::uint32_t weather = 0;
    std::string weatherLabel;         // "Rain", or the scenario's name for a weather with no row
    std::string asked;                // Veltrane.ini's keys for this weather as the frame began
    std::vector<FrameEvent> events;   // what the scenario did before the frame ran
    std::uint32_t keystrokes = 0;     // keystroke messages the game sent in the frame (each goes
                                      // to every registered handler: see tally.keyboardMessages)
    // Bit i: RunRecord::plugins[i] was loaded while the frame's scripts ran.
    std::uint64_t pluginsLoaded = 0;
    std::int32_t pedsInWorld = 0;
    bool iniExistsAfter = true;
    IniDuringFrame iniDuringFrame = IniDuringFrame::Unchanged;
    std::string pedValuesAfter;       // the commonest values of the peds not exempt
    PluginTargets targets;            // what the plugin worked towards in the frame
    SettledCount settled;             // peds holding those values after the frame
    FrameTally tally;
};

// Counted over the whole run, in every mode (a summary keeps no frame records).
struct RunTotals {
    std::uint64_t frames = 0;
    std::uint64_t nativeCalls = 0;
    std::uint64_t accuracyWrites = 0;
    std::uint64_t damageWrites = 0;
    std::uint64_t framesWithoutNatives = 0;
    std::uint64_t pedsWrittenTwice = 0;
    std::uint64_t exemptPedsTouched = 0;
    std::uint64_t strayHandleCalls = 0;
    std::uint64_t iniCreated = 0;            // frames in which the plugin created a missing file
    std::uint64_t iniChanged = 0;            // frames in which the file changed otherwise
    std::uint64_t keystrokes = 0;            // keystroke messages the game sent
    std::uint64_t keystrokeBytesChanged = 0; // bytes of the plugin's writable memory they changed
    std::int64_t mostPeds = 0;
    double seconds = 0;
    struct WorkingSet {
        std::uint64_t frame;  // after this many frames
        std::uint64_t bytes;
    };
    std::vector<WorkingSet> workingSet;
};

void addFrame(RunTotals& totals, const FrameRecord& frame);

// The host calls one plugin's DllMain made as it was loaded at the start, or unloaded at the end.
struct PluginCalls {
    std::string plugin;               // "Veltrane.asi"
    std::vector<std::string> calls;   // "scriptRegister", ...
};

struct RunRecord {
    std::string scenarioName;
    std::string description;
    std::string gameDirectory;
    std::string worldAtStart;              // "300 peds (30 exempt)"
    std::vector<std::string> plugins;      // the game folder's plugins, in the order loaded
    std::size_t watched = 0;               // the one the report watches (the first named)
    std::vector<PluginCalls> loadCalls;    // what the host saw while each plugin loaded
    std::vector<PluginCalls> unloadCalls;  // and while each unloaded at the end
    std::vector<FrameRecord> frames;
    std::string stopReason;                // empty unless the run stopped early
    std::vector<std::string> notes;        // the scenario's and the game's: what may not be meant
    std::vector<Ped> finalPeds;
    std::string finalIniStatus;            // "present, 45 key line(s)" or "missing"
    RunTotals totals;
};

// The whole report: the run's facts, one block per weather phase, the end state.
std::string renderReport(const RunRecord& run);

// A run of frames with one weather: frames[begin] to frames[end - 1].
struct Phase {
    std::size_t begin, end;
};
std::vector<Phase> weatherPhases(const std::vector<FrameRecord>& frames);

// A run of frames with the same number of peds beyond the plugin's reach, of as many not exempt.
struct ReachRun {
    std::uint32_t first, last;  // frames
    std::uint32_t beyond, notExempt;
};
std::vector<ReachRun> reachRuns(const std::vector<FrameRecord>& frames, std::size_t begin, std::size_t end);

// Of the peds not exempt beyond the plugin's reach in the frame, how many no plugin had written
// up to then: "the 3976 beyond it in frame 3 untouched so far", "of the 6 beyond it in frame 3, 4
// untouched so far"; "" when none was beyond it.
std::string untouchedSoFar(const FrameRecord& frame);

// "beyond the plugin's reach: 100 of 100 peds not exempt in frames 0-19, 0 of 100 peds not
// exempt in frames 20-39 (the plugin handles ...)", and how many of those beyond it in the
// phase's last frame no plugin had written up to then; "" when none was beyond it.
std::string reachLine(const std::vector<FrameRecord>& frames, std::size_t begin, std::size_t end);

// Each burst of frames in which peds changed: "after 2 frame(s) from frame 90; after 2 frame(s)
// from frame 110"; "still changing at the phase's end (from frame 118)" for a burst that runs
// into the last frame of a phase longer than one frame; "nothing to change" without a burst.
// When peds not exempt were beyond the plugin's reach in any frame of the phase, it says for
// how many the bursts count: "for the 922 of 4500 peds not exempt within the plugin's reach:
// after 1 frame(s) from frame 5", or "(0 to 100 of them, by frame)" when that changed.
std::string settling(const std::vector<FrameRecord>& frames, std::size_t begin, std::size_t end);

// How the phase's frames without a native call came about, one text per cause, "" for none:
// "no native call in 3 frame(s), first 60 (Veltrane.asi loaded: switched off or writing a fresh
// file)", "... (Veltrane.asi not loaded)".
std::vector<std::string> idleFrames(const RunRecord& run, std::size_t begin, std::size_t end);

// "Veltrane.asi (watched), asi_probe.asi", and in a frame: "Veltrane.asi; asi_probe.asi not
// loaded".
std::string pluginList(const RunRecord& run);
std::string pluginsInFrame(const RunRecord& run, const FrameRecord& frame);

// "weather Rain (0x54A69840); note: edited while it rains"
std::string eventText(const FrameEvent& event);

// The totals alone, for long runs: frames, peds, calls, writes, keystrokes, problems, working
// set, time.
std::string renderSummary(const RunRecord& run);

// One frame of a timing run (--profile-timing), in microseconds.
struct FrameTiming {
    double slice = 0;          // the plugin's script: from the switch to its fiber to its scriptWait
    double profileReads = 0;   // inside kernel32's GetPrivateProfileStringA, called by the plugin
    double profileWrites = 0;  // inside kernel32's WritePrivateProfileStringA, called by the plugin
    double existence = 0;      // inside kernel32's GetFileAttributesA: the plugin's existence query
    std::uint32_t reads = 0, writes = 0, existenceQueries = 0;
    std::uint64_t nativeCalls = 0, pedWrites = 0;
};

struct TimingRecord {
    std::string scenarioName;
    std::int32_t peds = 0;            // in the world at the end
    std::uint32_t warmupFrames = 0;   // the first frames, left out of the figures
    std::vector<FrameTiming> frames;  // every frame played, warm-up included
    // One frame's natives played again by the host alone, after each timed frame: what the
    // host and the game spend on them.
    std::vector<double> nativeReplays;
    double timerHz = 0;               // QueryPerformanceFrequency
    double timerReadMicroseconds = 0; // what one QueryPerformanceCounter call costs
    double frameMicroseconds = 1e6 / 60.0;
};

// The value at `share` (0 to 1) of the values by the nearest rank: the smallest value that at
// least that share of them do not exceed. 0 for no values.
double percentile(std::vector<double> values, double share);

// Median and 95th percentile of the plugin's slice and its parts, in µs and as a share of a
// frame: the profile reads and writes, the existence query, the rest; the rest split into the
// natives (the replay's median) and the plugin's own code.
std::string renderTiming(const TimingRecord& timing);

// "300 peds (30 exempt)"
std::string pedCount(const std::vector<Ped>& peds);

// "accuracy 62 (270), 44 (3); damage modifier 0.5 (273)" over the peds not exempt: the three
// commonest values of each, then ", N other values" and ", NaN (n)"; "none" without such peds.
std::string pedValues(const std::vector<Ped>& peds);

// pedValues, apart for the peds within the plugin's reach (the first it handles) and beyond it,
// when there are peds beyond it: "within the plugin's reach (the first 1024 listed): accuracy 70
// (922); damage modifier 0.5 (922)" `separator` "beyond it: accuracy 50 (44); ... (44 ` `untouched`
// `)": how many beyond it no plugin has written so far.
std::string pedValuesByReach(const std::vector<Ped>& peds, const std::string& separator, const char* untouched);

// "270 x2, 3, 0 x25": runs of equal values, at most `maxRuns` of them, then "... (N more frames)".
std::string runLengths(const std::vector<std::uint32_t>& values, std::size_t maxRuns = 8);

}  // namespace sim
