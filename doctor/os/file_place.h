#pragma once
// Reaching the file a player names the way the plugin reaches its own: from the file's
// folder, by its relative name, through the ANSI profile functions. So any path Windows or
// Wine can open works, in whatever letters its folders are named.

#include <optional>
#include <string>
#include <vector>

// The command line, each argument as UTF-8 (on Windows taken as Unicode, not in the ANSI
// code page, which can't hold every folder's name).
std::vector<std::string> commandLineArguments(int argc, char** argv);

// Whether `c` separates a path's folders ("\" too on Windows, and ":" after a drive).
bool isPathSeparator(char c);

// The current folder for a while: enter() changes into another, and the first one is current
// again when this ends.
class FolderVisit {
public:
    FolderVisit();
    ~FolderVisit();
    FolderVisit(const FolderVisit&) = delete;
    FolderVisit& operator=(const FolderVisit&) = delete;

    // `folder` in UTF-8; false when it can't be entered (there is none, access denied).
    bool enter(const std::string& folder);

private:
    std::string saved;  // opaque: the platform's own form of the first folder
};

// The current folder's full path, and the names of its entries, in UTF-8.
std::string currentFolder();
std::vector<std::string> currentFolderEntries();

// The file name as the ANSI profile functions take it; none when the ANSI code page can't
// spell it.
std::optional<std::string> profileFileName(const std::string& utf8Name);
