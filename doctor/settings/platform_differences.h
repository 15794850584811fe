#pragma once
// The lines of a settings file that Windows reads otherwise than Wine and Proton: a UTF-8 mark
// before the first header, headers with no "]" or more than one, UTF-16 big-endian. The plugin
// runs on both, so each is a warning.

#include <vector>

#include "doctor/settings/name_spelling.h"
#include "doctor/settings/settings_check.h"

inline constexpr const char* kSaveAsAnsi = "save the file as ANSI or as UTF-8 without a byte-order mark";

// Adds a warning for each line `names` holds that Windows and Wine read apart, told as `shown`,
// the system the game runs on, reads it, the other beside.
void checkPlatformDifferences(profile_text::Encoding encoding, const std::vector<NameLine>& names,
                              profile_text::Reader shown, std::vector<Warning>& warnings);
