#pragma once
// The stand-in script host's own controls, exported as one table beside the nine host
// functions. The simulated game loads ScriptHookRDR2.dll and finds the table with GetProcAddress.
// Development and tests only: never shipped to players.

#include <cstddef>
#include <cstdint>

#include "sim/host_calls.h"
#include "sim/keystroke.h"
#include "sim/world.h"

namespace sim {

// What the game lends the host: the world the natives run against and the log of every call.
// The game and the host are built together by one compiler from the same sources, so they
// agree on these types, and both allocate from the same C runtime heap.
struct HostBinding {
    World* world = nullptr;
    CallLog* log = nullptr;
};

}  // namespace sim

namespace sim {

// The game's controls of the stand-in host, handed over as one table by its one plain export
// beside the nine host functions (standin::kControls).
struct StandInControls {
    // Before anything else: where natives go and where calls are recorded.
    void (*bind)(const HostBinding* binding) = nullptr;
    // One game frame: every registered script that has not been unregistered runs until its next
    // scriptWait (a script runs first on the first frame after its registration). Returns 0 when
    // the run must stop (the plugin called a native the game doesn't know), else 1.
    int (*runFrame)() = nullptr;
    // One keystroke message, handed to every registered keyboard handler in registration order,
    // with the flags as given (the log gets them packed into the message's flag word).
    void (*keystroke)(std::uint32_t keyCode, const KeystrokeFlags* flags) = nullptr;
    // Why the run must stop, or an empty text.
    const char* (*stopReason)() = nullptr;
    // Called by the game before it unloads the host: deletes the script fibers.
    void (*shutdown)() = nullptr;
    // For timing runs. The QueryPerformanceCounter ticks that the scripts ran in the last frame:
    // from the switch to each script's fiber to the switch back (its scriptWait, or its return).
    std::int64_t (*sliceTicks)() = nullptr;
    // How many scripts and keyboard handlers the host would still call in [begin, end) (a module's
    // image), plus fibers of unregistered scripts it has not deleted: 0 once a module unloaded cleanly.
    int (*heldInto)(const void* begin, const void* end) = nullptr;
    // 1: keep every native and worldGetAllPeds call from now on, dropping what was kept before;
    // 0: stop keeping.
    void (*keepNatives)(int on) = nullptr;
    // Script fibers made from now on get a stack of this many bytes (whole pages), all committed:
    // below that the stack can't be touched, and a script that needs more crashes the game. 0: the
    // system's default stack, neither limited nor measured. Returns the bytes it will give.
    std::size_t (*setScriptStack)(std::size_t bytes) = nullptr;
    // The most stack a script whose entry lies in [begin, end) (one plugin's image) used, from its
    // fiber's top down to the deepest byte it changed, over the fibers made with a stack size: those
    // deleted since the last ask for this range (which it then forgets, so that another plugin
    // loaded at the same address later starts afresh) and those still standing. 0 when none.
    std::size_t (*scriptStackUse)(const void* begin, const void* end) = nullptr;
    // Plays the kept calls once more against the world, straight through the host's own
    // functions with no script around them; returns the QueryPerformanceCounter ticks it took.
    // The world's counters count them; the game's log gets them too unless it is switched off.
    std::int64_t (*replayNatives)() = nullptr;
};

}  // namespace sim

extern "C" {
// The table of controls, the same one each call.
using StandInControlsFn = const sim::StandInControls* (*)();
}

namespace sim::standin {
inline constexpr const char* kControls = "standInControls";
}  // namespace sim::standin
