#include "doctor/os/file_write.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "settings/settings_file.h"

std::optional<std::string> readBytes(const std::string& path) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(std::filesystem::u8path(path), error)) return std::nullopt;
    std::ifstream in(std::filesystem::u8path(path), std::ios::binary);
    if (!in.is_open()) return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Why a file can't be written, when the platform says: a file of that name opened for
// appending tells it, and is removed again when that made it.
std::string whyNotWritten(const std::string& path, bool existed) {
    errno = 0;
    std::FILE* file = std::fopen(path.c_str(), "ab");
    const int error = errno;
    if (file) {
        std::fclose(file);
        if (!existed) std::remove(path.c_str());
        return "the write failed";
    }
    switch (error) {
        case EACCES:
        case EPERM: return "access denied (a read-only file or folder, or one that needs administrator rights)";
        case EROFS: return "the drive is read-only";
        case ENOENT: return "the folder does not exist";
        case EISDIR: return "a folder has that name";
        case ENOSPC: return "the drive is full";
        default: return error ? std::strerror(error) : "the write failed";
    }
}

bool writeBytes(const std::string& path, const std::string& bytes) {
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        if (!out.is_open()) return false;
        out << bytes;
        out.close();
        if (!out) return false;
    }
    return readBytes(path) == bytes;
}

// The first backup name that is free: PATH.bak, then PATH.2.bak, PATH.3.bak, ... A backup is
// never overwritten.
std::string freeBackupName(const std::string& path) {
    // A folder whose entries can't be asked about counts every name as taken: the search ends.
    for (int number = 1; number <= kMostBackups; ++number) {
        const std::string name = number == 1 ? path + ".bak" : path + "." + std::to_string(number) + ".bak";
        SettingsFile probe;
        probe.setPath(name);
        if (!probe.exists()) return name;
    }
    return {};
}
