#pragma once
// What the Steam client's own files say: the libraries it keeps games in (libraryfolders.vdf)
// and the folder of one game in a library (its appmanifest_<id>.acf).

#include <string>
#include <string_view>
#include <vector>

// The game's app id: a library holding steamapps/appmanifest_1174180.acf holds the game.
inline constexpr const char* kSteamAppId = "1174180";

struct SteamLibraries {
    std::vector<std::string> folders;  // as written ("D:\SteamLibrary"), in the file's order
    std::string refusal;               // empty when the file read
};

// libraryfolders.vdf's bytes: each library's "path", or, in older files, the numbered entries'
// paths themselves ("1" "D:\\SteamLibrary"). Any bytes in: never a crash, a hang or a read past
// the buffer.
SteamLibraries readSteamLibraries(std::string_view vdf);

struct SteamAppManifest {
    std::string installDir;  // the game's folder under steamapps/common
    std::string refusal;
};

// An appmanifest_*.acf's bytes: its "installdir", which must be one folder's name (no "..",
// no NUL, no separator but at its end, where they are left out). Any bytes in: never a crash, a hang or
// a read past the buffer.
SteamAppManifest readSteamAppManifest(std::string_view acf);
