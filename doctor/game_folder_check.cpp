#include "doctor/game_folder_check.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <optional>
#include <sstream>

#include "doctor/game_probe.h"
#include "doctor/hook_log.h"
#include "doctor/image_whole.h"
#include "doctor/log_mentions.h"
#include "doctor/near_names.h"
#include "doctor/report.h"
#include "pe/pe_image.h"

namespace fs = std::filesystem;

namespace {

// The host's functions as the plugin imports them (made from host/ScriptHookRDR2.def): asked
// of the script hook when no readable Veltrane.asi says which it imports.
const std::vector<std::string> kHostFunctions = {
#include "host_functions.inc"
};

// The game loads DLLs of these system names from its own folder before the system's: that is
// how an ASI loader gets into the game, under one of them.
const std::vector<std::string> kLoaderNames = {"dinput8.dll", "version.dll", "winmm.dll", "dsound.dll",
                                               "winhttp.dll"};

// Loaders commonly load *.asi from these subfolders too.
const std::vector<std::string> kLoaderSubfolders = {"scripts", "plugins"};

// The end of a log is what the last start wrote.
constexpr std::uintmax_t kLogTail = 256 * 1024;

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

bool sameName(const std::string& a, const std::string& b) { return lower(a) == lower(b); }

std::string shown(const fs::path& path) { return path.u8string(); }

std::optional<std::string> readFile(const fs::path& path, std::uintmax_t tail = 0) {
    std::error_code error;
    if (!fs::is_regular_file(path, error)) return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    const std::uintmax_t size = fs::file_size(path, error);
    if (!in || error) return std::nullopt;
    std::uintmax_t start = 0;
    if (tail && size > tail) start = size - tail;
    in.seekg(static_cast<std::streamoff>(start));
    std::string bytes(static_cast<std::size_t>(size - start), '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    return bytes;
}

// The names in `folder`, sorted without letter case; none when it can't be read. Whether each
// is a file is asked only of the few names that matter: a game folder holds thousands, and on
// Windows each question is a call of its own.
std::vector<std::string> fileNames(const fs::path& folder) {
    std::vector<std::string> names;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
        names.push_back(it->path().filename().u8string());
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) { return lower(a) < lower(b); });
    return names;
}

// The file of that name in any letter case, as the file system names it; none when there is none.
std::optional<std::string> present(const std::vector<std::string>& names, const std::string& name) {
    for (const std::string& each : names) {
        if (sameName(each, name)) return each;
    }
    return std::nullopt;
}

bool endsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() && sameName(text.substr(text.size() - end.size()), end);
}

// "?scriptWait@@YAXK@Z" as a player can read it: scriptWait.
std::string plainName(const std::string& decorated) {
    if (decorated.empty() || decorated[0] != '?') return decorated;
    const std::size_t end = decorated.find("@@");
    return decorated.substr(1, end == std::string::npos ? std::string::npos : end - 1);
}

std::string joined(const std::vector<std::string>& items, const std::string& separator = ", ") {
    std::string out;
    for (const std::string& item : items) out += (out.empty() ? "" : separator) + item;
    return out;
}

FolderFinding finding(const char* check, Verdict verdict, std::string text, std::string fix = {}) {
    FolderFinding out;
    out.check = check;
    out.verdict = verdict;
    out.text = std::move(text);
    out.fix = std::move(fix);
    return out;
}

// What kind of file a DLL is, when it is not the 64-bit DLL the game can load; empty when it is.
std::string whyNotA64BitDll(const std::string& name, const pe::Image& image) {
    if (!image.isPe) return name + " is no Windows DLL at all (a damaged download, or a web page saved under its name)";
    if (image.machine != pe::kMachineX64 || !image.is64)
        return name + " is a " + pe::machineName(image) + " DLL; the game is 64-bit and can't load it";
    if (!image.isDll) return name + " is a program, not a DLL";
    return {};
}

