#pragma once
// What the running programs have loaded, told after a game folder's checks but not counted: it
// changes with the game. A game whose plugin reads another folder's Veltrane.ini is a failure
// all the same: the player is editing the wrong file.

#include <filesystem>
#include <vector>

#include "doctor/folder/folder_finding.h"

std::vector<FolderFinding> runningFindings(const std::filesystem::path& folder);
