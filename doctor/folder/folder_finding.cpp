#include "doctor/folder/folder_finding.h"

#include <filesystem>

namespace fs = std::filesystem;

namespace {

// Each check's name, in the order of FolderCheckId: its place there is its number, but for the
// first and the last, which have none.
constexpr const char* kCheckNames[] = {"Game", "Script hook", "ASI loader", "Plugin", "Write access",
                                       "Settings file", "Log", "Folder path", "Proton", "Running"};

}  // namespace

int checkNumber(FolderCheckId check) {
    return check == FolderCheckId::Game || check == FolderCheckId::Running ? 0 : static_cast<int>(check);
}

const char* checkName(FolderCheckId check) { return kCheckNames[static_cast<int>(check)]; }

std::string checkLabel(FolderCheckId check) {
    const int number = checkNumber(check);
    return number ? std::to_string(number) + " " + checkName(check) : checkName(check);
}

FolderFinding finding(FolderCheckId check, Verdict verdict, std::string text, std::string fix) {
    FolderFinding out;
    out.check = check;
    out.verdict = verdict;
    out.text = std::move(text);
    out.fix = std::move(fix);
    return out;
}

std::string absoluteFolder(const std::string& folder) {
    std::error_code error;
    fs::path root = fs::absolute(fs::u8path(folder.empty() ? "." : folder), error).lexically_normal();
    if (!root.has_filename() && root != root.root_path()) root = root.parent_path();
    return root.u8string();
}