std::string versionOf(const pe::Image& image) {
    const auto text = image.versionStrings.find("FileVersion");
    if (text != image.versionStrings.end()) return text->second;
    return image.fileVersion.value_or("");
}

// The folder's subfolders that hold a file of that name: a script hook unpacked into "bin", a
// plugin into "Veltrane-1.3.0".
std::vector<std::string> subfoldersHolding(const fs::path& folder, const std::vector<std::string>& names,
                                           const std::string& file) {
    std::vector<std::string> out;
    std::error_code error;
    for (const std::string& name : names) {
        if (fs::is_directory(folder / name, error) && fs::is_regular_file(folder / name / file, error))
            out.push_back(name);
    }
    return out;
}

FolderFinding settingsFileCheck(const fs::path& folder, const std::vector<std::string>& names) {
    const char* check = "5 Settings file";
    std::error_code error;
    const fs::path file = folder / kSettingsFile;
    if (fs::is_directory(file, error))
        return finding(check, Verdict::Fail, "a folder is named Veltrane.ini: the plugin can't read or write its file",
                       "move that folder away");
    if (fs::exists(file, error)) return finding(check, Verdict::Pass, "Veltrane.ini is here");
    // A near name is most likely the player's file under a name the plugin never reads.
    const std::vector<std::string> near = nearNames(names, kSettingsFile);
    if (!near.empty()) {
        FolderFinding misnamed = finding(check, Verdict::Fail,
                                         "no Veltrane.ini here, but " + joined(near) + ", which the plugin never reads",
                                         renameAdvice(near.front(), kSettingsFile));
        misnamed.brief = near.front() + " here, no Veltrane.ini: the plugin never reads it";
        misnamed.briefFix = "rename it to Veltrane.ini";
        return misnamed;
    }
    return finding(check, Verdict::Fail,
                   "no Veltrane.ini here: the plugin writes it on its first start when it loads and may write here",
                   "start the game with the plugin (it writes the file), or write it with veltrane-doctor "
                   "--write-defaults");
}

class FolderChecks {
public:
    FolderChecks(const fs::path& folder, std::string version) : root(folder), doctorVersion(std::move(version)) {
        names = fileNames(root);
        if (const auto plugin = present(names, kPluginFile)) {
            if (const auto bytes = readFile(root / *plugin)) {
                pluginImage = pe::readImage(*bytes);
                pluginUnloadable = whyNotLoadable(*plugin, *bytes);
            }
        }
        holdsGame = present(names, kGameFile).has_value();
    }

    // Where a missing file goes: never "here" in a folder without the game.
    std::string into() const { return holdsGame ? "this folder" : "the game folder (the one holding RDR2.exe)"; }

    bool looksLikeGame() const {
        if (present(names, kGameFile) || present(names, kHookFile)) return true;
        for (const std::string& name : names) {
            if (endsWith(name, ".asi")) return true;
        }
        return false;
    }

