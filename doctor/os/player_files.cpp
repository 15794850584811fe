#include "doctor/os/player_files.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "settings/settings_file.h"

std::optional<std::string> readBytes(const std::filesystem::path& path, std::uintmax_t tail, std::size_t head) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) return std::nullopt;
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    std::ifstream in(path, std::ios::binary);
    if (!in || error) return std::nullopt;
    const std::uintmax_t start = tail && size > tail ? size - tail : 0;
    std::string bytes(start ? head : 0, '\0');
    const auto readInto = [&](std::size_t at) {
        in.read(bytes.data() + at, static_cast<std::streamsize>(bytes.size() - at));
        bytes.resize(at + static_cast<std::size_t>(in.gcount()));
    };
    if (!bytes.empty()) {
        readInto(0);
        bytes += '\n';
        in.clear();
    }
    const std::size_t at = bytes.size();
    in.seekg(static_cast<std::streamoff>(start));
    bytes.resize(at + static_cast<std::size_t>(size - start));
    readInto(at);
    // A file that gives no size, as those /proc makes as they are read, is read to its end.
    // Only through the stream's reads: its buffer throws a failed read at a streambuf iterator
    // (a process that ends while its /proc files are read), but the stream's calls mark it bad.
    if (size == 0) {
        char chunk[4096];
        while (in.read(chunk, sizeof chunk) || in.gcount() > 0)
            bytes.append(chunk, static_cast<std::size_t>(in.gcount()));
    }
    if (in.bad()) return std::nullopt;
    return bytes;
}

// A file of that name opened for appending tells whether it can be written, and is removed
// again when that made it.
std::string whyNotWritable(const std::string& path, bool existed) {
    errno = 0;
    std::FILE* file = std::fopen(path.c_str(), "ab");
    const int error = errno;
    if (file) {
        std::fclose(file);
        if (!existed) std::remove(path.c_str());
        return {};
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

std::string whyNotWritten(const std::string& path, bool existed) {
    const std::string why = whyNotWritable(path, existed);
    return why.empty() ? "the write failed" : why;
}

bool writeBytes(const std::filesystem::path& path, const std::string& bytes, bool* wentThrough) {
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        if (out) out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        if (out) out.close();
        if (wentThrough) *wentThrough = static_cast<bool>(out);
        if (!out) return false;
    }
    return readBytes(path) == bytes;
}

// The first backup name that is free: PATH.bak, then PATH.2.bak, PATH.3.bak, ... A backup is
// never overwritten.
std::string freeBackupName(const std::string& path) {
    // A folder whose entries can't be asked about counts every name as taken: every number is
    // tried, and none is free.
    for (int number = 1; number <= kMostBackups; ++number) {
        const std::string name = number == 1 ? path + ".bak" : path + "." + std::to_string(number) + ".bak";
        SettingsFile probe;
        probe.setPath(name);
        if (!probe.exists()) return name;
    }
    return {};
}
