#pragma once
// The doctor's reading of one of the plugin's keys, found by name in its check of a file.

#include <stdexcept>
#include <string>

#include "doctor/settings/settings_check.h"

inline const SettingsEntry& entryFor(const SettingsCheck& check, const std::string& key) {
    for (const SettingsEntry& entry : check.entries)
        if (entry.key == key) return entry;
    throw std::runtime_error("the doctor has no entry " + key);
}
