#include "doctor/install/plugin_install.h"

#include <algorithm>
#include <filesystem>
#include <optional>

#include "doctor/os/os.h"
#include "doctor/folder/folder_files.h"
#include "doctor/folder/game_folder_check.h"
#include "doctor/os/player_files.h"
#include "doctor/settings/settings_check.h"
#include "pe/pe_image.h"
#include "platform/profile_text.h"
#include "settings/settings_file.h"

namespace fs = std::filesystem;
using profile_text::endsWithName;
using folder_files::joined;

namespace {

// What a failed write means for the player, and what to do about it.
std::string whyNot(const std::error_code& error) {
    if (error == std::errc::permission_denied || error == std::errc::operation_not_permitted ||
        error == std::errc::read_only_file_system)
        return "access denied (a read-only folder, or one under Program Files that needs administrator rights): "
               "start veltrane-doctor as administrator (right-click it, Run as administrator), or give the folder "
               "write access";
    if (error == std::errc::no_space_on_device) return "the drive is full: make room on it, then try again";
    return error.message() + ": nothing was changed; try again";
}

bool writeAll(const fs::path& path, const std::string& bytes, std::error_code& error) {
    bool wentThrough = false;
    if (writeBytes(path, bytes, &wentThrough)) return true;
    std::error_code ignored;
    fs::remove(path, ignored);
    if (wentThrough) {
        error = std::make_error_code(std::errc::io_error);
        return false;
    }
    // The stream keeps no reason; asking the folder for a new file gives one.
    std::string why;
    error = folderTakesNewFiles(path.parent_path(), why) ? std::make_error_code(std::errc::no_space_on_device)
                                                         : std::make_error_code(std::errc::permission_denied);
    return false;
}

FolderChange refused(std::string why) {
    FolderChange change;
    change.refusal = std::move(why);
    return change;
}

// Writes `bytes` as `target` in `gameFolder`, first renaming a file there to a free numbered
// backup (named in `*backup`) when `backup` is given. Nothing or everything: on failure the
// folder is as it was, and the reason is returned; on success, "".
std::string replaceFile(const fs::path& target, const std::string& bytes, const std::string& gameFolder,
                        fs::path* backup) {
    // Written beside under a name no loader loads, then put in place: never half a plugin.
    const fs::path fresh = fs::path(target) += ".new";
    std::error_code error;
    const auto failed = [&](const std::string& what) {
        std::error_code ignored;
        fs::remove(fresh, ignored);
        return what + ": " + whyNot(error);
    };
    if (!writeAll(fresh, bytes, error)) return failed("could not write into " + gameFolder);
    if (backup) {
        *backup = fs::u8path(freeBackupName(target.u8string()));
        fs::rename(target, *backup, error);
        if (error) return failed("could not keep the Veltrane.asi there as " + backup->filename().u8string());
    }
    fs::rename(fresh, target, error);
    if (error) {
        const std::string why = failed("could not write " + target.u8string());
        std::error_code ignored;
        if (backup) fs::rename(*backup, target, ignored);
        return why;
    }
    return "";
}

}  // namespace

