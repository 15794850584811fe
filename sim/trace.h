#pragma once
// The --trace file: one JSON object per line, in the order things happened.
//   {"frame":3,"type":"event","what":"set WeatherType_Rain.DamageMod_Rain = 0.5"}
//   {"frame":3,"type":"call","call":"native","name":"PedDamageModWrite","hash":"0xD77AE48611B7B10A",
//    "args":[257,1056964608],"result":0,"ped":257,"value":0.5}
//   {"frame":3,"type":"frame","weather":"0x54A69840","peds":300,"natives":812,"changed":270,"ini":true,
//    "iniDuringFrame":"unchanged"}
// Host calls carry "call" (scriptRegister, keyboardMessage, ...), their argument words and result;
// natives add "name" and "hash", and the ped handle and the value read or written, decoded.

#include <cstdint>
#include <string>

#include "sim/host_calls.h"
#include "sim/report.h"

namespace sim {

std::string traceCall(const HostCall& call);
std::string traceEvent(std::uint32_t frame, const std::string& what);
// {"frame":0,"type":"loader","plugin":"Veltrane.asi"}: the ASI loader loads this plugin at the
// start; the calls its DllMain makes follow.
std::string traceLoaderLoads(const std::string& plugin);
std::string traceFrame(const FrameRecord& frame);

// What keystroke messages did to the plugin's writable memory (its .data and .bss).
struct PluginMemoryChange {
    std::uint64_t bytes = 0;  // bytes that differ afterwards
    std::string span;         // hex of the bytes from the first to the last changed one (at most 64)
};
// {"frame":1,"type":"keystrokes","codes":[255,65535],"pluginBytesChanged":0,"changedSpan":""}
std::string traceKeystrokes(std::uint32_t frame, std::uint32_t firstCode, std::uint32_t lastCode,
                            const PluginMemoryChange& change);

}  // namespace sim
