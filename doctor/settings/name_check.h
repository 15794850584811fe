#pragma once
// The checks of a settings file's names: misspelt and near-miss sections and keys, keys under
// another section, a section the plugin never reads, two lines written as one, second sections
// and keys of a name, and headers Windows and Wine read apart. Each warning that renames,
// moves or splits a line carries the plugin's keys it stands for (`supplies`), so that no
// default is added beside a value of the player's.

#include <cstddef>
#include <string>
#include <vector>

#include "doctor/settings/name_spelling.h"
#include "doctor/settings/settings_check.h"

inline constexpr const char* kSaveAsAnsi = "save the file as ANSI or as UTF-8 without a byte-order mark";

// Adds the names' warnings to `warnings` (which may hold the values' already); a line that
// holds two lines in one is then told by that warning alone.
void checkNames(const std::vector<NameLine>& names, std::vector<Warning>& warnings);

// Lines Windows reads otherwise than Wine: a UTF-8 mark before the first header, headers with
// no "]" or more than one, UTF-16 big-endian; told as `shown`, the system the game runs on,
// reads them, the other beside.
void checkPlatformDifferences(profile_text::Encoding encoding, const std::vector<NameLine>& names,
                              profile_text::Reader shown, std::vector<Warning>& warnings);

// The line of the key's first occurrence in its section's first occurrence, as the profile
// functions find it; 0 when there is none.
std::size_t lineOf(const std::vector<NameLine>& names, const std::string& section, const std::string& key);

// The file holds at least one of the plugin's section or key names, or one that can only mean
// one of them (`warnings` made by checkNames).
bool namesThePlugin(const std::vector<NameLine>& names, const std::vector<Warning>& warnings);
