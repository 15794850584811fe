// An event in a line of the report and the trace: "set WeatherType_Rain.DamageMod_Rain = 0.5".
#include <algorithm>
#include <cstdio>
#include <initializer_list>
#include <string_view>

#include "settings/weather_hash.h"
#include "sim/scenario.h"
#include "sim/shown_text.h"

namespace sim {

std::string describe(const ScenarioEvent& event) {
    char buffer[64];
    switch (event.kind) {
        case EventKind::Weather:
            return "weather " + event.weatherName + " (" + hashText(event.weatherHash) + ")";
        case EventKind::Spawn: {
            std::string what = std::to_string(event.peds.count) + (event.peds.count == 1 ? " ped spawns" : " peds spawn");
            if (event.peds.exemptShare > 0) {
                std::snprintf(buffer, sizeof buffer, " (%.0f%% exempt)", event.peds.exemptShare * 100.0);
                what += buffer;
            }
            return what;
        }
        case EventKind::Despawn:
            return std::to_string(event.count) + (event.count == 1 ? " oldest ped despawns" : " oldest peds despawn");
        case EventKind::SetKey: return "set " + event.section + "." + event.key + " = " + shownText(event.text);
        case EventKind::DeleteKey: return "delete key " + event.section + "." + event.key;
        case EventKind::DeleteFile: return "delete Veltrane.ini";
        case EventKind::MakeDirectory: return "a directory named Veltrane.ini takes the file's place";
        case EventKind::WriteFile: {
            std::string shown = shownText(std::string_view(event.text).substr(0, 24));
            if (shown.front() != '"') shown = '"' + shown + '"';
            return "overwrite Veltrane.ini with " + std::to_string(event.text.size()) + " bytes: " + shown +
                   (event.text.size() > 24 ? " ..." : "");
        }
        case EventKind::Keystroke: {
            std::string codes;
            std::snprintf(buffer, sizeof buffer, "key 0x%02X", static_cast<unsigned>(event.keyCode));
            codes = buffer;
            if (event.lastKeyCode != event.keyCode) {
                std::snprintf(buffer, sizeof buffer, "keys 0x%02X-0x%02X", static_cast<unsigned>(event.keyCode),
                              static_cast<unsigned>(event.lastKeyCode));
                codes = buffer;
            }
            std::string what = codes + (event.flags.keyUp ? " up" : " down") + (event.flags.altHeld ? " with ALT" : "");
            const auto& f = event.flags;
            const bool odd = [](std::initializer_list<std::int32_t> v) {
                return std::any_of(v.begin(), v.end(), [](std::int32_t x) { return x != 0 && x != 1; });
            }({f.extended, f.altHeld, f.previouslyDown, f.keyUp});
            if (odd) {
                what += " (flags as passed: extended " + std::to_string(f.extended) + ", alt " + std::to_string(f.altHeld) +
                        ", previously down " + std::to_string(f.previouslyDown) + ", up " + std::to_string(f.keyUp) + ")";
            }
            return what;
        }
        case EventKind::Fault:
            if (event.exemptAnswer) return "fault on: the exempt test answers " + std::to_string(*event.exemptAnswer) + " for exempt peds";
            if (event.slotHighHalf) {
                std::snprintf(buffer, sizeof buffer, "0x%08X", static_cast<unsigned>(*event.slotHighHalf));
                return std::string("fault on: the game leaves ") + buffer + " above each 32-bit answer";
            }
            if (event.setsReportedCount) {
                return event.reportedCount ? "fault on: worldGetAllPeds reports " + std::to_string(*event.reportedCount)
                                           : "fault off: worldGetAllPeds reports what it wrote";
            }
            return event.count > 0 ? "fault on: " + std::to_string(event.count) + " peds' damage modifier reads NaN"
                                   : "fault off: no damage modifier reads NaN";
        case EventKind::Unload: return "unload " + event.text;
        case EventKind::Load: return "load " + event.text;
        case EventKind::ResetDamage:
            if (!event.resetDamage) return "the game stops resetting damage modifiers";
            std::snprintf(buffer, sizeof buffer, "%g", static_cast<double>(*event.resetDamage));
            return std::string("the game resets every ped's damage modifier to ") + buffer + " before each frame";
    }
    return "?";
}

}  // namespace sim