    FolderFinding scriptHook() const {
        const char* check = "1 Script hook";
        const std::string fix = "install the script hook for this game: copy ScriptHookRDR2.dll and its ASI loader "
                                "from its package (its author's page) into " + into();
        const auto name = present(names, kHookFile);
        if (!name) {
            const std::vector<std::string> below = subfoldersHolding(root, names, kHookFile);
            if (!below.empty())
                return finding(check, Verdict::Fail,
                               "no ScriptHookRDR2.dll here, but " + shown(fs::u8path(below.front()) / kHookFile) +
                                   " in a subfolder, where the game never loads it",
                               "move the files of " + below.front() + " (ScriptHookRDR2.dll and its loader) up one "
                               "folder, beside RDR2.exe");
            return finding(check, Verdict::Fail, "no ScriptHookRDR2.dll here: nothing runs script plugins", fix);
        }
        const auto bytes = readFile(root / *name);
        if (!bytes) return finding(check, Verdict::Fail, *name + " can't be read", fix);
        const std::string wrongKind = whyNotA64BitDll(*name, pe::readImage(*bytes));
        if (!wrongKind.empty()) return finding(check, Verdict::Fail, wrongKind, fix);

        std::vector<std::string> wanted = pe::importsFrom(pluginImage, kHookFile);
        const std::string whose = wanted.empty() ? "the plugin" : "Veltrane.asi";
        if (wanted.empty()) wanted = kHostFunctions;
        const ExportLookup lookup = lookUpExports(root / *name, wanted);
        if (!lookup.made) return finding(check, Verdict::NotMade, *name + ", 64-bit; " + lookup.whyNot);
        if (!lookup.loadError.empty())
            return finding(check, Verdict::Fail, "Windows can't load " + *name + ": " + lookup.loadError, fix);
        if (!lookup.missing.empty()) {
            std::vector<std::string> plain;
            for (const std::string& missing : lookup.missing) plain.push_back(plainName(missing));
            FolderFinding lacks = finding(check, Verdict::Fail,
                           *name + " lacks " + std::to_string(lookup.missing.size()) + " of the " +
                               std::to_string(wanted.size()) + " functions " + whose + " uses (" + joined(plain) +
                               "): an old script hook or one for another game; Windows then refuses to load "
                               "Veltrane.asi",
                           "install the current script hook for this game");
            lacks.brief = *name + " lacks " + joined(plain) + ": an old script hook, or one for another game";
            return lacks;
        }
        return finding(check, Verdict::Pass,
                       *name + ", 64-bit, has the " + std::to_string(wanted.size()) + " functions " + whose + " uses");
    }

    FolderFinding settingsFile() const { return settingsFileCheck(root, names); }

    FolderFinding asiLoader() const {
        const char* check = "2 ASI loader";
        std::vector<std::string> others;
        for (const std::string& candidate : kLoaderNames) {
            const auto name = present(names, candidate);
            if (!name) continue;
            const auto bytes = readFile(root / *name);
            if (bytes && mentionsAsi(*bytes))
                return finding(check, Verdict::Pass, *name + ", which the game loads, loads *.asi files");
            others.push_back(*name);
        }
        std::string text = "none here: no " + joined(kLoaderNames, ", ") +
                           " that loads *.asi files (the game loads DLLs of these names from its folder: that is "
                           "how a loader gets in)";
        if (!others.empty()) text += "; " + joined(others) + " shows no sign of it (another mod's DLL?)";
        FolderFinding none = finding(check, Verdict::Fail, text,
                                     "copy the ASI loader from the script hook's package (dinput8.dll) into " + into());
        none.brief = others.empty() ? "none here: nothing loads *.asi files" : joined(others) + " here loads no *.asi files";
        return none;
    }

    FolderFinding plugin() const {
        const char* check = "3 Plugin";
        std::vector<std::string> copies = secondCopies();
        const std::string copiesText =
            copies.empty() ? "" : "; a loader also loads " + joined(copies) + ", and each copy runs its own pass in every frame";
        const std::string copiesFix = copies.empty() ? "" : "delete " + joined(copies, " and ") + "; keep Veltrane.asi";
        const auto name = present(names, kPluginFile);
        if (!name) {
            if (FolderFinding misplaced = misplacedPlugin(copies); !misplaced.text.empty()) return misplaced;
            return finding(check, Verdict::Fail, "no Veltrane.asi here" + copiesText,
                           "copy Veltrane.asi from the package into " + into() +
                               ", beside ScriptHookRDR2.dll, or let the doctor do it: veltrane-doctor --install" +
                               (copiesFix.empty() ? "" : "; " + copiesFix));
        }
        if (!pluginUnloadable.empty())
            return finding(check, Verdict::Fail, pluginUnloadable + copiesText,
                           "download the package again and copy its Veltrane.asi here" +
                               (copiesFix.empty() ? "" : "; " + copiesFix));
        const std::string version = versionOf(pluginImage);
        std::string text = *name + " " + (version.empty() ? "without a version" : version) + ", 64-bit, ";
        text += version == doctorVersion ? "the doctor's own version"
                                         : "not the doctor's version (" + doctorVersion + "): what it reads may differ";
        if (!copies.empty()) return finding(check, Verdict::Fail, text + copiesText, copiesFix);
        return finding(check, version == doctorVersion ? Verdict::Pass : Verdict::Note, text);
    }

