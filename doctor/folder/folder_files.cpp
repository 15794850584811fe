#include "doctor/folder/folder_files.h"

#include <algorithm>

namespace fs = std::filesystem;

namespace folder_files {

std::string shown(const fs::path& path) { return path.u8string(); }

// The names in `folder`, sorted without letter case; none when it can't be read. Whether each
// is a file is asked only of the few names that matter: a game folder holds thousands, and on
// Windows each question is a call of its own.
std::vector<std::string> fileNames(const fs::path& folder) {
    std::vector<std::string> names;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
        names.push_back(it->path().filename().u8string());
    std::sort(names.begin(), names.end(),
              [](const std::string& a, const std::string& b) { return lower(a) < lower(b); });
    return names;
}

// The file of that name in any letter case, as the file system names it; none when there is none.
std::optional<std::string> present(const std::vector<std::string>& names, const std::string& name) {
    for (const std::string& each : names) {
        if (sameName(each, name)) return each;
    }
    return std::nullopt;
}

std::string joined(const std::vector<std::string>& items, const std::string& separator) {
    std::string out;
    for (const std::string& item : items) out += (out.empty() ? "" : separator) + item;
    return out;
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

}  // namespace folder_files
