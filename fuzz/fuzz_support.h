#pragma once
// What the fuzz targets share: a private scratch directory to work in, and a way to stop on a
// broken property with the input that broke it (libFuzzer then saves that input).

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

// Aborts, so libFuzzer reports the input as a crash and keeps it.
#define FUZZ_CHECK(condition, ...)                                                                   \
    do {                                                                                             \
        if (!(condition)) {                                                                          \
            std::fprintf(stderr, "property broken at %s:%d: %s\n", __FILE__, __LINE__, #condition); \
            std::fprintf(stderr, __VA_ARGS__);                                                       \
            std::fprintf(stderr, "\n");                                                              \
            std::abort();                                                                            \
        }                                                                                            \
    } while (false)

// A fresh directory under the system's temporary directory, made on first use and removed when
// the process exits. Each fuzzing process gets its own.
inline const std::filesystem::path& scratchDirectory() {
    // Never destroyed, so that the exit handler can still read it.
    static const std::filesystem::path* const made = [] {
        std::string pattern = (std::filesystem::temp_directory_path() / "veltrane-fuzz-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            std::perror("mkdtemp");
            std::exit(1);
        }
        const auto* path = new std::filesystem::path(pattern);
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(scratchDirectory(), ignored);
        });
        return path;
    }();
    return *made;
}

// The scratch directory as the current one, for one input. libFuzzer resolves the paths it
// was given (corpus, dictionary, artifacts) against the directory it started in, so the
// fuzzer goes back there after every input.
class InScratchDirectory {
public:
    InScratchDirectory() : home(std::filesystem::current_path()) { std::filesystem::current_path(scratchDirectory()); }
    ~InScratchDirectory() { std::filesystem::current_path(home); }
    InScratchDirectory(const InScratchDirectory&) = delete;
    InScratchDirectory& operator=(const InScratchDirectory&) = delete;

private:
    std::filesystem::path home;
};

inline void writeBytes(const char* path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string readBytes(const char* path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
