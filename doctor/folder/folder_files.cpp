#include "doctor/folder/folder_files.h"

#include <algorithm>
#include <fstream>

namespace fs = std::filesystem;

namespace folder_files {

std::string shown(const fs::path& path) { return path.u8string(); }

std::optional<std::string> readFile(const fs::path& path, std::uintmax_t tail) {
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
