#pragma once
// What the game folder's checks find, shared by each of them (game_folder_check.h, log_check.h,
// running_check.h): the checks' ids and names, a finding, and the files the checks look for.

#include <string>
#include <vector>

#include "settings/settings_file.h"

// The checks, numbered in the order a player goes through them; the game's absence and what runs
// now carry no number.
enum class FolderCheckId {
    Game, ScriptHook, Loader, Plugin, WriteAccess, SettingsFile, Log, FolderPath, Proton, Running
};

// The check's number as the player reads it (1 to 8); 0 for the two without one.
int checkNumber(FolderCheckId check);
// "Script hook", "ASI loader", ...
const char* checkName(FolderCheckId check);
// "1 Script hook", ..., and "Game" or "Running" without a number.
std::string checkLabel(FolderCheckId check);

enum class Verdict {
    Pass,
    Fail,     // something that keeps the plugin from loading or working, with the fix
    Note,     // worth knowing, not a fault
    NotMade,  // the check could not be made here: never a pass
};

struct FolderFinding {
    FolderCheckId check = FolderCheckId::Game;
    Verdict verdict = Verdict::Pass;
    std::string text;                  // what was found, and what it means
    std::string fix;                   // for a failure: what to do
    std::vector<std::string> quoted;   // lines quoted from a log
    bool counts = true;  // a failure that counts in the exit status (what runs now does not)
    // For one screen: the text and fix in a line or two (empty: as above); the rest with --details.
    std::string brief, briefFix;
    bool minor = false;  // nothing found that matters (no log, no game running): told with --details
};

// A finding of `check`: what was found, and for a failure what to do.
FolderFinding finding(FolderCheckId check, Verdict verdict, std::string text, std::string fix = {});

// `folder` (UTF-8, empty: the current one) as a full path, as the findings show it, for checking
// after the current folder changed.
std::string absoluteFolder(const std::string& folder);

// The file names the checks look for.
inline constexpr const char* kPluginFile = "Veltrane.asi";
inline constexpr const char* kHookFile = "ScriptHookRDR2.dll";
inline constexpr const char* kGameFile = "RDR2.exe";
// The settings file's: kSettingsFileBareName (settings/settings_file.h).
