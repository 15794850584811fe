#include "doctor/folder/running_check.h"

#include "doctor/folder/folder_files.h"
#include "doctor/os/os.h"
#include "doctor/settings/report.h"

namespace fs = std::filesystem;
using namespace folder_files;

namespace {

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
    if (sameFolder(currentFolder, folder))
        return "; it reads the " + std::string(kSettingsFileBareName) + " of this folder";
    return "; it reads " + (fs::u8path(currentFolder) / kSettingsFileBareName).u8string() +
           ", not the one of this folder";
}

}  // namespace

std::vector<FolderFinding> runningFindings(const fs::path& folder) {
    const FolderCheckId check = FolderCheckId::Running;
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
            if (sameFolder(from, folder) && !program.currentFolder.empty() &&
                !sameFolder(program.currentFolder, folder)) {
                one.verdict = Verdict::Fail;
                one.fix = "edit " + (fs::u8path(program.currentFolder) / kSettingsFileBareName).u8string() +
                          ", or check that folder: " + doctorCommand("--game", absoluteFolder(program.currentFolder));
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
