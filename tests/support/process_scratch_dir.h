#pragma once
// One fresh directory for a whole process (a fuzzer, a benchmark), under the system's temporary
// directory: made on the first call, named from that call's prefix, removed when the process
// exits. POSIX only. A test takes a ScratchDir of its own instead (scratch_dir.h).

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

inline const std::filesystem::path& processScratchDirectory(const char* prefix) {
    // Never destroyed, so that the exit handler can still read it.
    static const std::filesystem::path* const made = [prefix] {
        std::string pattern = (std::filesystem::temp_directory_path() / (std::string(prefix) + "-XXXXXX")).string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            std::perror("mkdtemp");
            std::exit(1);
        }
        const auto* path = new std::filesystem::path(pattern);
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(*made, ignored);
        });
        return path;
    }();
    return *made;
}
