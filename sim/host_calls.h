#pragma once
// What a stand-in script host needs besides the world: the nativeInit / nativePush64 /
// nativeCall protocol, and a record of every host and native call for tests and reports.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "sim/world.h"

namespace sim {

enum class CallKind : std::uint8_t {
    ScriptRegister,
    ScriptUnregister,
    ScriptWait,
    KeyboardHandlerRegister,
    KeyboardHandlerUnregister,
    WorldGetAllPeds,
    Native,
    ScriptStart,      // the host starts a registered script on a fiber of its own
    ScriptResume,     // the host switches back to a script's fiber in a later frame
    KeyboardMessage,  // the host hands one keystroke to one keyboard handler
};

const char* callKindName(CallKind kind);

struct HostCall {
    CallKind kind;
    std::uint64_t hash = 0;               // natives only
    std::array<std::uint64_t, 4> args{};  // argument words as pushed (natives) or passed
    std::uint8_t argc = 0;
    std::uint64_t result = 0;             // the result slot (natives) or returned value
    std::uint32_t frame = 0;              // the game frame the call was made in
};

// Collects one native call's hash and argument words, then runs it against the world and
// keeps the result in a slot that stays valid until the next call.
class NativeCallAssembler {
public:
    static constexpr std::size_t kMaxArgs = 16;

    void init(std::uint64_t hash);
    void push(std::uint64_t word);
    // nullptr when the world doesn't know the hash.
    std::uint64_t* call(World& world);

    std::uint64_t hash() const { return currentHash; }
    const std::uint64_t* args() const { return argWords.data(); }
    std::size_t argc() const { return argCount; }

private:
    std::uint64_t currentHash = 0;
    std::array<std::uint64_t, kMaxArgs> argWords{};
    std::size_t argCount = 0;
    std::uint64_t resultSlot = 0;
};

// Every call in order, each stamped with the frame the game is in.
struct CallLog {
    bool enabled = true;
    std::uint32_t frame = 0;
    std::vector<HostCall> calls;

    void add(HostCall call) {
        if (!enabled) return;
        call.frame = frame;
        calls.push_back(call);
    }
    void addNative(const NativeCallAssembler& native, std::uint64_t result);
    void clear() { calls.clear(); }
};

// "PedExemptTest(0x101) -> 0" and the like, for failure messages and traces.
std::string describe(const HostCall& call);

}  // namespace sim
