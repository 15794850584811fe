// The stand-in ScriptHookRDR2.dll: the nine host functions the plugin imports, backed by the
// game's simulated world, plus the few controls the simulated game drives it with.
//
// Each registered script runs on a fiber of its own. The game's frame switches to each
// script's fiber in turn; scriptWait switches back, and the script resumes there on the next
// frame. Natives are assembled from nativeInit / nativePush64 and run against the world by
// hash on nativeCall. Every call is recorded in the game's log.
//
// For timing runs the game can also ask for the time its scripts ran in each frame, and have
// the host keep one frame's natives and play them again by themselves: what the natives cost
// on the host's side, apart from the script that called them.

#include <algorithm>
#include <cstdio>
#include <array>
#include <list>
#include <string>
#include <vector>

#include "host/natives.h"
#include "host/script_host.h"
#include "platform/windows_api.h"
#include "sim/junk_upper_bits.h"
#include "sim/script_stack.h"
#include "sim/stand_in_host.h"

namespace {

struct Script {
    ModuleHandle module = nullptr;
    ScriptEntry entry = nullptr;
    LPVOID fiber = nullptr;
    bool unregistered = false;
    bool returned = false;  // a script that returns from its entry is done
    sim::ScriptStack stack;  // limited and measured when the game chose a stack size
};

// One host call kept for replay: a native (hash and its first argument words) or, with hash
// 0, worldGetAllPeds (args[0] the capacity).
struct KeptCall {
    std::uint64_t hash = 0;
    std::array<std::uint64_t, 2> args{};
    std::uint8_t argc = 0;
};

struct Host {
    sim::HostBinding game;
    std::list<Script> scripts;  // a list: each fiber holds its script's address
    std::vector<KeyboardHandler> keyboardHandlers;
    sim::NativeCallAssembler native;
    LPVOID gameFiber = nullptr;
    Script* running = nullptr;
    std::string stopReason;
    std::uint64_t deadSlot = 0;  // what a native outside any script gets after a fatal call
    std::int64_t sliceTicks = 0;  // QueryPerformanceCounter ticks the scripts ran in the last frame
    bool keeping = false;         // keep the natives of the frames that run now
    std::vector<KeptCall> kept;
    std::uint64_t replaySink = 0;
    std::size_t scriptStack = 0;     // bytes of stack for each script fiber made from now on; 0: the default
    struct StackUse {
        std::uint64_t entry;  // the script's entry point: which plugin's script it was
        std::size_t bytes;
    };
    std::vector<StackUse> stackUses;  // of each script fiber deleted, until the game asks
};

Host& host() {
    static Host instance;
    return instance;
}

std::uint64_t word(const void* pointer) { return reinterpret_cast<std::uintptr_t>(pointer); }
std::uint64_t word(KeyboardHandler handler) { return reinterpret_cast<std::uintptr_t>(handler); }
std::uint64_t word(ScriptEntry entry) { return reinterpret_cast<std::uintptr_t>(entry); }

void record(sim::CallKind kind, std::initializer_list<std::uint64_t> args, std::uint64_t result = 0) {
    if (host().game.log == nullptr) return;
    sim::HostCall call{kind};
    for (std::uint64_t arg : args) {
        if (call.argc < call.args.size()) call.args[call.argc++] = arg;
    }
    call.result = result;
    host().game.log->add(call);
}

void WINAPI runScript(LPVOID parameter) {
    auto* script = static_cast<Script*>(parameter);
    if (host().scriptStack > 0) {
        script->stack = sim::limitScriptStack(host().scriptStack);
        if (script->stack.low == nullptr) {
            host().stopReason = "the script's stack could not be limited to the size asked";
            script->returned = true;
            SwitchToFiber(host().gameFiber);
        }
    }
    callScriptEntry(script->entry);
    // A fiber routine must never return (that would end the thread): hand control back for good.
    script->returned = true;
    SwitchToFiber(host().gameFiber);
}

void deleteFiber(Script& script) {
    if (script.fiber != nullptr && script.fiber != GetCurrentFiber()) {
        if (script.stack.low != nullptr) host().stackUses.push_back({word(script.entry), sim::scriptStackUse(script.stack)});
        DeleteFiber(script.fiber);
        script.fiber = nullptr;
    }
}

}  // namespace

