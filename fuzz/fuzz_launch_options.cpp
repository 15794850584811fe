// A Steam user's launch options for the game, as the doctor reads them from a player's disk:
// the bytes as the options themselves and as the user's localconfig.vdf. Options that read
// give a line to paste that reads too, loads the loader from the game's folder, pastes to
// itself a second time, and keeps every other variable and every other DLL's override.

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "doctor/readers/launch_options.h"
#include "doctor/readers/steam_launch_options.h"
#include "doctor/readers/wine_load_order.h"
#include "fuzz/fuzz_support.h"

namespace {

constexpr std::string_view kOverrides = "WINEDLLOVERRIDES";
constexpr const char* kOthers[] = {"A", "DXVK_HUD", "PROTON_LOG"};

void checkOptions(std::string_view options, const char* dll) {
    const LaunchOptionsVariable before = launchOptionsVariable(options, kOverrides);
    if (!before.refusal.empty()) FUZZ_CHECK(!before.value, "refused (%s) yet gave a value", before.refusal.c_str());

    const LaunchOptionsLine made = launchOptionsLoadingNativeFirst(options, dll);
    FUZZ_CHECK(made.refusal.empty() == before.refusal.empty(), "the line and the reading disagree on whether the options read");
    if (!made.refusal.empty()) {
        FUZZ_CHECK(made.options.empty(), "a refused line was made");
        return;
    }
    const std::string name = overrideDllName(dll);
    const LaunchOptionsVariable after = launchOptionsVariable(made.options, kOverrides);
    FUZZ_CHECK(after.refusal.empty(), "the line made does not read: %s", after.refusal.c_str());
    FUZZ_CHECK(after.value && overrideLoadsNativeFirst(modeInOverrideList(*after.value, name)),
               "the line made does not load %s first: [%s]", name.c_str(), made.options.c_str());
    FUZZ_CHECK(launchOptionsLoadingNativeFirst(made.options, dll).options == made.options, "pasting twice changed the line: [%s]",
               made.options.c_str());
    if (overrideLoadsNativeFirst(before.value ? modeInOverrideList(*before.value, name) : std::nullopt))
        FUZZ_CHECK(made.options == options, "options that load the DLL first were changed");
    for (const char* other : kOthers) {
        FUZZ_CHECK(launchOptionsVariable(options, other).value == launchOptionsVariable(made.options, other).value,
                   "%s changed by the line [%s]", other, made.options.c_str());
    }
    if (before.value) {
        const std::vector<std::string_view> now = splitAt(*after.value, ';');
        for (const std::string_view entry : splitAt(*before.value, ';')) {
            if (entry.empty() || modeInOverrideList(entry, name)) continue;
            FUZZ_CHECK(std::find(now.begin(), now.end(), entry) != now.end(),
                       "the entry [%s] was lost by the line [%s]", std::string(entry).c_str(), made.options.c_str());
        }
    }
}

}  // namespace

void checkInput(std::string_view bytes) {
    checkOptions(bytes, "dinput8");
    checkOptions(bytes, "Version.dll");

    const SteamLaunchOptions read = readSteamLaunchOptions(bytes, "1174180");
    if (!read.refusal.empty()) FUZZ_CHECK(!read.options, "refused (%s) yet gave options", read.refusal.c_str());
    if (read.options) checkOptions(*read.options, "dinput8");
}
