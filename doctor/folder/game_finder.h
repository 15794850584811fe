#pragma once
// Finding the game: every folder holding RDR2.exe that a launcher's records lead to. A player
// may have two installs; all are listed, none picked in silence.

#include <string>
#include <vector>

#include "doctor/os/os.h"

struct FoundGame {
    std::string folder;     // the full path (UTF-8)
    std::string launchers;  // whose records name it: "Steam", "Rockstar Games Launcher, Epic Games Launcher"
};

struct FoundGames {
    std::vector<FoundGame> games;
    // Records that lead nowhere or can't be read (a damaged libraryfolders.vdf, a manifest
    // naming a folder without RDR2.exe): worth a word, never a failure.
    std::vector<std::string> notes;
};

FoundGames findGameFolders(const LauncherRecords& records);
