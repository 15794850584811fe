#pragma once
// What only the platform can tell about a game folder and the programs running: whether a DLL
// has the functions another file imports from it (asked of Windows' own loader, without
// running the DLL), whether a path fits the ANSI code page, whether a folder can be written,
// and which running programs have the plugin loaded. The Windows doctor asks Windows; the
// native one answers what it can and says, never guessing, what it can't.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

// Whether Windows' loader finds each of `names` in the DLL at `dll`. The DLL is mapped without
// running it and without loading what it imports.
struct ExportLookup {
    bool made = false;          // false: this platform can't ask (whyNot says so)
    std::string whyNot;
    std::string loadError;      // the loader refused the file: why, in words
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

// The file version an executable's version resource gives ("1.0.1491.50"); empty when none.
std::string fileVersionOf(const std::filesystem::path& file);

// The folder the doctor's own file lies in (UTF-8).
std::string programFolder();

// One running program that has the plugin or the script hook loaded, or is the game itself.
struct RunningProgram {
    std::uint32_t processId = 0;
    std::string fileName;       // "RDR2.exe"
    std::string pluginPath;     // Veltrane.asi's full path (UTF-8) when loaded, else empty
    std::string hookPath;       // ScriptHookRDR2.dll's, likewise
    bool modulesListed = true;  // false: the game's modules could not be listed (no permission)
    // Its current folder (UTF-8), where the plugin reads Veltrane.ini; empty when it can't be read
    // reliably (no permission, a 32-bit program, a damaged block), never a guess.
    std::string currentFolder;
};
struct RunningPrograms {
    bool made = false;  // false: this platform can't look (whyNot says so)
    std::string whyNot;
    std::vector<RunningProgram> programs;
    std::size_t closed = 0;  // programs whose modules could not be listed (no permission)
};
// `gameFile` is the game's own executable ("RDR2.exe"): listed even with neither module loaded.
RunningPrograms runningPrograms(const std::string& pluginFile, const std::string& hookFile,
                                const std::string& gameFile);
