#pragma once
// Where Steam keeps itself on Linux and the Steam Deck, under the player's home folder: the
// native client's ~/.local/share/Steam (~/.steam/steam is usually a link to it) and the
// Flatpak's ~/.var/app/com.valvesoftware.Steam/.local/share/Steam. Folder names on Linux differ
// by their letters' case, so two folders are the same only when their real paths are equal.

#include <filesystem>
#include <vector>

// Each Steam folder found under `home`, links followed, once each, in the order above.
std::vector<std::filesystem::path> linuxSteamFolders(const std::filesystem::path& home);

// Adds `folder` unless `folders` holds it already, under this name or another (a link; under
// Wine, whose drive shows no links, the same folder is told by the file system's own identity).
void addFolderOnce(std::vector<std::filesystem::path>& folders, const std::filesystem::path& folder);

// `folder` with its links followed, to tell two names of one folder apart from two folders;
// as given when it can't be followed.
std::filesystem::path realFolder(const std::filesystem::path& folder);
