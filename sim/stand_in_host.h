#pragma once
// The stand-in script host's own controls, exported under plain names beside the nine host
// functions. The simulated game loads ScriptHookRDR2.dll and finds them with GetProcAddress.
// Development and tests only: never shipped to players.

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

extern "C" {
// Before anything else: where natives go and where calls are recorded.
using StandInBindFn = void (*)(const sim::HostBinding* binding);
// One game frame: every registered script that has not been unregistered runs until its next
// scriptWait (a script runs first on the first frame after its registration). Returns 0 when
// the run must stop (the plugin called a native the game doesn't know), else 1.
using StandInRunFrameFn = int (*)();
// One keystroke message, handed to every registered keyboard handler in registration order,
// with the flags as given (the log gets them packed into the message's flag word).
using StandInKeystrokeFn = void (*)(std::uint32_t keyCode, const sim::KeystrokeFlags* flags);
// Why the run must stop, or an empty text.
using StandInStopReasonFn = const char* (*)();
// Called by the game before it unloads the host: deletes the script fibers.
using StandInShutdownFn = void (*)();
}

namespace sim::standin {
inline constexpr const char* kBind = "standInBind";
inline constexpr const char* kRunFrame = "standInRunFrame";
inline constexpr const char* kKeystroke = "standInKeystroke";
inline constexpr const char* kStopReason = "standInStopReason";
inline constexpr const char* kShutdown = "standInShutdown";
}  // namespace sim::standin
