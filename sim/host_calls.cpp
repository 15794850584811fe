#include "sim/host_calls.h"

#include <algorithm>
#include <cstdio>

namespace sim {

const char* callKindName(CallKind kind) {
    switch (kind) {
        case CallKind::ScriptRegister: return "scriptRegister";
        case CallKind::ScriptUnregister: return "scriptUnregister";
        case CallKind::ScriptWait: return "scriptWait";
        case CallKind::KeyboardHandlerRegister: return "keyboardHandlerRegister";
        case CallKind::KeyboardHandlerUnregister: return "keyboardHandlerUnregister";
        case CallKind::WorldGetAllPeds: return "worldGetAllPeds";
        case CallKind::Native: return "native";
        case CallKind::ScriptStart: return "scriptStart";
        case CallKind::ScriptResume: return "scriptResume";
        case CallKind::KeyboardMessage: return "keyboardMessage";
    }
    return "?";
}

void NativeCallAssembler::init(std::uint64_t hash) {
    currentHash = hash;
    argCount = 0;
}

void NativeCallAssembler::push(std::uint64_t word) {
    if (argCount < kMaxArgs) argWords[argCount] = word;
    ++argCount;
}

std::uint64_t* NativeCallAssembler::call(World& world) {
    const auto result = world.callNative(currentHash, argWords.data(), std::min(argCount, kMaxArgs));
    if (!result) return nullptr;
    // Every result the plugin reads is 32 bits wide; the game leaves its slot's upper half as it is.
    resultSlot = world.slotHighBits() | static_cast<std::uint32_t>(*result);
    return &resultSlot;
}

void CallLog::addNative(const NativeCallAssembler& native, std::uint64_t result) {
    if (!enabled) return;
    HostCall call{CallKind::Native};
    call.hash = native.hash();
    call.argc = static_cast<std::uint8_t>(std::min<std::size_t>(native.argc(), call.args.size()));
    std::copy_n(native.args(), call.argc, call.args.begin());
    call.result = result;
    call.frame = frame;
    calls.push_back(call);
}

std::string describe(const HostCall& call) {
    std::string text = call.kind == CallKind::Native ? nativeName(call.hash) : callKindName(call.kind);
    if (text.empty()) {
        char unknown[32];
        std::snprintf(unknown, sizeof unknown, "native 0x%016llX", static_cast<unsigned long long>(call.hash));
        text = unknown;
    }
    text += "(";
    for (std::size_t i = 0; i < call.argc; ++i) {
        char word[24];
        std::snprintf(word, sizeof word, "%s0x%llX", i ? ", " : "", static_cast<unsigned long long>(call.args[i]));
        text += word;
    }
    char result[32];
    std::snprintf(result, sizeof result, ") -> 0x%llX", static_cast<unsigned long long>(call.result));
    return text + result;
}

}  // namespace sim
