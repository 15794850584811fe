#pragma once
// --fix: the file's bytes with the warnings' "write instead" lines in place of the faulty
// ones, missing keys at the end of their section and missing sections at the end of the file.
// Every other byte stays: comments, order, blank lines, line endings and encoding.

#include <string>
#include <string_view>
#include <vector>

#include "doctor/settings/settings_check.h"

struct FixedFile {
    std::string bytes;
    std::vector<std::string> changes;  // what was done, one line each, for the player
    std::vector<Warning> applied;      // the warnings whose lines were written
    std::string refusal;               // why nothing can be done; then `bytes` is empty
};

// `original` is the file `check` was made of.
FixedFile fixSettings(std::string_view original, const SettingsCheck& check);
