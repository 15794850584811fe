#pragma once
// A throw-away current directory for one test, so "./Veltrane.ini" is the test's own.
// Kept on failure (its path is printed) so the files can be looked at.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/support/whole_file.h"

class ScratchDir {
public:
    ScratchDir() : previous(std::filesystem::current_path()) {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = info ? std::string(info->test_suite_name()) + "." + info->name() : "scratch";
        for (char& c : name) {
            if (c == '/' || c == '\\') c = '_';
        }
        dir = std::filesystem::temp_directory_path() / "veltrane-tests" / name;
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
        std::filesystem::current_path(dir);
    }
    ~ScratchDir() {
        std::filesystem::current_path(previous);
        if (::testing::Test::HasFailure()) {
            std::fprintf(stderr, "kept scratch directory %s\n", dir.string().c_str());
        } else {
            std::error_code ignored;
            std::filesystem::remove_all(dir, ignored);
        }
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::filesystem::path& path() const { return dir; }

private:
    std::filesystem::path previous;
    std::filesystem::path dir;
};
