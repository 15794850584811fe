#pragma once
// Whether, under Proton, the game loads the script loader DLL that sits in its folder rather
// than Wine's own DLL of that name. Wine takes a DLL's override from WINEDLLOVERRIDES, which
// a Steam user's launch options may set, before the prefix's registry (user.reg); each Steam
// user of the machine has launch options of their own, so each is judged apart.
//
// The caller reads the files; this only judges their bytes. The Windows doctor, run by Wine in
// the game's own prefix, gives the registry as Wine holds it and its own WINEDLLOVERRIDES instead.

#include <optional>
#include <string>
#include <vector>

#include "doctor/readers/wine_registry.h"

enum class OverrideOutcome {
    LoadsFirst,   // the folder's DLL loads first
    LeftToWine,   // Wine's own DLL loads: the loader, and every plugin, never run
    Unknown,      // a file that would tell could not be read
};

struct SteamUserConfig {
    std::string user;         // the user's id: the name of their folder under userdata
    std::string localconfig;  // their config/localconfig.vdf's bytes
};

struct ProtonOverrideInput {
    std::string loaderDll = "dinput8";  // the loader DLL in the game's folder
    std::string program = "RDR2.exe";   // the game's executable, for the registry's AppDefaults
    std::string appId;                  // the game's Steam app id
    std::vector<SteamUserConfig> users;
    std::optional<std::string> userReg;  // the prefix's user.reg; absent when there is no prefix yet
    // Inside the game's prefix: its registry's overrides as read from Wine (taken instead of
    // userReg), and the WINEDLLOVERRIDES the doctor runs with there, which a game started the
    // same way gets too and which goes before the registry.
    std::optional<WineDllOverrides> registry;
    std::optional<std::string> environment;
};

struct UserOverride {
    std::string user;
    OverrideOutcome outcome = OverrideOutcome::Unknown;
    bool byLaunchOptions = false;  // the options' WINEDLLOVERRIDES decided, not the prefix
    std::string options;           // the options as they are ("" when none are set)
    std::string suggestedOptions;  // for LeftToWine: the options to paste instead
    std::string note;              // for Unknown: why
};

struct ProtonOverrideVerdict {
    // LoadsFirst when every user's does, LeftToWine when any user's doesn't, else Unknown.
    OverrideOutcome outcome = OverrideOutcome::Unknown;
    // Where the launch options don't name the DLL: the environment's say, else the registry's.
    OverrideOutcome prefix = OverrideOutcome::Unknown;
    bool byEnvironment = false;                         // the input's environment said it
    std::vector<UserOverride> users;                    // in the input's order
    std::vector<std::string> notes;                     // each file that could not be read, and why

    // The users whose options leave the DLL to Wine.
    std::vector<std::string> usersLeftToWine() const;
};

ProtonOverrideVerdict judgeProtonOverride(const ProtonOverrideInput& input);