    FolderFinding writable() const {
        const char* check = "4 Write access";
        std::string why;
        if (folderTakesNewFiles(root, why)) return finding(check, Verdict::Pass, "the game may write to this folder");
        const bool settings = present(names, kSettingsFile).has_value();
        const std::string fix = "give the folder write access (its Properties, Security), or move the game out of a "
                                "protected folder such as C:\\Program Files";
        if (settings)
            return finding(check, Verdict::Note,
                           "the folder can't be written (" + why +
                               "): the plugin reads the Veltrane.ini here, but could not write a new one",
                           fix);
        return finding(check, Verdict::Fail,
                       "the folder can't be written (" + why +
                           "): the plugin can't write its Veltrane.ini, stays off, and tries again in every frame",
                       fix);
    }

    std::vector<FolderFinding> logs() const {
        std::vector<FolderFinding> out;
        // A log written before the newest one, or before the plugin's file, tells of an earlier start.
        std::error_code error;
        fs::file_time_type newest = fs::file_time_type::min(), plugin = fs::file_time_type::min();
        if (const auto name = present(names, kPluginFile)) plugin = fs::last_write_time(root / *name, error);
        for (const std::string& name : names) {
            if (endsWith(name, ".log")) newest = std::max(newest, fs::last_write_time(root / name, error));
        }
        const auto earlier = [&](const std::string& name) {
            const fs::file_time_type time = fs::last_write_time(root / name, error);
            return !error && (time < newest || time < plugin);
        };
        for (const std::string& name : names) {
            if (!endsWith(name, ".log")) continue;
            if (sameName(name, "ScriptHookRDR2.log")) {
                if (FolderFinding stopped = hookStopped(name, earlier(name)); !stopped.text.empty())
                    out.push_back(std::move(stopped));
            }
            const auto text = readFile(root / name, kLogTail);
            if (!text) continue;
            const LogMentions mentions = pluginMentions(*text);
            const bool failed = mentions.failed;
            if (mentions.lines.empty()) continue;
            const std::string date = fileDate(root / name);
            const bool old = failed && earlier(name);
            FolderFinding log = finding(
                "6 Log", failed ? (old ? Verdict::Note : Verdict::Fail) : Verdict::Pass,
                name + (date.empty() ? "" : " (" + date + ")") +
                    (old ? ": older than the newest log or Veltrane.asi, it tells of an earlier start, at which "
                           "Veltrane.asi failed to load"
                     : failed ? ": Veltrane.asi failed to load at the last start it names; checks 1 to 3 give the "
                                "usual causes"
                              : ": it names Veltrane.asi as loaded or started"),
                failed && !old ? "mend what checks 1 to 3 name, then start the game again" : "");
            log.quoted = mentions.lines;
            out.push_back(log);
        }
        if (out.empty())
            out.push_back(finding("6 Log", Verdict::Note,
                                  "no *.log here names Veltrane.asi (none is needed)"));
        if (out.size() == 1 && out.front().verdict == Verdict::Note && out.front().fix.empty()) out.front().minor = true;
        return out;
    }