FolderChange installPlugin(const std::string& packagePlugin, const std::string& gameFolder,
                           const std::string& version) {
    const fs::path folder = fs::u8path(gameFolder);
    if (!holdsGameFile(gameFolder))
        return refused(gameFolder + " holds no " + std::string(kGameFile) + ": it is not the game folder");
    const std::optional<std::string> bytes = readBytes(fs::u8path(packagePlugin));
    if (!bytes)
        return refused("no Veltrane.asi beside veltrane-doctor.exe (" + packagePlugin + "): unpack the whole package");
    if (const std::string why = whyNotLoadable("the package's Veltrane.asi", *bytes); !why.empty())
        return refused(why + ": download the package again");
    if (const std::string its = pe::versionText(pe::readImage(*bytes)); its != version)
        return refused("the package's Veltrane.asi is version " + (its.empty() ? "unknown" : its) +
                       ", not the doctor's " + version + ": unpack the whole package again");

    FolderChange change;
    const fs::path target = folder / kPluginFile;
    std::error_code error;
    const bool present = fs::exists(target, error);
    const std::optional<std::string> installed = present ? readBytes(target) : std::nullopt;
    if (present && !installed) return refused(target.u8string() + " is there but can't be read or replaced");
    fs::path backup;  // the earlier plugin's new name, when there was one
    if (installed == bytes) {
        change.told.push_back("Veltrane.asi in the game folder is this package's already: nothing to copy");
    } else {
        if (const std::string why = replaceFile(target, *bytes, gameFolder, present ? &backup : nullptr); !why.empty())
            return refused(why);
        change.changed = true;
        change.written.push_back(target.u8string() + " (version " + version + ")");
        if (present)
            change.written.push_back(backup.u8string() + " (the Veltrane.asi that was there, of other bytes, kept)");
    }
    if (!fs::exists(folder / kSettingsFileBareName, error)) {
        FolderVisit visit;
        SettingsFile settings;
        if (visit.enter(gameFolder)) {
            settings.setPath(profilePath(kSettingsFileBareName));
            settings.writeDefaults();
        }
        if (!fs::is_regular_file(folder / kSettingsFileBareName, error)) {
            // All or nothing: the plugin goes again, and the earlier one comes back.
            std::error_code ignored;
            if (change.changed) {
                fs::remove(target, ignored);
                if (!backup.empty()) fs::rename(backup, target, ignored);
            }
            return refused("could not write " + (folder / kSettingsFileBareName).u8string() + ": " +
                           whyNot(std::make_error_code(std::errc::permission_denied)));
        }
        change.changed = true;
        change.written.push_back((folder / kSettingsFileBareName).u8string() + " (the default settings)");
    }
    return change;
}

FolderChange uninstallPlugin(const std::string& packagePlugin, const std::string& gameFolder,
                             const std::string& version) {
    const fs::path folder = fs::u8path(gameFolder), target = folder / kPluginFile;
    std::error_code error;
    if (!fs::is_directory(folder, error)) return refused(gameFolder + " does not exist or is not a folder");
    FolderChange change;
    // The earlier plugins an install kept: the player's to delete or restore.
    std::vector<std::string> backups;
    for (const auto& entry : fs::directory_iterator(folder, error)) {
        const std::string name = entry.path().filename().u8string(), lower = profile_text::lowerAscii(name);
        // "Veltrane.asi.bak", "Veltrane.asi.2.bak", ...: as freeBackupName names them.
        if (lower.rfind("veltrane.asi.", 0) == 0 && endsWithName(lower, ".bak") &&
            lower.find_first_not_of("0123456789.", 13) == lower.size() - 3)
            backups.push_back(name);
    }
    std::sort(backups.begin(), backups.end());
    const auto told = [&] {
        if (!backups.empty())
            change.told.push_back(joined(backups) + (backups.size() == 1 ? " is an earlier" : " are earlier") +
                                  " Veltrane.asi" + (backups.size() == 1 ? "" : " files") +
                                  " that an install kept: left here; delete " + (backups.size() == 1 ? "it" : "them") +
                                  ", or rename one to Veltrane.asi to restore it");
        return change;
    };
    if (!fs::exists(target, error)) {
        change.told.push_back("no Veltrane.asi in " + gameFolder + ": nothing to remove");
        return told();
    }
    // The package's plugin beside the doctor is compared byte for byte; without one (the doctor
    // copied into the game folder has the folder's own beside it), the doctor's version decides.
    const std::optional<std::string> installed = readBytes(target);
    const auto full = [](const fs::path& path) { return fs::absolute(path).lexically_normal().u8string(); };
    const bool package = fs::exists(fs::u8path(packagePlugin), error) &&
                         !profile_text::sameName(full(fs::u8path(packagePlugin)), full(target));
    const std::string its = installed ? pe::versionText(pe::readImage(*installed)) : "";
    if (package ? readBytes(fs::u8path(packagePlugin)) != installed : its != version) {
        change.told.push_back(target.u8string() +
                              (package ? " is not this package's Veltrane.asi (another version or build)"
                                       : " is " + (its.empty() ? std::string("of no version") : "version " + its) +
                                             ", not this doctor's " + version) +
                              ": left as it is; delete it yourself if you mean to");
        change.otherLeft = true;
        return told();
    }
    if (!fs::remove(target, error) || error)
        return refused("could not remove " + target.u8string() + ": " + whyNot(error));
    change.changed = true;
    change.written.push_back(target.u8string());
    change.told.push_back(std::string(kSettingsFileBareName) + " is yours and stays; delete it too if you want");
    return told();
}
