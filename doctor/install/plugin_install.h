#pragma once
// Putting the package's Veltrane.asi into a game folder, and taking it out again. Either the
// whole step is made or the folder is left as it was: a plugin of other bytes already there is
// kept as a numbered backup, never overwritten; the player's Veltrane.ini is never touched.

#include <string>
#include <vector>

struct FolderChange {
    bool changed = false;              // whether anything in the folder was written or removed
    std::string refusal;               // why nothing was done, and what to do; empty when it was
    std::vector<std::string> written;  // each file written or removed, with what it is
    std::vector<std::string> told;     // what else the player should know
    bool otherLeft = false;            // --uninstall found another plugin under the name, and left it
};

// Copies `packagePlugin` into `gameFolder` (UTF-8 paths), after checking that the folder holds
// RDR2.exe and the file is a whole 64-bit DLL of `version`; writes the default Veltrane.ini
// where none is.
FolderChange installPlugin(const std::string& packagePlugin, const std::string& gameFolder, const std::string& version);

// Removes the folder's Veltrane.asi when it is byte for byte `packagePlugin`, or, with no other
// file there (the doctor run from the game folder), when it is of `version`; another is left.
// The earlier plugins an install kept (Veltrane.asi.bak, ...) are left and named.
FolderChange uninstallPlugin(const std::string& packagePlugin, const std::string& gameFolder,
                             const std::string& version);
