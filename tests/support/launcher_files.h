#pragma once
// Files laid out in a scratch folder as a game and its launchers leave them, for the doctor's
// tests.

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

namespace launcher_files {

// `bytes` as the whole of the file at `path`, its folders made first.
inline void write(const std::filesystem::path& path, const std::string& bytes) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// A path as a quoted text of a launcher's records (Steam's key-values, Epic's JSON): each
// backslash doubled.
inline std::string quotedPath(const std::filesystem::path& path) {
    std::string out;
    for (const char c : path.u8string()) out += c == '\\' ? std::string("\\\\") : std::string(1, c);
    return out;
}

#ifndef _WIN32
// HOME set to a folder for one test, and back after it: where the Linux doctor looks for Steam.
class HomeAt {
public:
    explicit HomeAt(const std::filesystem::path& home) {
        if (const char* old = std::getenv("HOME")) saved = old;
        ::setenv("HOME", home.c_str(), 1);
    }
    ~HomeAt() {
        if (saved)
            ::setenv("HOME", saved->c_str(), 1);
        else
            ::unsetenv("HOME");
    }

private:
    std::optional<std::string> saved;
};
#endif

}  // namespace launcher_files
