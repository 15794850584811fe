#pragma once
// Check 8, where the game runs under Wine (Proton): whether Wine gives the game the folder's ASI loader or its own DLL of
// that name. Made for a game folder that lies in a Steam library (<library>/steamapps/common/
// <folder>), from the Steam users' launch options and the game's Wine prefix in that library;
// the doctor never writes either. The Linux doctor reads the prefix's user.reg; the Windows
// doctor under Wine reads it through Wine's Z: drive, unless Wine runs the doctor in that very
// prefix: then it asks the registry (user.reg is written only when Wine's session ends) and
// counts the WINEDLLOVERRIDES it runs with.

#include <filesystem>
#include <optional>
#include <string>

#include "doctor/folder/folder_finding.h"

// The Steam library `gameFolder` lies in; none when it lies in none.
std::optional<std::filesystem::path> steamLibraryOf(const std::filesystem::path& gameFolder);

// The finding for `loaderDll` ("dinput8.dll") in `gameFolder`, from the launch options of the
// users of each Steam folder found (the library itself, when it is Steam's own, and those under
// the player's Linux home); none when the folder lies in no Steam library.
std::optional<FolderFinding> protonFinding(const std::filesystem::path& gameFolder, const std::string& loaderDll);
