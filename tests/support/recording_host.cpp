#include "tests/support/recording_host.h"

#include <algorithm>
#include <stdexcept>

#include "plugin/keyboard_state.h"
#include "tuning/tuning_pass.h"
#include "tuning/tuning_state.h"

RecordingHost& recordingHost() {
    static RecordingHost host;
    return host;
}

void resetHostAndPlugin() {
    recordingHost() = RecordingHost{};
    tuningState = TuningState{};
    keyStateTable = {};
    pedBuffer.fill(0);
}

std::vector<sim::HostCall> RecordingHost::natives() const {
    std::vector<sim::HostCall> out;
    std::copy_if(log.calls.begin(), log.calls.end(), std::back_inserter(out),
                 [](const sim::HostCall& c) { return c.kind == sim::CallKind::Native; });
    return out;
}

std::vector<std::string> RecordingHost::nativeNames() const {
    std::vector<std::string> out;
    for (const auto& call : natives()) out.push_back(sim::nativeName(call.hash));
    return out;
}

namespace {

void record(sim::CallKind kind, std::uint64_t arg = 0, std::uint64_t result = 0) {
    sim::HostCall call{kind};
    call.args[0] = arg;
    call.argc = 1;
    call.result = result;
    recordingHost().log.add(call);
}

std::uint64_t word(const void* pointer) { return reinterpret_cast<std::uintptr_t>(pointer); }

}  // namespace

extern "C" {

void scriptRegister(ModuleHandle module, ScriptEntry entry) {
    recordingHost().registeredModule = module;
    recordingHost().registeredScript = entry;
    record(sim::CallKind::ScriptRegister, word(module));
}

void scriptUnregister(ModuleHandle module) {
    if (recordingHost().registeredModule == module) recordingHost().registeredScript = nullptr;
    record(sim::CallKind::ScriptUnregister, word(module));
}

void scriptWait(std::uint32_t milliseconds) { record(sim::CallKind::ScriptWait, milliseconds); }

void keyboardHandlerRegister(KeyboardHandler handler) {
    recordingHost().keyboardHandlers.push_back(handler);
    record(sim::CallKind::KeyboardHandlerRegister, word(reinterpret_cast<const void*>(handler)));
}

void keyboardHandlerUnregister(KeyboardHandler handler) {
    auto& handlers = recordingHost().keyboardHandlers;
    handlers.erase(std::remove(handlers.begin(), handlers.end(), handler), handlers.end());
    record(sim::CallKind::KeyboardHandlerUnregister, word(reinterpret_cast<const void*>(handler)));
}

void nativeInit(std::uint64_t hash) { recordingHost().native.init(hash); }

void nativePush64(std::uint64_t value) { recordingHost().native.push(value); }

std::uint64_t* nativeCall() {
    RecordingHost& host = recordingHost();
    std::uint64_t* slot = host.native.call(host.world);
    if (slot == nullptr) throw std::runtime_error("unknown native hash " + std::to_string(host.native.hash()));
    host.log.addNative(host.native, *slot);
    return slot;
}

std::int32_t worldGetAllPeds(std::int32_t* peds, std::int32_t capacity) {
    const std::int32_t count = recordingHost().world.getAllPeds(peds, capacity);
    record(sim::CallKind::WorldGetAllPeds, static_cast<std::uint32_t>(capacity), static_cast<std::uint32_t>(count));
    return count;
}

}  // extern "C"
