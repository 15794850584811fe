#pragma once
// Is the plugin installed where the game loads it, and is it running? The checks of a game
// folder, in the order a player would go through them (script hook, ASI loader, plugin, write
// access, settings file, what the loader and the hook logged, the folder's path), then what the
// running programs have loaded. Plain data; printGameFolder prints it.

#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "doctor/folder/folder_finding.h"

struct GameFolderCheck {
    std::string folder;  // as shown: the full path
    // The folder holds the game, the script hook, a loader or a plugin; otherwise the checks
    // are left out (a settings file checked elsewhere is not a game folder).
    bool looksLikeGame = false;
    bool holdsGame = false;  // RDR2.exe is here
    std::vector<FolderFinding> findings;
    // The player's settings file under a name the plugin never reads ("Veltrane.ini.txt"), when
    // Veltrane.ini is missing: the doctor offers to rename it.
    std::string settingsNearName;
    std::size_t failures() const;
    // The checks that fail, by name: "Script hook, ASI loader".
    std::string failedChecks() const;
};

// Whether `folder` (UTF-8) holds RDR2.exe: what makes a folder the game folder.
bool holdsGameFile(const std::string& folder);

// Whether `folder` holds the game, the script hook or a plugin (*.asi): a folder the checks are for.
bool looksLikeGameFolder(const std::string& folder);

// What keeps a file of these bytes named `name` from being a DLL the game loads (no Windows DLL,
// 32-bit, a program, cut short); empty when nothing does.
std::string whyNotLoadable(const std::string& name, const std::string& bytes);

// Checks `folder` (UTF-8). With `given` (--game) it is checked whatever it holds.
// `doctorVersion` is compared with the installed plugin's.
GameFolderCheck checkGameFolder(const std::string& folder, bool given, const std::string& doctorVersion);

// Check 5 alone: whether the folder holds the settings file the plugin reads, and what to do
// when it does not; `names` are the folder's entries, where a near name of it (a
// "Veltrane.ini.txt" left by Notepad) is named with how to rename it. A folder that can't be
// written (`writable` false) is never offered a command that writes the file.
FolderFinding settingsFileCheck(const std::filesystem::path& folder, const std::vector<std::string>& names,
                                bool writable = true);

// The checks as lines: a heading, the fix under every failure, and what runs now; the folder
// checks that pass share one line, unless `details` gives each its own. `quiet` prints only
// the failures. Returns the number of lines printed.
std::size_t printGameFolder(std::ostream& out, const GameFolderCheck& check, bool quiet, bool details);
