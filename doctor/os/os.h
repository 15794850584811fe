#pragma once
// The few calls with which the doctor asks the system. One header, one file per platform
// (os_windows.cpp, os_posix.cpp); the Windows doctor asks Windows, the native one answers what it
// can and says, never guessing, what it can't. Everything else the doctor does is portable.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// ---- The console. A player who double-clicks veltrane-doctor.exe gets a console window of its
// own, which would close with the report unread.

// True when no other process shares the console: started from Explorer, not from a prompt (on
// Linux: run in the terminal reopenInTerminal opened).
bool ownsConsoleAlone();
// Waits for Enter.
void waitForEnter();
// On Linux, opened from a file manager (no terminal at all, a desktop there): runs the doctor
// again with the same arguments in the first terminal program found on PATH and returns true
// once it closes; false when started from a terminal or none is found. Windows: always false.
bool reopenInTerminal(int argc, char** argv);
// Makes std::cout and std::cerr, when they are a console's, show the doctor's UTF-8 (paths in any
// letters) as such, and std::cin read what is typed there in any letters, as UTF-8.
void prepareConsole();

// ---- Paths and folders. The file a player names is reached the way the plugin reaches its own:
// from the file's folder, by its relative name, through the ANSI profile functions. So any path
// Windows or Wine can open works, in whatever letters its folders are named.

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

// The folder the doctor's own file lies in (UTF-8).
std::string programFolder();

// The doctor as a player types it at a prompt, to begin the commands it suggests. Windows' cmd
// runs it from the current folder by its name; a POSIX shell only by a path: "./veltrane-doctor"
// where the doctor was started in its own folder (as a double-click starts it), else its full path.
std::string doctorAsTyped();

// ---- A game folder's files, as only the system can tell.

// Whether Windows' loader finds each of `names` in the DLL at `dll`. The DLL is mapped without
// running it and without loading what it imports (on Linux its export table is read from its bytes).
struct ExportLookup {
    bool made = false;  // false: this platform can't ask (whyNot says so)
    std::string whyNot;
    std::string loadError;  // the loader refused the file: why, in words
    std::vector<std::string> missing;
};
ExportLookup lookUpExports(const std::filesystem::path& dll, const std::vector<std::string>& names);

// Whether every letter of `path` (UTF-8) has a place in the system's ANSI code page; none when
// this platform has no such code page. `codePage` gets its number where there is one.
std::optional<bool> fitsAnsiCodePage(const std::string& path, unsigned& codePage);

// Makes and at once removes a file of a name of its own in `folder`; false, with the reason in
// `why`, when that can't be done. No other file is touched.
bool folderTakesNewFiles(const std::filesystem::path& folder, std::string& why);

// The time a file was last written, "2026-12-08 06:30" in local time; empty when unknown.
std::string fileDate(const std::filesystem::path& file);

// When the file came to be as it is: the later of its creation and last write times (a file
// unpacked from a zip keeps the archive's old write time, but is created then); none when unknown.
std::optional<std::filesystem::file_time_type> fileMadeTime(const std::filesystem::path& file);

// The file version the system reads from an executable's version resource ("1.0.1491.50"; empty
// when it has none); none when this platform has no such reader (the file's bytes then tell).
std::optional<std::string> fileVersionOf(const std::filesystem::path& file);

// ---- The running programs.

// One running program that has the plugin or the script hook loaded, or is the game itself.
struct RunningProgram {
    std::uint32_t processId = 0;
    std::string fileName;       // "RDR2.exe"
    std::string pluginPath;     // Veltrane.asi's full path (UTF-8) when loaded, else empty
    std::string hookPath;       // ScriptHookRDR2.dll's, likewise
    bool modulesListed = true;  // false: the game's modules could not be listed (no permission)
    // Its current folder (UTF-8), where the plugin reads Veltrane.ini; empty when it can't be read
    // reliably (no permission, a 32-bit program, a damaged block, always on Linux), never a guess.
    std::string currentFolder;
};
struct RunningPrograms {
    bool made = false;  // false: this platform can't look (whyNot says so)
    std::string whyNot;
    std::vector<RunningProgram> programs;
    std::size_t closed = 0;  // programs whose modules could not be listed (no permission)

    // Keeps `program` when it is the game or has either module loaded; one whose modules could
    // not be listed is counted as closed.
    void take(const RunningProgram& program, bool isGame) {
        if (!program.modulesListed) ++closed;
        if (isGame || !program.pluginPath.empty() || !program.hookPath.empty()) programs.push_back(program);
    }
};
// `gameFile` is the game's own executable ("RDR2.exe"): listed even with neither module loaded.
RunningPrograms runningPrograms(const std::string& pluginFile, const std::string& hookFile,
                                const std::string& gameFile);

// ---- The system itself, and what it records.

// Whether two names that differ only in letter case name one file (Windows) or two (Linux).
bool fileNamesIgnoreCase();

// Whether this doctor checks Wine's choice of the game folder's loader (Proton's override): the
// Linux doctor, and the Windows doctor under Wine or Proton; not on Windows itself.
bool checksProtonOverride();

// ---- Linux seen from the doctor, for that check: natively as it is, from the Windows doctor
// under Wine through the drive Wine maps "/" to (Z:). None on Windows itself.

// A Linux path ("/home/deck/...") as the doctor opens it.
std::optional<std::filesystem::path> linuxPath(const std::string& path);
// The player's Linux home folder: $HOME, or under Wine the home Wine runs for.
std::optional<std::filesystem::path> linuxHome();
// The Wine prefix whose registry the doctor reads through the system: under Wine the one Wine
// runs in (else STEAM_COMPAT_DATA_PATH's pfx, which Proton runs in); natively none.
std::optional<std::filesystem::path> ownWinePrefix();
// A text value of the current user's registry (`key` under HKEY_CURRENT_USER); none when it
// holds none, and natively.
std::optional<std::string> userRegistryText(const std::string& key, const std::string& value);
// An environment variable's value (UTF-8); none when it is not set.
std::optional<std::string> environmentVariable(const char* name);

// Wine's version ("9.0") when the doctor runs under Wine or Proton, where the profile functions
// read some settings files otherwise than Windows; empty on Windows and in native builds.
std::string wineVersion();

// Whether the game runs on Wine here, and so reads its settings file through Wine's profile
// functions: under Wine or Proton, and on Linux (the game only runs there through Proton).
bool gameRunsOnWine();

// Where the game's launchers record their installs: the Rockstar Games Launcher and Steam in
// the registry, the Epic Games Launcher in a folder of manifests. Only these places are read
// here; game_finder.h follows them to the game.
struct LauncherRecords {
    bool made = false;  // false: this platform keeps no such records (whyNot says so)
    std::string whyNot;
    // The Rockstar Games Launcher's values (InstallFolder, InstallFolderSteam, ...) and folders.
    std::vector<std::pair<std::string, std::string>> rockstar;
    std::string steamFolder;    // Steam's own folder; empty when unrecorded
    std::string home;           // on Linux, the player's home folder, under which Steam keeps itself
    std::string epicManifests;  // the folder of the Epic launcher's *.item files
};
LauncherRecords readLauncherRecords();
