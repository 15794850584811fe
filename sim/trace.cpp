#include "sim/trace.h"

#include <cstdio>
#include <nlohmann/json.hpp>

#include "host/natives.h"
#include "platform/float_bits.h"
#include "sim/world.h"

namespace sim {

namespace {

// Keys in the order written, so a line reads frame, type, call, ...
using json = nlohmann::ordered_json;

std::string hex(std::uint64_t value, int digits) {
    char buffer[24];
    std::snprintf(buffer, sizeof buffer, "0x%0*llX", digits, static_cast<unsigned long long>(value));
    return buffer;
}

std::int32_t asInt(std::uint64_t word) { return static_cast<std::int32_t>(static_cast<std::uint32_t>(word)); }

json asFloat(std::uint64_t word) {
    const float value = floatFromBits(static_cast<std::uint32_t>(word));
    if (value != value) return "NaN";  // JSON has no NaN
    return value;
}

}  // namespace

std::string traceCall(const HostCall& call) {
    json line = {{"frame", call.frame}, {"type", "call"}, {"call", callKindName(call.kind)}};
    if (call.kind == CallKind::Native) {
        const std::string name = nativeName(call.hash);
        line["name"] = name.empty() ? "unknown" : name;
        line["hash"] = hex(call.hash, 16);
    }
    json args = json::array();
    for (std::size_t i = 0; i < call.argc; ++i) args.push_back(call.args[i]);
    line["args"] = args;
    line["result"] = call.result;
    const NativeRow* row = call.kind == CallKind::Native ? findNativeRow(call.hash) : nullptr;
    if (row != nullptr && row->takesPed && call.argc > 0) {
        line["ped"] = asInt(call.args[0]);
        using V = NativeRow::Value;
        const bool argument = call.argc > 1;
        switch (row->value) {
            case V::None: break;
            case V::ArgumentInt: if (argument) line["value"] = asInt(call.args[1]); break;
            case V::ArgumentFloat: if (argument) line["value"] = asFloat(call.args[1]); break;
            case V::ResultInt: line["value"] = asInt(call.result); break;
            case V::ResultFloat: line["value"] = asFloat(call.result); break;
        }
    }
    return line.dump();
}

std::string traceEvent(std::uint32_t frame, const std::string& what) {
    return json{{"frame", frame}, {"type", "event"}, {"what", what}}.dump();
}

std::string traceLoaderLoads(const std::string& plugin) {
    return json{{"frame", 0}, {"type", "loader"}, {"plugin", plugin}}.dump();
}

std::string traceKeystrokes(std::uint32_t frame, std::uint32_t firstCode, std::uint32_t lastCode,
                            const PluginMemoryChange& change) {
    return json{{"frame", frame},
                {"type", "keystrokes"},
                {"codes", {firstCode, lastCode}},
                {"pluginBytesChanged", change.bytes},
                {"changedSpan", change.span}}
        .dump();
}

std::string traceFrame(const FrameRecord& frame) {
    return json{{"frame", frame.frame},
                {"type", "frame"},
                {"weather", hex(frame.weather, 8)},
                {"peds", frame.pedsInWorld},
                {"natives", frame.tally.nativeCalls},
                {"changed", frame.tally.pedsChanged},
                {"ini", frame.iniExistsAfter},
                {"iniDuringFrame", frame.iniDuringFrame == IniDuringFrame::Unchanged ? "unchanged"
                                   : frame.iniDuringFrame == IniDuringFrame::Created ? "created"
                                                                                      : "changed"}}
        .dump();
}

}  // namespace sim
