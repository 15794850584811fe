#pragma once
// What the fuzz targets share: one entry for the targets that take the input whole, a private
// scratch directory to work in, and a way to stop on a broken property with the input that broke
// it (libFuzzer then saves that input).

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

#include "tests/support/process_scratch_dir.h"
#include "tests/support/whole_file.h"

// A target that takes each input whole defines this; input_entry.cpp, its entry, hands it
// libFuzzer's bytes.
void checkInput(std::string_view input);

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

// This process's scratch directory (each fuzzing process gets its own).
inline const std::filesystem::path& scratchDirectory() { return processScratchDirectory("veltrane-fuzz"); }

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

// The targets' names for whole-file reads and writes.
inline void writeBytes(const char* path, const std::string& bytes) { writeFile(path, bytes); }
inline std::string readBytes(const char* path) { return readFile(path); }
