#pragma once
// The plugin's work, run once per frame while "Enabled" is on: query the weather, load its
// accuracy and damage modifier into tuningState, and bring every ped the game does not exempt
// towards them, reading first, writing only what differs, at most one value per ped per pass.

#include <array>
#include <cstdint>

#include "settings/ini_reader.h"
#include "settings/settings_file.h"
#include "tuning/accuracy_rules.h"
#include "tuning/tuning_state.h"

inline constexpr std::int32_t kPedCapacity = 1024;

// Filled by worldGetAllPeds on every pass; its contents mean nothing between passes.
extern std::array<std::int32_t, kPedCapacity> pedBuffer;

// Reads "Enabled" into tuningState (off when missing); true while it is on. Inline, so that
// the frame reads it as it always has, in its own stack frame.
inline bool readSwitch(const IniReader& reader) {
    tuningState.enabled = reader.readBool(kSettingsSection, kEnabledKey, false) ? 1 : 0;
    return tuningState.enabled != 0;
}

void runTuningPass(const IniReader& reader);
