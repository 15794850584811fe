#include "doctor/folder/proton_override.h"

#include "doctor/readers/launch_options.h"
#include "doctor/readers/steam_launch_options.h"
#include "doctor/readers/wine_load_order.h"
#include "doctor/readers/wine_registry.h"

namespace {

OverrideOutcome outcomeOf(bool loadsFirst) { return loadsFirst ? OverrideOutcome::LoadsFirst : OverrideOutcome::LeftToWine; }

}  // namespace

std::vector<std::string> ProtonOverrideVerdict::usersLeftToWine() const {
    std::vector<std::string> names;
    for (const UserOverride& each : users) {
        if (each.outcome == OverrideOutcome::LeftToWine) names.push_back(each.user);
    }
    return names;
}

ProtonOverrideVerdict judgeProtonOverride(const ProtonOverrideInput& input) {
    ProtonOverrideVerdict verdict;
    const std::string dll = overrideDllName(input.loaderDll);

    // What the game gets where its launch options don't name the DLL: the environment's
    // WINEDLLOVERRIDES goes before the registry.
    std::string registryNote;
    const std::optional<std::string> environment =
        input.environment ? modeInOverrideList(*input.environment, dll) : std::nullopt;
    if (environment) {
        verdict.prefix = outcomeOf(overrideLoadsNativeFirst(environment));
        verdict.byEnvironment = true;
    } else if (input.registry) {
        verdict.prefix = outcomeOf(overrideLoadsNativeFirst(input.registry->inEffect));
    } else if (!input.userReg) {
        verdict.prefix = OverrideOutcome::LeftToWine;  // no prefix yet: Wine makes one without overrides
    } else {
        const WineDllOverrides registry = readWineDllOverrides(*input.userReg, dll, input.program);
        if (registry.refusal.empty()) {
            verdict.prefix = outcomeOf(overrideLoadsNativeFirst(registry.inEffect));
        } else {
            registryNote = "the prefix's user.reg: " + registry.refusal;
            verdict.notes.push_back(registryNote);
        }
    }

    for (const SteamUserConfig& config : input.users) {
        UserOverride user;
        user.user = config.user;
        const SteamLaunchOptions read = readSteamLaunchOptions(config.localconfig, input.appId);
        const LaunchOptionsVariable variable =
            read.refusal.empty() ? launchOptionsVariable(read.options.value_or(""), "WINEDLLOVERRIDES") : LaunchOptionsVariable{};
        user.options = read.options.value_or("");
        std::optional<std::string> mode;
        if (variable.value) mode = modeInOverrideList(*variable.value, dll);
        if (!read.refusal.empty()) {
            user.note = "user " + config.user + "'s localconfig.vdf: " + read.refusal;
        } else if (!variable.refusal.empty()) {
            user.note = "user " + config.user + "'s launch options: " + variable.refusal;
        } else if (mode) {
            user.outcome = outcomeOf(overrideLoadsNativeFirst(mode));
            user.byLaunchOptions = true;
        } else if (verdict.prefix == OverrideOutcome::Unknown) {
            user.note = registryNote;
        } else {
            user.outcome = verdict.prefix;
        }
        if (!user.note.empty() && user.note != registryNote) verdict.notes.push_back(user.note);
        if (user.outcome == OverrideOutcome::LeftToWine)
            user.suggestedOptions = launchOptionsLoadingNativeFirst(user.options, dll).options;
        verdict.users.push_back(std::move(user));
    }

    if (input.users.empty()) {
        verdict.outcome = verdict.prefix;
        return verdict;
    }
    bool allLoad = true;
    for (const UserOverride& user : verdict.users) {
        if (user.outcome == OverrideOutcome::LeftToWine) {
            verdict.outcome = OverrideOutcome::LeftToWine;
            return verdict;
        }
        allLoad = allLoad && user.outcome == OverrideOutcome::LoadsFirst;
    }
    verdict.outcome = allLoad ? OverrideOutcome::LoadsFirst : OverrideOutcome::Unknown;
    return verdict;
}
