#pragma once
// Where the game's launchers record their installs: the Rockstar Games Launcher and Steam in
// the registry, the Epic Games Launcher in a folder of manifests. Only these places are read
// here; game_finder.h follows them to the game.

#include <string>
#include <utility>
#include <vector>

struct LauncherRecords {
    bool made = false;  // false: this platform keeps no such records (whyNot says so)
    std::string whyNot;
    // The Rockstar Games Launcher's values (InstallFolder, InstallFolderSteam, ...) and folders.
    std::vector<std::pair<std::string, std::string>> rockstar;
    std::string steamFolder;    // Steam's own folder; empty when unrecorded
    std::string epicManifests;  // the folder of the Epic launcher's *.item files
};

LauncherRecords readLauncherRecords();