extern "C" {

// The nine host functions, exported under the host's decorated names (sim/stand_in_host.def.in).
// The host calls the plugin's script and keyboard handler through sim/junk_upper_bits.S.

void scriptRegister(ModuleHandle module, ScriptEntry entry) {
    record(sim::CallKind::ScriptRegister, {word(module), word(entry)});
    Script script;
    script.module = module;
    script.entry = entry;
    host().scripts.push_back(script);
}

void scriptUnregister(ModuleHandle module) {
    record(sim::CallKind::ScriptUnregister, {word(module)});
    for (Script& script : host().scripts) {
        if (script.module != module || script.unregistered) continue;
        // Never resumed again; its fiber (and the stack of its endless loop) goes with it.
        script.unregistered = true;
        deleteFiber(script);
    }
    // Forgotten, unless its fiber is the one running now (a script unregistering itself).
    host().scripts.remove_if([](const Script& script) { return script.unregistered && script.fiber == nullptr; });
}

void scriptWait(std::uint32_t milliseconds) {
    record(sim::CallKind::ScriptWait, {milliseconds});
    // Any wait ends the script's frame; it resumes on the next one.
    if (host().running != nullptr) SwitchToFiber(host().gameFiber);
}

void keyboardHandlerRegister(KeyboardHandler handler) {
    record(sim::CallKind::KeyboardHandlerRegister, {word(handler)});
    host().keyboardHandlers.push_back(handler);
}

void keyboardHandlerUnregister(KeyboardHandler handler) {
    record(sim::CallKind::KeyboardHandlerUnregister, {word(handler)});
    auto& handlers = host().keyboardHandlers;
    for (auto it = handlers.begin(); it != handlers.end(); ++it) {
        if (*it == handler) {
            handlers.erase(it);
            break;
        }
    }
}

void nativeInit(std::uint64_t hash) { host().native.init(hash); }

void nativePush64(std::uint64_t value) { host().native.push(value); }

std::uint64_t* nativeCall() {
    Host& h = host();
    if (h.keeping) {
        KeptCall call{h.native.hash()};
        call.argc = static_cast<std::uint8_t>(std::min<std::size_t>(h.native.argc(), call.args.size()));
        std::copy_n(h.native.args(), call.argc, call.args.begin());
        h.kept.push_back(call);
    }
    std::uint64_t* slot = h.game.world ? h.native.call(*h.game.world) : nullptr;
    if (h.game.log != nullptr) h.game.log->addNative(h.native, slot ? *slot : 0);
    if (slot != nullptr) return slot;

    // The game stops on a native it doesn't know: so does this run.
    char reason[96];
    std::snprintf(reason, sizeof reason, "the plugin called native 0x%016llX, which the game does not know",
                  static_cast<unsigned long long>(h.native.hash()));
    h.stopReason = reason;
    if (h.running != nullptr) {
        h.running->returned = true;  // never resumed
        SwitchToFiber(h.gameFiber);
    }
    h.deadSlot = 0;
    return &h.deadSlot;
}

// Exported as worldGetAllPeds through sim/junk_upper_bits.S, which returns the count with junk
// in the upper half of RAX.
std::int32_t standInGetAllPeds(std::int32_t* peds, std::int32_t capacity) {
    if (host().keeping) host().kept.push_back(KeptCall{0, {static_cast<std::uint32_t>(capacity)}, 1});
    const std::int32_t count = host().game.world ? host().game.world->getAllPeds(peds, capacity) : 0;
    record(sim::CallKind::WorldGetAllPeds, {static_cast<std::uint32_t>(capacity)}, static_cast<std::uint32_t>(count));
    return count;
}

// The game's controls (sim/stand_in_host.h), exported under these plain names.

void standInBind(const sim::HostBinding* binding) { host().game = *binding; }

int standInRunFrame() {
    Host& h = host();
    if (!h.stopReason.empty()) return 0;
    if (h.gameFiber == nullptr) {
        h.gameFiber = IsThreadAFiber() ? GetCurrentFiber() : ConvertThreadToFiber(nullptr);
        if (h.gameFiber == nullptr) {
            h.stopReason = "the game thread could not become a fiber";
            return 0;
        }
    }
    h.sliceTicks = 0;
    for (Script& script : h.scripts) {
        if (script.unregistered || script.returned) continue;
        if (script.fiber == nullptr) {
            record(sim::CallKind::ScriptStart, {word(script.module), word(script.entry)});
            // Committed whole; the reserve leaves room for the pages the system keeps below a stack.
            script.fiber = CreateFiberEx(h.scriptStack, h.scriptStack > 0 ? h.scriptStack + 65536 : 0, 0, runScript, &script);
            if (script.fiber == nullptr) {
                h.stopReason = "no fiber could be made for a script";
                return 0;
            }
        } else {
            record(sim::CallKind::ScriptResume, {word(script.module), word(script.entry)});
        }
        h.running = &script;
        LARGE_INTEGER before, after;
        QueryPerformanceCounter(&before);
        SwitchToFiber(script.fiber);
        QueryPerformanceCounter(&after);
        h.sliceTicks += after.QuadPart - before.QuadPart;
        h.running = nullptr;
        if (!h.stopReason.empty()) return 0;
    }
    return 1;
}

void standInKeystroke(std::uint32_t keyCode, const sim::KeystrokeFlags* given) {
    const sim::KeystrokeFlags flags = *given;
    const std::uint32_t flagWord = sim::packKeystrokeFlags(flags);
    // A copy: a handler may unregister itself.
    const std::vector<KeyboardHandler> handlers = host().keyboardHandlers;
    for (KeyboardHandler handler : handlers) {
        record(sim::CallKind::KeyboardMessage, {word(handler), keyCode, flagWord});
        callKeyboardHandler(handler, keyCode, flags.repeatCount, flags.scanCode, flags.extended, flags.altHeld,
                            flags.previouslyDown, flags.keyUp);
    }
}

std::int64_t standInSliceTicks() { return host().sliceTicks; }

int standInHeldInto(const void* begin, const void* end) {
    const auto inside = [&](std::uint64_t address) { return address >= word(begin) && address < word(end); };
    int held = 0;
    for (const Script& script : host().scripts) {
        if (!script.unregistered && (inside(word(script.entry)) || inside(word(script.module)))) ++held;
        if (script.fiber != nullptr && script.unregistered) ++held;  // a fiber left standing on its stack
    }
    for (KeyboardHandler handler : host().keyboardHandlers) held += inside(word(handler)) ? 1 : 0;
    return held;
}

void standInKeepNatives(int on) {
    Host& h = host();
    if (on != 0) h.kept.clear();
    h.keeping = on != 0;
}

std::int64_t standInReplayNatives() {
    Host& h = host();
    // Through pointers the compiler can't see through, as the plugin calls them through its
    // import table: nothing is inlined into the loop.
    void (*volatile init)(std::uint64_t) = nativeInit;
    void (*volatile push)(std::uint64_t) = nativePush64;
    std::uint64_t* (*volatile call)() = nativeCall;
    std::int32_t (*volatile getAllPeds)(std::int32_t*, std::int32_t) = worldGetAllPeds;
    std::vector<std::int32_t> handles;
    for (const KeptCall& kept : h.kept) {
        if (kept.hash == 0) handles.resize(std::max<std::size_t>(handles.size(), kept.args[0]));
    }
    // The weather query writes through its pointers: into slots of the host's own.
    std::uint64_t weatherSlots[2] = {};
    const bool wasKeeping = h.keeping;
    h.keeping = false;
    std::uint64_t sink = 0;
    LARGE_INTEGER before, after;
    QueryPerformanceCounter(&before);
    for (const KeptCall& kept : h.kept) {
        if (kept.hash == 0) {
            sink += static_cast<std::uint32_t>(getAllPeds(handles.data(), static_cast<std::int32_t>(kept.args[0])));
            continue;
        }
        init(kept.hash);
        if (kept.hash == NativeHashes::WeatherQuery) {
            push(word(&weatherSlots[0]));
            push(word(&weatherSlots[1]));
        } else {
            for (std::uint8_t i = 0; i < kept.argc; ++i) push(kept.args[i]);
        }
        sink += *call();
    }
    QueryPerformanceCounter(&after);
    h.keeping = wasKeeping;
    h.replaySink = sink;  // the results go somewhere, so the calls stay
    return after.QuadPart - before.QuadPart;
}

const char* standInStopReason() { return host().stopReason.c_str(); }

std::size_t standInScriptStack(std::size_t bytes) {
    host().scriptStack = sim::scriptStackBytes(bytes);
    return host().scriptStack;
}

std::size_t standInScriptStackUse(const void* begin, const void* end) {
    const auto inside = [&](std::uint64_t address) { return address >= word(begin) && address < word(end); };
    std::size_t most = 0;
    auto& uses = host().stackUses;
    for (const auto& use : uses) {
        if (inside(use.entry)) most = std::max(most, use.bytes);
    }
    uses.erase(std::remove_if(uses.begin(), uses.end(), [&](const auto& use) { return inside(use.entry); }), uses.end());
    for (const Script& script : host().scripts) {
        if (script.fiber != nullptr && inside(word(script.entry))) most = std::max(most, sim::scriptStackUse(script.stack));
    }
    return most;
}

void standInShutdown() {
    Host& h = host();
    for (Script& script : h.scripts) deleteFiber(script);
    h.scripts.clear();
    if (h.gameFiber != nullptr && IsThreadAFiber()) ConvertFiberToThread();
    h.gameFiber = nullptr;
}

const sim::StandInControls* standInControls() {
    // In the order of the table's fields.
    static const sim::StandInControls controls{standInBind, standInRunFrame, standInKeystroke, standInStopReason,
                                               standInShutdown, standInSliceTicks, standInHeldInto, standInKeepNatives,
                                               standInScriptStack, standInScriptStackUse, standInReplayNatives};
    return &controls;
}

}  // extern "C"
