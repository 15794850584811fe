#include "doctor/folder/log_check.h"

#include <algorithm>
#include <optional>

#include "doctor/folder/folder_files.h"
#include "doctor/os/os.h"
#include "doctor/os/player_files.h"
#include "doctor/readers/hook_log.h"
#include "doctor/readers/log_mentions.h"
#include "pe/pe_image.h"

namespace fs = std::filesystem;
using namespace folder_files;

namespace {

// The end of a log is what the last start wrote.
constexpr std::uintmax_t kLogTail = 256 * 1024;
// Its start names the versions.
constexpr std::size_t kLogHead = 4096;

// Whether `file` (the hook, the game) came to be as it is after the log was written.
bool changedSince(const fs::path& file, fs::file_time_type log) {
    const std::optional<fs::file_time_type> made = fileMadeTime(file);
    return made && *made > log;
}

// The script hook's log ending in a FATAL line: the hook ran no plugin. A refusal of the game's
// version means the game was updated; any other line is the hook's own error, quoted. It tells of
// the hook and the game as they are only when neither changed since; a log of another version
// of the hook than the one here tells of the hook that was here before.
FolderFinding hookStopped(const fs::path& root, const std::vector<std::string>& names, const std::string& name) {
    // Its header and its end: a log grown large is not read whole.
    const std::optional<std::string> bytes = readBytes(root / name, kLogTail, kLogHead);
    if (!bytes) return {};
    std::error_code error;
    const HookLog log = readHookLog(*bytes);
    if (log.fatalLine.empty()) return {};
    const fs::file_time_type written = fs::last_write_time(root / name, error);
    std::string installed;
    bool hookChanged = false, gameChanged = false;
    if (const auto hook = present(names, kHookFile)) {
        if (const auto dll = readBytes(root / *hook)) installed = pe::versionText(pe::readImage(*dll));
        hookChanged = !log.version.empty() && !installed.empty() ? log.version != installed
                                                                 : !error && changedSince(root / *hook, written);
    }
    std::string gameVersion;
    if (const auto game = present(names, kGameFile)) {
        // Where the system can't say, the file's own bytes tell.
        std::optional<std::string> version = fileVersionOf(root / *game);
        if (const auto exe = version ? std::nullopt : readBytes(root / *game))
            version = pe::readImage(*exe).fileVersion;
        gameVersion = version.value_or("");
        gameChanged = !error && changedSince(root / *game, written);
    }
    const std::string hookVersion = installed.empty() ? log.version : installed;
    const auto version = [](const std::string& v) {
        return v.empty() ? "of a version that can't be read" : "version " + v;
    };
    const std::string date = fileDate(root / name);
    std::string text = name + (date.empty() ? "" : " (" + date + ")") + ": ";
    std::string fix;
    if (hookChanged) {
        text += "the script hook that was here before (" + version(log.version) +
                ") stopped and ran no plugin; the ScriptHookRDR2.dll here now (" + version(installed) +
                ") came after this log, which tells nothing of it";
    } else {
        text += "the script hook stopped" + std::string(gameChanged ? " at a start before the game last changed" : "") +
                (log.versionRefused ? "" : " with an error of its own") + " and ran no plugin; the game is " +
                version(gameVersion) + ", the script hook " + version(hookVersion);
        fix = log.versionRefused
                  ? "the game was updated and this script hook does not know its version: wait for a script hook that "
                    "supports version " + (gameVersion.empty() ? "the game's" : gameVersion) +
                        " (from its author's page), or put back the game version it supports"
                  : "the quoted line is the script hook's own error, not a game update: start the game again, and if "
                    "it stops again, install the script hook anew from its author's page or ask there";
    }
    FolderFinding out = finding(FolderCheckId::Log, hookChanged || gameChanged ? Verdict::Note : Verdict::Fail,
                                std::move(text), std::move(fix));
    out.quoted.push_back(log.fatalLine);
    return out;
}

}  // namespace

std::vector<FolderFinding> logFindings(const fs::path& root, const std::vector<std::string>& names) {
    std::vector<FolderFinding> out;
    // A log written before the newest one, or before the plugin's file, tells of an earlier start.
    std::error_code error;
    fs::file_time_type newest = fs::file_time_type::min(), plugin = fs::file_time_type::min();
    if (const auto name = present(names, kPluginFile)) plugin = fs::last_write_time(root / *name, error);
    for (const std::string& name : names) {
        if (endsWithName(name, ".log")) newest = std::max(newest, fs::last_write_time(root / name, error));
    }
    const auto earlier = [&](const std::string& name) {
        const fs::file_time_type time = fs::last_write_time(root / name, error);
        return !error && (time < newest || time < plugin);
    };
    for (const std::string& name : names) {
        if (!endsWithName(name, ".log")) continue;
        if (sameName(name, "ScriptHookRDR2.log")) {
            if (FolderFinding stopped = hookStopped(root, names, name); !stopped.text.empty())
                out.push_back(std::move(stopped));
        }
        const auto text = readBytes(root / name, kLogTail);
        if (!text) continue;
        const LogMentions mentions = pluginMentions(*text);
        const bool failed = mentions.failed;
        if (mentions.lines.empty()) continue;
        const std::string date = fileDate(root / name);
        const bool old = failed && earlier(name);
        FolderFinding log = finding(
            FolderCheckId::Log, failed ? (old ? Verdict::Note : Verdict::Fail) : Verdict::Pass,
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
        out.push_back(finding(FolderCheckId::Log, Verdict::Note,
                              "no *.log here names Veltrane.asi (none is needed)"));
    if (out.size() == 1 && out.front().verdict == Verdict::Note && out.front().fix.empty()) out.front().minor = true;
    return out;
}