    // The script hook's log ending in a FATAL line: most often the game was updated and the
    // hook refuses its new version, running no plugin at all.
    FolderFinding hookStopped(const std::string& name, bool old) const {
        // Its header and its end: a log grown large is not read whole.
        std::optional<std::string> bytes = readFile(root / name, kLogTail);
        if (!bytes) return {};
        std::error_code error;
        if (fs::file_size(root / name, error) > kLogTail && !error) {
            std::ifstream in(root / name, std::ios::binary);
            std::string head(4096, '\0');
            in.read(head.data(), static_cast<std::streamsize>(head.size()));
            head.resize(static_cast<std::size_t>(in.gcount()));
            bytes = head + "\n" + *bytes;
        }
        const HookLog log = readHookLog(*bytes);
        if (log.fatalLine.empty()) return {};
        std::string hookVersion = log.version;
        if (const auto hook = present(names, kHookFile)) {
            if (const auto dll = readFile(root / *hook)) {
                if (const std::string version = dllVersion(*dll); !version.empty()) hookVersion = version;
            }
        }
        std::string gameVersion;
        if (const auto game = present(names, kGameFile)) gameVersion = fileVersionOf(root / *game);
        const std::string date = fileDate(root / name);
        std::string text = name + (date.empty() ? "" : " (" + date + ")") + ": the script hook stopped" +
                           (old ? " at an earlier start" : "") + " and ran no plugin; the game is " +
                           (gameVersion.empty() ? "of a version that can't be read" : "version " + gameVersion) +
                           ", the script hook " + (hookVersion.empty() ? "of a version that can't be read" : "version " + hookVersion);
        std::string fix = "the game was updated and this script hook does not know its version: wait for a script "
                          "hook that supports version " + (gameVersion.empty() ? "the game's" : gameVersion) +
                          " (from its author's page), or put back the game version it supports";
        FolderFinding out = finding("6 Log", old ? Verdict::Note : Verdict::Fail, std::move(text), std::move(fix));
        out.quoted.push_back(log.fatalLine);
        return out;
    }

    FolderFinding path() const {
        const char* check = "7 Folder path";
        unsigned codePage = 0;
        const std::optional<bool> fits = fitsAnsiCodePage(shown(root), codePage);
        if (!fits)
            return finding(check, Verdict::NotMade, "its letters can be checked only on Windows");
        if (*fits) return finding(check, Verdict::Pass, "its letters fit the ANSI code page (" + std::to_string(codePage) + ")");
        return finding(check, Verdict::Note,
                       "it holds letters outside the ANSI code page (" + std::to_string(codePage) +
                           "): some ASI loaders then load no plugin at all, while the plugin itself works there; if "
                           "nothing loads, try the game in a folder named in plain Latin letters");
    }

private:
    static bool mentionsAsi(const std::string& bytes) {
        const std::string folded = lower(bytes);
        return folded.find(".asi") != std::string::npos || folded.find(std::string(".\0a\0s\0i\0", 8)) != std::string::npos;
    }

    // No Veltrane.asi, but the plugin under a name or in a place a loader never loads, or the
    // only copy under a second name: what is there, and how to put it right.
    FolderFinding misplacedPlugin(const std::vector<std::string>& copies) const {
        const char* check = "3 Plugin";
        const auto is = [](const std::string& name, const char* wanted) { return sameName(name, wanted); };
        for (const std::string& name : names) {
            if (is(name, "Veltrane.asi.txt") || is(name, "Veltrane.dll") || is(name, "Veltrane.asi.asi"))
                return finding(check, Verdict::Fail, "no Veltrane.asi here, but " + name + ", which no loader loads",
                               renameAdvice(name, kPluginFile));
            // Veltrane.asi.zip, or the package itself (Veltrane-1.3.0.zip)
            if (endsWith(name, ".zip") && lower(name).rfind("veltrane", 0) == 0)
                return finding(check, Verdict::Fail, "no Veltrane.asi here, but " + name + ", still packed",
                               "unpack " + name + " and copy the Veltrane.asi inside it here, beside "
                               "ScriptHookRDR2.dll");
        }
        // A loader's own subfolders are loaded from: a copy there is one of `copies`.
        std::vector<std::string> below;
        for (const std::string& folder : subfoldersHolding(root, names, kPluginFile)) {
            if (!present(kLoaderSubfolders, folder)) below.push_back(folder);
        }
        if (!below.empty())
            return finding(check, Verdict::Fail,
                           "no Veltrane.asi here, but " + shown(fs::u8path(below.front()) / kPluginFile) +
                               " in a subfolder (the package unpacked into a folder of its own)",
                           "move " + shown(fs::u8path(below.front()) / kPluginFile) +
                               " up one folder, beside ScriptHookRDR2.dll");
        // The only copy under a second name runs as it is; it is Veltrane.asi's name that is missing.
        if (copies.size() == 1 && copies.front().find_first_of("/\\") != std::string::npos)
            return finding(check, Verdict::Note,
                           "no Veltrane.asi here, but " + copies.front() +
                               ", which most loaders load from that folder: the only copy, so it runs once",
                           "if it does not load, move it up one folder, beside ScriptHookRDR2.dll");
        if (copies.size() == 1) {
            FolderFinding renamed = finding(check, Verdict::Note,
                                            "no Veltrane.asi here, but " + copies.front() + ", which a loader loads as well",
                                            "rename it to Veltrane.asi, so that a later copy does not load beside it");
            renamed.brief = copies.front() + " here, no Veltrane.asi: it loads, but under a second name";
            renamed.briefFix = "rename it to Veltrane.asi";
            return renamed;
        }
        return {};
    }

