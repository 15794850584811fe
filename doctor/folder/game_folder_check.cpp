#include "doctor/folder/game_folder_check.h"

#include <algorithm>
#include <cctype>
#include <optional>
#include <sstream>

#include "doctor/folder/folder_files.h"
#include "doctor/os/os.h"
#include "doctor/os/player_files.h"
#include "pe/image_whole.h"
#include "doctor/folder/log_check.h"
#include "doctor/folder/proton_check.h"
#include "doctor/settings/near_names.h"
#include "doctor/settings/report.h"
#include "doctor/folder/running_check.h"
#include "pe/pe_image.h"

namespace fs = std::filesystem;
using namespace folder_files;

namespace {

// The doctor opened inside the zip: Explorer runs it alone from a temporary folder
// ("%TEMP%\Temp1_Veltrane-0.3.0.zip"), without the Veltrane.asi beside it that --install copies.
bool openedInsideZip() {
    const fs::path folder = fs::u8path(programFolder());
    std::error_code error;
    if (fs::exists(folder / kPluginFile, error)) return false;
    return std::any_of(folder.begin(), folder.end(),
                       [](const fs::path& part) { return endsWithName(part.u8string(), ".zip"); });
}

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

// "?scriptWait@@YAXK@Z" as a player can read it: scriptWait.
std::string plainName(const std::string& decorated) {
    if (decorated.empty() || decorated[0] != '?') return decorated;
    const std::size_t end = decorated.find("@@");
    return decorated.substr(1, end == std::string::npos ? std::string::npos : end - 1);
}

// What kind of file a DLL is, when it is not the 64-bit DLL the game can load; empty when it is.
std::string whyNotA64BitDll(const std::string& name, const pe::Image& image) {
    if (!image.isPe) return name + " is no Windows DLL at all (a damaged download, or a web page saved under its name)";
    if (image.machine != pe::kMachineX64 || !image.is64)
        return name + " is a " + pe::machineName(image) + " DLL; the game is 64-bit and can't load it";
    if (!image.isDll) return name + " is a program, not a DLL";
    return {};
}

// "no Veltrane.asi here, but x/Veltrane.asi": a file missing from the folder, found in a subfolder.
std::string inSubfolderOnly(const char* file, const std::string& subfolder) {
    return std::string("no ") + file + " here, but " + shown(fs::u8path(subfolder) / file) + " in a subfolder";
}

class FolderChecks {
public:
    FolderChecks(const fs::path& folder, std::string version) : root(folder), doctorVersion(std::move(version)) {
        names = fileNames(root);
        if (const auto plugin = present(names, kPluginFile)) {
            if (const auto bytes = readBytes(root / *plugin)) {
                pluginImage = pe::readImage(*bytes);
                pluginUnloadable = whyNotLoadable(*plugin, *bytes);
            }
        }
        holdsGame = present(names, kGameFile).has_value();
    }

    // The doctor's own --install, offered only where it can copy: with the package's Veltrane.asi
    // beside the doctor, into a game folder other than the doctor's that can be written.
    std::string installCommand() const {
        const fs::path own = fs::u8path(programFolder());
        std::error_code error;
        std::string why;
        if (!holdsGame || !fs::exists(own / kPluginFile, error) || fs::equivalent(own, root, error) ||
            !folderTakesNewFiles(root, why))
            return {};
        return ", or let the doctor do it: " + doctorCommand("--install", shown(root));
    }

    // Where a missing file goes: never "here" in a folder without the game.
    std::string into() const { return holdsGame ? "this folder" : "the game folder (the one holding RDR2.exe)"; }

    bool looksLikeGame() const {
        if (present(names, kGameFile) || present(names, kHookFile)) return true;
        for (const std::string& name : names) {
            if (endsWithName(name, ".asi")) return true;
        }
        return false;
    }

