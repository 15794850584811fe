#pragma once
// Check 8, where the game runs under Wine (Proton): whether Wine gives the game the folder's ASI
// loader or its own DLL of that name. Made for a game folder that lies in a Steam library
// (<library>/steamapps/common/<folder>), from the Steam users' launch options and the game's
// Wine prefix in that library; the doctor never writes either.

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "doctor/folder/folder_finding.h"

// The Steam library `gameFolder` lies in; none when it lies in none.
std::optional<std::filesystem::path> steamLibraryOf(const std::filesystem::path& gameFolder);

// The finding for `loaderDll` ("dinput8.dll") in `gameFolder`, with the Steam folders whose
// users' launch options count; none when the folder lies in no Steam library.
std::optional<FolderFinding> protonFinding(const std::filesystem::path& gameFolder,
                                           const std::vector<std::filesystem::path>& steamFolders,
                                           const std::string& loaderDll);