    static bool isOurs(const fs::path& file) {
        const std::string name = file.filename().u8string();
        if (lower(name).rfind("veltrane", 0) == 0) return true;
        const auto bytes = readFile(file);
        if (!bytes) return false;
        const pe::Image image = pe::readImage(*bytes);
        const auto original = image.versionStrings.find("OriginalFilename");
        return original != image.versionStrings.end() && sameName(original->second, kPluginFile);
    }

    // Plugin files other than Veltrane.asi that a loader loads too: here under another name
    // ("Veltrane (1).asi"), or in a subfolder loaders search.
    std::vector<std::string> secondCopies() const {
        std::vector<std::string> out;
        for (const std::string& name : names) {
            if (endsWith(name, ".asi") && !sameName(name, kPluginFile) && isOurs(root / name)) out.push_back(name);
        }
        std::error_code error;
        for (const std::string& subfolder : kLoaderSubfolders) {
            if (!fs::is_directory(root / subfolder, error)) continue;
            for (const std::string& name : fileNames(root / subfolder)) {
                if (endsWith(name, ".asi") && isOurs(root / subfolder / name))
                    out.push_back(shown(fs::path(subfolder) / name));
            }
        }
        return out;
    }

    fs::path root;
    std::string doctorVersion;
    std::vector<std::string> names;
    pe::Image pluginImage;
    std::string pluginUnloadable;

public:
    bool holdsGame = false;
};

std::string programText(const RunningProgram& program) {
    return program.fileName + " (process " + std::to_string(program.processId) + ")";
}

std::string folderOf(const std::string& file) { return fs::u8path(file).parent_path().u8string(); }

// Two full paths of a folder, as Windows compares them: without letter case, "\" as "/", a
// trailing separator or not.
bool sameFolder(const std::string& a, const fs::path& b) {
    const auto normal = [](const fs::path& path) {
        return lower(fs::u8path(absoluteFolder(path.u8string())).generic_u8string());
    };
    return normal(fs::u8path(a)) == normal(b);
}

// Which settings file a running plugin reads: the one of its program's current folder.
std::string readsText(const std::string& currentFolder, const fs::path& folder) {
    if (currentFolder.empty()) return {};
    if (sameFolder(currentFolder, folder)) return "; it reads the Veltrane.ini of this folder";
    return "; it reads " + (fs::u8path(currentFolder) / kSettingsFile).u8string() + ", not the one of this folder";
}

