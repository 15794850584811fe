#pragma once
// A throw-away current directory for one test, so "./Veltrane.ini" is the test's own.
// Kept on failure (its path is printed) so the files can be looked at. Named after the test,
// with a number that no other directory under that name holds: the same test run at the same
// time from another build tree or checkout gets a directory of its own.

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
        const std::filesystem::path parent = std::filesystem::temp_directory_path() / "veltrane-tests";
        std::filesystem::create_directories(parent);
        // create_directory makes it only where nothing stands: no two scratch directories meet.
        for (unsigned n = 1;; ++n) {
            dir = parent / (name + "-" + std::to_string(n));
            if (std::filesystem::create_directory(dir)) break;
        }
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
