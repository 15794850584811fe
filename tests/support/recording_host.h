#pragma once
// A script host for native tests: the nine host functions, backed by the simulated world,
// recording every call. Tests reach it through recordingHost() and reset it between cases.

#include <vector>

#include "host/script_host.h"
#include "sim/host_calls.h"
#include "sim/world.h"

struct RecordingHost {
    sim::World world;
    sim::CallLog log;
    sim::NativeCallAssembler native;
    ModuleHandle registeredModule = nullptr;
    ScriptEntry registeredScript = nullptr;
    std::vector<KeyboardHandler> keyboardHandlers;

    // Native calls only, as names: "PedExemptTest", ...
    std::vector<std::string> nativeNames() const;
    std::vector<sim::HostCall> natives() const;
};

RecordingHost& recordingHost();
// A fresh host and world, and the plugin's module-level records back to their load state.
void resetHostAndPlugin();