// What the running programs have loaded. Told, but not counted: it changes with the game.
std::vector<FolderFinding> running(const fs::path& folder) {
    const char* check = "Running";
    const RunningPrograms found = runningPrograms(kPluginFile, kHookFile, kGameFile);
    if (!found.made) return {finding(check, Verdict::NotMade, found.whyNot)};
    std::vector<FolderFinding> out;
    for (const RunningProgram& program : found.programs) {
        FolderFinding one;
        if (!program.modulesListed) {
            one = finding(check, Verdict::NotMade,
                          programText(program) + " runs; which modules it loaded can't be read (no permission: run "
                                                 "the doctor as the same user as the game)");
        } else if (!program.pluginPath.empty()) {
            const std::string from = folderOf(program.pluginPath);
            one = finding(check, Verdict::Pass,
                          programText(program) + " has Veltrane.asi loaded from " + from +
                              (sameFolder(from, folder) ? "" : " (not the folder checked here)") + ", " +
                              (program.hookPath.empty() ? "but no ScriptHookRDR2.dll beside it"
                                                        : "with ScriptHookRDR2.dll") +
                              readsText(program.currentFolder, folder));
            // The plugin of this folder reads another folder's file: the player edits the wrong one.
            if (sameFolder(from, folder) && !program.currentFolder.empty() && !sameFolder(program.currentFolder, folder)) {
                one.verdict = Verdict::Fail;
                one.fix = "edit " + (fs::u8path(program.currentFolder) / kSettingsFile).u8string() +
                          ", or check that folder: veltrane-doctor --game \"" + absoluteFolder(program.currentFolder) +
                          "\"";
                out.push_back(one);
                continue;
            }
        } else {
            one = finding(check, Verdict::Fail,
                          programText(program) + " runs, but Veltrane.asi was not loaded (" +
                              (program.hookPath.empty() ? "nor the script hook" : "the script hook was") + ")",
                          "see checks 1 to 3, then start the game again");
        }
        one.counts = false;
        out.push_back(one);
    }
    if (out.empty()) {
        out.push_back(finding(check, Verdict::Note, "no program has Veltrane.asi loaded; the game is not running"));
        out.back().minor = true;
    }
    if (found.closed > 0 && !out.empty() && out.back().verdict == Verdict::Note)
        out.back().text += " (" + std::to_string(found.closed) + " programs could not be looked into)";
    return out;
}

const char* label(Verdict verdict) {
    switch (verdict) {
        case Verdict::Pass: return "ok   ";
        case Verdict::Fail: return "FAIL ";
        case Verdict::Note: return "note ";
        case Verdict::NotMade: return "n/a  ";
    }
    return "";
}

const std::string kIndent(5, ' ');

void printWrapped(std::ostream& out, const std::string& first, const std::string& text, const std::string& indent) {
    for (const std::string& line : wrapped(text, indent, first)) out << line << "\n";
}

}  // namespace

bool holdsGameFile(const std::string& folder) {
    std::error_code error;
    return fs::is_regular_file(fs::u8path(folder) / kGameFile, error);
}

bool looksLikeGameFolder(const std::string& folder) {
    return FolderChecks(fs::u8path(absoluteFolder(folder)), "").looksLikeGame();
}

std::string whyNotLoadable(const std::string& name, const std::string& bytes) {
    const std::string wrongKind = whyNotA64BitDll(name, pe::readImage(bytes));
    if (!wrongKind.empty()) return wrongKind;
    const std::string cut = whyImageCutShort(bytes);
    if (!cut.empty()) return name + " is damaged or cut short (" + cut + ": a download that failed?); the game can't load it";
    return {};
}

std::string dllVersion(const std::string& bytes) { return versionOf(pe::readImage(bytes)); }

std::string GameFolderCheck::failedChecks() const {
    std::vector<std::string> names;
    for (const FolderFinding& f : findings) {
        if (f.verdict != Verdict::Fail || !f.counts) continue;
        const std::string name = f.check.size() > 2 && f.check[1] == ' ' ? f.check.substr(2) : f.check;
        if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
    }
    return joined(names);
}

std::size_t GameFolderCheck::failures() const {
    return static_cast<std::size_t>(std::count_if(findings.begin(), findings.end(), [](const FolderFinding& f) {
        return f.verdict == Verdict::Fail && f.counts;
    }));
}

