#pragma once
// Check 6: what the logs of a game folder say of the plugin at the last start, and a script
// hook's log that ends in a FATAL line. A loader's log older than the newest one or than the
// plugin's file tells of an earlier start, and the hook's log one older than the hook or the
// game: a note at most.

#include <filesystem>
#include <string>
#include <vector>

#include "doctor/folder/folder_finding.h"

// The findings of the logs among `names`, the entries of `folder`.
std::vector<FolderFinding> logFindings(const std::filesystem::path& folder, const std::vector<std::string>& names);