    FolderFinding scriptHook() const {
        const FolderCheckId check = FolderCheckId::ScriptHook;
        const std::string fix = "install the script hook for this game: copy ScriptHookRDR2.dll and its ASI loader "
                                "from its package (its author's page) into " + into();
        const auto name = present(names, kHookFile);
        if (!name) {
            const std::vector<std::string> below = subfoldersHolding(root, names, kHookFile);
            if (!below.empty())
                return finding(check, Verdict::Fail,
                               inSubfolderOnly(kHookFile, below.front()) + ", where the game never loads it",
                               "move the files of " + below.front() + " (ScriptHookRDR2.dll and its loader) up one "
                               "folder, beside RDR2.exe");
            return finding(check, Verdict::Fail, "no ScriptHookRDR2.dll here: nothing runs script plugins", fix);
        }
        const auto bytes = readBytes(root / *name);
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

    FolderFinding settingsFile(bool writable) const { return settingsFileCheck(root, names, writable); }

    FolderFinding asiLoader() const {
        const FolderCheckId check = FolderCheckId::Loader;
        std::vector<std::string> others;
        for (const std::string& candidate : kLoaderNames) {
            const auto name = present(names, candidate);
            if (!name) continue;
            const auto bytes = readBytes(root / *name);
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
        none.brief =
            others.empty() ? "none here: nothing loads *.asi files" : joined(others) + " here loads no *.asi files";
        return none;
    }

    // Under Wine, whether the loader found here is the one Wine gives the game; none when the
    // game doesn't run under Wine or the folder lies in no Steam library.
    std::optional<FolderFinding> proton() const {
        if (!checksProtonOverride()) return std::nullopt;
        std::string loader = "dinput8.dll";
        for (const std::string& candidate : kLoaderNames) {
            const auto name = present(names, candidate);
            const auto bytes = name ? readBytes(root / *name) : std::nullopt;
            if (bytes && mentionsAsi(*bytes)) {
                loader = candidate;
                break;
            }
        }
        return protonFinding(root, loader);
    }

    FolderFinding plugin() const {
        const FolderCheckId check = FolderCheckId::Plugin;
        std::vector<std::string> copies = secondCopies();
        const std::string copiesText =
            copies.empty() ? ""
                           : "; a loader also loads " + joined(copies) +
                                 ", and each copy runs its own pass in every frame";
        const std::string copiesFix = copies.empty() ? "" : "delete " + joined(copies, " and ") + "; keep Veltrane.asi";
        const auto name = present(names, kPluginFile);
        if (!name) {
            if (FolderFinding misplaced = misplacedPlugin(copies); !misplaced.text.empty()) return misplaced;
            return finding(check, Verdict::Fail, "no Veltrane.asi here" + copiesText,
                           (openedInsideZip() ? "the doctor runs from inside the zip, without the package: unpack the "
                                                "whole zip first (right-click it, Extract All), then copy Veltrane.asi "
                                                "from the unpacked folder into " + into() +
                                                    ", beside ScriptHookRDR2.dll"
                                              : "copy Veltrane.asi from the package into " + into() +
                                                    ", beside ScriptHookRDR2.dll" + installCommand()) +
                               (copiesFix.empty() ? "" : "; " + copiesFix));
        }
        if (!pluginUnloadable.empty())
            return finding(check, Verdict::Fail, pluginUnloadable + copiesText,
                           "download the package again and copy its Veltrane.asi here" +
                               (copiesFix.empty() ? "" : "; " + copiesFix));
        const std::string version = pe::versionText(pluginImage);
        std::string text = *name + " " + (version.empty() ? "without a version" : version) + ", 64-bit, ";
        text += version == doctorVersion ? "the doctor's own version"
                                         : "not the doctor's version (" + doctorVersion + "): what it reads may differ";
        if (!copies.empty()) return finding(check, Verdict::Fail, text + copiesText, copiesFix);
        return finding(check, version == doctorVersion ? Verdict::Pass : Verdict::Note, text);
    }

    FolderFinding writable() const {
        const FolderCheckId check = FolderCheckId::WriteAccess;
        std::string why;
        if (folderTakesNewFiles(root, why)) return finding(check, Verdict::Pass, "the game may write to this folder");
        const bool settings = present(names, kSettingsFileBareName).has_value();
        const std::string fix = "give the folder write access (its Properties, Security), or move the game out of a "
                                "protected folder such as C:\\Program Files";
        if (settings)
            return finding(check, Verdict::Note,
                           "the folder can't be written (" + why + "): the plugin reads the " + kSettingsFileBareName +
                               " here, but could not write a new one",
                           fix);
        return finding(check, Verdict::Fail,
                       "the folder can't be written (" + why +
                           "): the plugin can't write its " + kSettingsFileBareName +
                           ", stays off, and tries again in every frame",
                       fix);
    }

    std::vector<FolderFinding> logs() const { return logFindings(root, names); }

    FolderFinding path() const {
        const FolderCheckId check = FolderCheckId::FolderPath;
        unsigned codePage = 0;
        const std::optional<bool> fits = fitsAnsiCodePage(shown(root), codePage);
        if (!fits)
            return finding(check, Verdict::NotMade, "its letters can be checked only on Windows");
        if (*fits)
            return finding(check, Verdict::Pass,
                           "its letters fit the ANSI code page (" + std::to_string(codePage) + ")");
        return finding(check, Verdict::Note,
                       "it holds letters outside the ANSI code page (" + std::to_string(codePage) +
                           "): some ASI loaders then load no plugin at all, while the plugin itself works there; if "
                           "nothing loads, try the game in a folder named in plain Latin letters");
    }

private:
    static bool mentionsAsi(const std::string& bytes) {
        const std::string folded = lower(bytes);
        return folded.find(".asi") != std::string::npos ||
               folded.find(std::string(".\0a\0s\0i\0", 8)) != std::string::npos;
    }

    // No Veltrane.asi, but the plugin under a name or in a place a loader never loads, or the
    // only copy under a second name: what is there, and how to put it right.
    FolderFinding misplacedPlugin(const std::vector<std::string>& copies) const {
        const FolderCheckId check = FolderCheckId::Plugin;
        const auto is = [](const std::string& name, const char* wanted) { return sameName(name, wanted); };
        for (const std::string& name : names) {
            if (is(name, "Veltrane.asi.txt") || is(name, "Veltrane.dll") || is(name, "Veltrane.asi.asi"))
                return finding(check, Verdict::Fail, "no Veltrane.asi here, but " + name + ", which no loader loads",
                               renameAdvice(name, kPluginFile));
            // Veltrane.asi.zip, or the package itself (Veltrane-1.3.0.zip)
            if (endsWithName(name, ".zip") && lower(name).rfind("veltrane", 0) == 0)
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
                           inSubfolderOnly(kPluginFile, below.front()) +
                               " (the package unpacked into a folder of its own)",
                           "move " + shown(fs::u8path(below.front()) / kPluginFile) +
                               " up one folder, beside ScriptHookRDR2.dll");
        // The only copy under a second name runs as it is; it is Veltrane.asi's name that is missing.
        if (copies.size() == 1 && copies.front().find_first_of("/\\") != std::string::npos)
            return finding(check, Verdict::Note,
                           "no Veltrane.asi here, but " + copies.front() +
                               ", which most loaders load from that folder: the only copy, so it runs once",
                           "if it does not load, move it up one folder, beside ScriptHookRDR2.dll");
        if (copies.size() == 1) {
            FolderFinding renamed =
                finding(check, Verdict::Note,
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
        const auto bytes = readBytes(file);
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
            if (endsWithName(name, ".asi") && !sameName(name, kPluginFile) && isOurs(root / name)) out.push_back(name);
        }
        std::error_code error;
        for (const std::string& subfolder : kLoaderSubfolders) {
            if (!fs::is_directory(root / subfolder, error)) continue;
            for (const std::string& name : fileNames(root / subfolder)) {
                if (endsWithName(name, ".asi") && isOurs(root / subfolder / name))
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

}  // namespace

FolderFinding settingsFileCheck(const fs::path& folder, const std::vector<std::string>& names, bool writable) {
    const FolderCheckId check = FolderCheckId::SettingsFile;
    std::error_code error;
    const std::string name = kSettingsFileBareName;
    const fs::path file = folder / name;
    if (fs::is_directory(file, error))
        return finding(check, Verdict::Fail, "a folder is named " + name + ": the plugin can't read or write its file",
                       "move that folder away");
    if (fs::exists(file, error)) return finding(check, Verdict::Pass, name + " is here");
    // A near name is most likely the player's file under a name the plugin never reads.
    const std::vector<std::string> near = nearNames(names, name);
    if (!near.empty()) {
        FolderFinding misnamed = finding(check, Verdict::Fail,
                                         "no " + name + " here, but " + joined(near) + ", which the plugin never reads",
                                         renameAdvice(near.front(), name));
        misnamed.brief = near.front() + " here, no " + name + ": the plugin never reads it";
        misnamed.briefFix = "rename it to " + name;
        return misnamed;
    }
    if (!writable)
        return finding(check, Verdict::Fail, "no Veltrane.ini here, and the folder can't be written (check 4)",
                       "give the folder write access; the plugin then writes the file on its first start");
    return finding(check, Verdict::Fail,
                   "no " + name + " here: the plugin writes it on its first start when it loads and may write here",
                   "start the game with the plugin (it writes the file), or write it with " +
                       doctorCommand("--write-defaults --game", shown(folder)));
}

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
    if (!cut.empty())
        return name + " is damaged or cut short (" + cut + ": a download that failed?); the game can't load it";
    return {};
}

std::string GameFolderCheck::failedChecks() const {
    std::vector<std::string> names;
    for (const FolderFinding& f : findings) {
        if (f.verdict != Verdict::Fail || !f.counts) continue;
        const std::string name = checkName(f.check);
        if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
    }
    return joined(names);
}

std::size_t GameFolderCheck::failures() const {
    return static_cast<std::size_t>(std::count_if(findings.begin(), findings.end(), [](const FolderFinding& f) {
        return f.verdict == Verdict::Fail && f.counts;
    }));
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
        out.push_back(finding(FolderCheckId::Game, Verdict::Fail,
                              "no RDR2.exe here: this is not the game folder, and the game loads nothing from it",
                              "name the folder holding RDR2.exe with --game DIR, or leave --game out: the doctor then "
                              "finds the game where the launchers recorded it"));
    out.push_back(checks.scriptHook());
    out.push_back(checks.asiLoader());
    out.push_back(checks.plugin());
    out.push_back(checks.writable());
    out.push_back(checks.settingsFile(out.back().verdict == Verdict::Pass));
    if (out.back().verdict == Verdict::Fail && !out.back().briefFix.empty()) {
        const std::vector<std::string> near = nearNames(fileNames(root), kSettingsFileBareName);
        if (!near.empty()) check.settingsNearName = near.front();
    }
    for (FolderFinding& log : checks.logs()) out.push_back(std::move(log));
    out.push_back(checks.path());
    if (std::optional<FolderFinding> proton = checks.proton()) out.push_back(std::move(*proton));
    for (FolderFinding& program : runningFindings(root)) out.push_back(std::move(program));
    return check;
}