std::string absoluteFolder(const std::string& folder) {
    std::error_code error;
    fs::path root = fs::absolute(fs::u8path(folder.empty() ? "." : folder), error).lexically_normal();
    if (!root.has_filename() && root != root.root_path()) root = root.parent_path();
    return shown(root);
}

GameFolderCheck checkGameFolder(const std::string& folder, bool given, const std::string& doctorVersion) {
    GameFolderCheck check;
    const fs::path root = fs::u8path(absoluteFolder(folder));
    check.folder = shown(root);
    const FolderChecks checks(root, doctorVersion);
    check.looksLikeGame = given || checks.looksLikeGame();
    check.holdsGame = checks.holdsGame;
    if (!check.looksLikeGame) return check;
    auto& out = check.findings;
    if (!check.holdsGame)
        out.push_back(finding("Game", Verdict::Fail,
                              "no RDR2.exe here: this is not the game folder, and the game loads nothing from it",
                              "name the folder holding RDR2.exe with --game DIR, or leave --game out: the doctor then "
                              "finds the game where the launchers recorded it"));
    out.push_back(checks.scriptHook());
    out.push_back(checks.asiLoader());
    out.push_back(checks.plugin());
    out.push_back(checks.writable());
    out.push_back(checks.settingsFile());
    if (out.back().verdict == Verdict::Fail && !out.back().briefFix.empty()) {
        const std::vector<std::string> near = nearNames(fileNames(root), kSettingsFile);
        if (!near.empty()) check.settingsNearName = near.front();
    }
    for (FolderFinding& log : checks.logs()) out.push_back(std::move(log));
    out.push_back(checks.path());
    for (FolderFinding& program : running(root)) out.push_back(std::move(program));
    return check;
}

std::size_t printGameFolder(std::ostream& out, const GameFolderCheck& check, bool quiet, bool details) {
    // A settings file kept elsewhere: its folder holds no game to check.
    if (!check.looksLikeGame) return 0;
    const bool anyFailure = std::any_of(check.findings.begin(), check.findings.end(),
                                        [](const FolderFinding& f) { return f.verdict == Verdict::Fail; });
    if (quiet && !anyFailure) return 0;
    std::ostringstream text;
    text << "Game folder " << check.folder << "\n";
    // The folder checks that pass share one line, so that the settings report below still fits
    // the screen; what runs now is always told.
    std::vector<std::string> passed;
    for (const FolderFinding& finding : check.findings) {
        const bool folderCheck = !finding.check.empty() && finding.check[0] >= '1' && finding.check[0] <= '9';
        if (finding.verdict == Verdict::Pass && folderCheck && !details && !quiet) passed.push_back(finding.check.substr(2));
    }
    if (!passed.empty()) printWrapped(text, label(Verdict::Pass), joined(passed) + " (--details tells what each found)", kIndent);
    for (const FolderFinding& finding : check.findings) {
        if (quiet && finding.verdict != Verdict::Fail) continue;
        const bool folderCheck = !finding.check.empty() && finding.check[0] >= '1' && finding.check[0] <= '9';
        if (finding.verdict == Verdict::Pass && folderCheck && !details) continue;
        if (finding.minor && !details) continue;
        const std::string& said = details || finding.brief.empty() ? finding.text : finding.brief;
        const std::string& fix = details || finding.briefFix.empty() ? finding.fix : finding.briefFix;
        printWrapped(text, label(finding.verdict), finding.check + ": " + said, kIndent);
        for (const std::string& line : finding.quoted) text << kIndent << "| " << line << "\n";
        if (finding.verdict != Verdict::Pass && !fix.empty())
            printWrapped(text, kIndent + "Fix: ", fix, kIndent + "     ");
    }
    text << "\n";
    const std::string printed = text.str();
    out << printed;
    return static_cast<std::size_t>(std::count(printed.begin(), printed.end(), '\n'));
}
